#include "diskimage/ByteSource.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlap::diskimage {

Result<std::unique_ptr<FileByteSource>> FileByteSource::open(const std::string& path)
{
    posix::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.isOpen())
        return failWithErrno(path);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return failWithErrno(path);
    if (!S_ISREG(st.st_mode) && !S_ISBLK(st.st_mode))
        return fail(ErrorCode::invalidArgument, path + ": not a regular file");
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    return std::unique_ptr<FileByteSource>(new FileByteSource(std::move(fd), size, path));
}

FileByteSource::FileByteSource(posix::UniqueFd fd, uint64_t size, std::string path)
    : m_fd(std::move(fd)), m_size(size), m_path(std::move(path))
{
}

Result<void> FileByteSource::readAt(uint64_t offset, void* buffer, size_t length)
{
    if (!rangeInside(offset, length, m_size))
        return fail(ErrorCode::corrupt, m_path + ": read past the end of the image");
    auto* out = static_cast<char*>(buffer);
    while (length > 0) {
        const ssize_t got = ::pread(m_fd.get(), out, length, static_cast<off_t>(offset));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return failWithErrno(m_path);
        }
        if (got == 0)
            return fail(ErrorCode::corrupt, m_path + ": the file ended early");
        out += got;
        offset += static_cast<uint64_t>(got);
        length -= static_cast<size_t>(got);
    }
    return {};
}

Result<std::unique_ptr<SliceByteSource>> SliceByteSource::make(ByteSource& parent, uint64_t offset, uint64_t length)
{
    if (!rangeInside(offset, length, parent.size()))
        return fail(ErrorCode::corrupt, "the partition lies outside the disk");
    return std::unique_ptr<SliceByteSource>(new SliceByteSource(parent, offset, length));
}

Result<void> SliceByteSource::readAt(uint64_t offset, void* buffer, size_t length)
{
    if (!rangeInside(offset, length, m_length))
        return fail(ErrorCode::corrupt, "read past the end of the partition");
    return m_parent.readAt(m_offset + offset, buffer, length);
}

} // namespace vorlap::diskimage
