#include "platform/FinderInfo.h"

#include <array>
#include <cerrno>
#include <cstdint>

#include <sys/xattr.h>

namespace vorlap::platform {

namespace {

constexpr size_t finderInfoBytes = 32;
constexpr size_t finderFlagsOffset = 8;
constexpr uint16_t hasCustomIcon = 0x0400;

#ifdef __APPLE__
constexpr const char* finderInfoName = "com.apple.FinderInfo";
ssize_t readAttribute(const std::string& path, void* value, size_t size)
{
    return ::getxattr(path.c_str(), finderInfoName, value, size, 0, XATTR_NOFOLLOW);
}
int writeAttribute(const std::string& path, const void* value, size_t size)
{
    return ::setxattr(path.c_str(), finderInfoName, value, size, 0, XATTR_NOFOLLOW);
}
#else
constexpr const char* finderInfoName = "user.com.apple.FinderInfo";
ssize_t readAttribute(const std::string& path, void* value, size_t size)
{
    return ::lgetxattr(path.c_str(), finderInfoName, value, size);
}
int writeAttribute(const std::string& path, const void* value, size_t size)
{
    return ::lsetxattr(path.c_str(), finderInfoName, value, size, 0);
}
#endif

} // namespace

int setCustomIconFlag(const std::string& path)
{
    std::array<uint8_t, finderInfoBytes> info{};
    const ssize_t read = readAttribute(path, info.data(), info.size());
    // No Finder info yet is the usual case; one of another size is not the Finder's and is
    // replaced whole.
    if (read != ssize_t(info.size()))
        info.fill(0);
    info[finderFlagsOffset] |= hasCustomIcon >> 8;
    info[finderFlagsOffset + 1] |= hasCustomIcon & 0xff;
    return writeAttribute(path, info.data(), info.size()) == 0 ? 0 : errno;
}

} // namespace vorlap::platform
