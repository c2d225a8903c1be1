#pragma once
// The Finder's 32 bytes of information about an item, kept as the extended attribute
// com.apple.FinderInfo: on macOS under that name, on Linux as user.com.apple.FinderInfo,
// the name our hdiutil carries into and out of the image's catalog records.
#include <string>

namespace vorlap::platform {

// Sets the item's custom-icon flag (kHasCustomIcon: 0x0400 in the big-endian Finder flags
// at byte 8), keeping every other byte the item already has. 0 on success, else the errno
// (ENOTSUP or EOPNOTSUPP where the file system keeps no extended attributes).
int setCustomIconFlag(const std::string& path);

} // namespace vorlap::platform
