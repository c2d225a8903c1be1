#pragma once
// Naming rules for image files, as the disk-image tool applies them.
#include <string>

namespace vorlap::hdiutil {

// `path` with ".dmg" appended unless it already ends in ".dmg".
std::string withImageExtension(const std::string& path);

// True when anything (even a dangling symbolic link) exists at `path`.
bool pathExists(const std::string& path);

} // namespace vorlap::hdiutil
