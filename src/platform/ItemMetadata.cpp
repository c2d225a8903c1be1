#include "platform/ItemMetadata.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace vorlap::platform {

std::optional<uint64_t> itemNumber(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return std::nullopt;
    return static_cast<uint64_t>(st.st_ino);
}

std::optional<FileTime> creationTime(const std::string& path)
{
#if defined(__APPLE__)
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return std::nullopt;
    return FileTime{st.st_birthtimespec.tv_sec, static_cast<uint32_t>(st.st_birthtimespec.tv_nsec)};
#elif defined(__linux__) && defined(STATX_BTIME)
    struct statx stx {};
    if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BTIME, &stx) != 0)
        return std::nullopt;
    if ((stx.stx_mask & STATX_BTIME) == 0)
        return std::nullopt;
    return FileTime{stx.stx_btime.tv_sec, stx.stx_btime.tv_nsec};
#else
    (void)path;
    return std::nullopt;
#endif
}

std::optional<FileTime> modificationTime(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return std::nullopt;
#if defined(__APPLE__)
    return FileTime{st.st_mtimespec.tv_sec, static_cast<uint32_t>(st.st_mtimespec.tv_nsec)};
#else
    return FileTime{st.st_mtim.tv_sec, static_cast<uint32_t>(st.st_mtim.tv_nsec)};
#endif
}

} // namespace vorlap::platform
