#pragma once
// Clean-up that must not turn a build's outcome into another.
#include <QString>

namespace vorlap {

// Removes the entry at `path` (a folder with everything in it; symbolic links are removed,
// not followed) and ignores any failure.
void removeQuietly(const QString& path);

} // namespace vorlap
