#include "diskimage/FileIo.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace vorlap::diskimage {

Result<void> writeAllAt(int fd, uint64_t offset, const void* data, size_t length, const std::string& what)
{
    const auto* p = static_cast<const uint8_t*>(data);
    while (length > 0) {
        const ssize_t n = ::pwrite(fd, p, std::min<size_t>(length, size_t{1} << 30), static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return failWithErrno(what);
        }
        p += n;
        offset += static_cast<uint64_t>(n);
        length -= static_cast<size_t>(n);
    }
    return {};
}

} // namespace vorlap::diskimage
