#pragma once
// What the file system tells about one item, read without following symbolic links.
// The alias record and the HFS+ writer both read creation dates through this one
// seam, so the dates an alias records are the dates the image stores.
#include <cstdint>
#include <optional>
#include <string>

namespace vorlap::platform {

// A moment as the file system reports it: whole seconds since 1970-01-01 UTC
// (negative before) and the nanoseconds within that second.
struct FileTime {
    int64_t seconds = 0;
    uint32_t nanoseconds = 0;

    bool operator==(const FileTime&) const = default;
};

// The item (inode) number, as lstat reports it; nullopt when the item cannot be examined.
std::optional<uint64_t> itemNumber(const std::string& path);

// The item's creation (birth) time: statx on Linux, st_birthtimespec on macOS.
// nullopt when the item cannot be examined or its file system keeps no birth time.
std::optional<FileTime> creationTime(const std::string& path);

// The item's last modification time; nullopt when it cannot be examined.
std::optional<FileTime> modificationTime(const std::string& path);

} // namespace vorlap::platform
