#pragma once
// Makes sure children started through "/usr/bin/env hdiutil" find a disk-image tool.
#include <QString>

namespace vorlap {

// When no `hdiutil` is on the search path (any system but macOS), appends
// `bundledToolFolder` — the folder of the `hdiutil` built beside this program — to PATH,
// which every child inherits. A system tool, or one earlier on the path, still wins.
void makeBundledDiskImageToolFindable(const QString& bundledToolFolder);

} // namespace vorlap
