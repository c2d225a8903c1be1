#pragma once
// Makes sure children started through "/usr/bin/env hdiutil" find a disk-image tool.
#include <QString>

namespace vorlap {

// The folder of the `hdiutil` that came with the program in `programFolder`: beside it in
// the build tree, in libexec/vorlap once installed (packaging/CMakeLists.txt).
QString bundledDiskImageToolFolder(const QString& programFolder);

// When no `hdiutil` is on the search path (any system but macOS), appends the bundled
// tool's folder to PATH, which every child inherits. A system tool, or one earlier on the
// path, still wins.
void makeBundledDiskImageToolFindable(const QString& programFolder);

} // namespace vorlap
