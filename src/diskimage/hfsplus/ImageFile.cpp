#include "diskimage/hfsplus/ImageFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlap::diskimage::hfsplus {

namespace {

std::string errnoText(const std::string& what, int err) { return what + ": " + std::strerror(err); }

struct FdCloser {
    int fd;
    ~FdCloser()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

constexpr size_t copyBufferSize = 1 << 20;

} // namespace

Result<ImageFile> ImageFile::createBeside(const std::string& finalPath, uint64_t size)
{
    const size_t slash = finalPath.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : finalPath.substr(0, slash));
    const std::string name = slash == std::string::npos ? finalPath : finalPath.substr(slash + 1);
    if (name.empty())
        return fail(finalPath + ": not a file path");
    struct stat existing {};
    if (::stat(finalPath.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode))
        return fail(finalPath + ": is a folder");
    std::string temporary = (folder == "/" ? "" : folder) + "/." + name + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return fail(errnoText(folder, errno));
    ImageFile file(fd, temporary, finalPath);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::fchmod(fd, 0666 & ~mask) != 0 || ::ftruncate(fd, static_cast<off_t>(size)) != 0)
        return fail(errnoText(finalPath, errno));
    return file;
}

ImageFile::ImageFile(int fd, std::string temporaryPath, std::string finalPath)
    : m_fd(fd), m_temporaryPath(std::move(temporaryPath)), m_finalPath(std::move(finalPath))
{
}

ImageFile::ImageFile(ImageFile&& other) noexcept
    : m_fd(other.m_fd), m_temporaryPath(std::move(other.m_temporaryPath)), m_finalPath(std::move(other.m_finalPath))
{
    other.m_fd = -1;
    other.m_temporaryPath.clear();
}

ImageFile::~ImageFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_temporaryPath.empty())
        ::unlink(m_temporaryPath.c_str());
}

Result<void> ImageFile::writeAt(uint64_t offset, const void* data, size_t length)
{
    const auto* p = static_cast<const uint8_t*>(data);
    while (length > 0) {
        const ssize_t n = ::pwrite(m_fd, p, length, static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(errnoText(m_finalPath, errno));
        }
        p += n;
        offset += static_cast<uint64_t>(n);
        length -= static_cast<size_t>(n);
    }
    return {};
}

Result<void> ImageFile::writeSparseAt(uint64_t offset, const uint8_t* data, size_t length, size_t blockSize)
{
    for (size_t at = 0; at < length; at += blockSize) {
        const size_t piece = std::min(blockSize, length - at);
        if (std::all_of(data + at, data + at + piece, [](uint8_t b) { return b == 0; }))
            continue;
        if (auto written = writeAt(offset + at, data + at, piece); !written)
            return written;
    }
    return {};
}

Result<void> ImageFile::copyFileAt(const std::string& sourcePath, uint64_t expectedSize, uint64_t offset)
{
    FdCloser source{::open(sourcePath.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC)};
    if (source.fd < 0)
        return fail(errnoText(sourcePath, errno));
    struct stat st {};
    if (::fstat(source.fd, &st) != 0)
        return fail(errnoText(sourcePath, errno));
    if (!S_ISREG(st.st_mode) || static_cast<uint64_t>(st.st_size) != expectedSize)
        return fail(sourcePath + ": changed while the volume was being written");
    ::posix_fadvise(source.fd, 0, 0, POSIX_FADV_SEQUENTIAL);

    uint64_t done = 0;
#if defined(__linux__)
    // In-kernel copy; falls back to read and write where the file systems refuse.
    while (done < expectedSize) {
        loff_t in = static_cast<loff_t>(done);
        loff_t out = static_cast<loff_t>(offset + done);
        const size_t chunk = static_cast<size_t>(std::min<uint64_t>(expectedSize - done, uint64_t{1} << 30));
        const ssize_t n = ::copy_file_range(source.fd, &in, m_fd, &out, chunk, 0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP || errno == EPERM)
                break;
            return fail(errnoText(sourcePath, errno));
        }
        if (n == 0)
            return fail(sourcePath + ": changed while the volume was being written");
        done += static_cast<uint64_t>(n);
    }
#endif
    if (done < expectedSize) {
        std::unique_ptr<uint8_t[]> buffer(new uint8_t[copyBufferSize]);
        while (done < expectedSize) {
            const size_t want = static_cast<size_t>(std::min<uint64_t>(copyBufferSize, expectedSize - done));
            const ssize_t n = ::pread(source.fd, buffer.get(), want, static_cast<off_t>(done));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return fail(errnoText(sourcePath, errno));
            }
            if (n == 0)
                return fail(sourcePath + ": changed while the volume was being written");
            if (auto written = writeAt(offset + done, buffer.get(), static_cast<size_t>(n)); !written)
                return written;
            done += static_cast<uint64_t>(n);
        }
    }
    return {};
}

Result<void> ImageFile::commit()
{
    if (::close(m_fd) != 0) {
        m_fd = -1;
        return fail(errnoText(m_finalPath, errno));
    }
    m_fd = -1;
    if (::rename(m_temporaryPath.c_str(), m_finalPath.c_str()) != 0)
        return fail(errnoText(m_finalPath, errno));
    m_temporaryPath.clear();
    return {};
}

} // namespace vorlap::diskimage::hfsplus
