#include "diskimage/hfsplus/ImageFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlap::diskimage::hfsplus {

namespace {

constexpr size_t copyBufferSize = 1 << 20;

} // namespace

Result<ImageFile> ImageFile::createBeside(const std::string& finalPath, uint64_t size)
{
    VORLAP_TRY_LET(file, StagedFile::create(finalPath));
    if (::ftruncate(file.fd(), static_cast<off_t>(size)) != 0)
        return failWithErrno(finalPath);
    return ImageFile(std::move(file));
}

Result<void> ImageFile::writeSparseAt(uint64_t offset, const uint8_t* data, size_t length, size_t blockSize)
{
    for (size_t at = 0; at < length; at += blockSize) {
        const size_t piece = std::min(blockSize, length - at);
        if (std::all_of(data + at, data + at + piece, [](uint8_t b) { return b == 0; }))
            continue;
        VORLAP_TRY(writeAt(offset + at, data + at, piece));
    }
    return {};
}

Result<void> ImageFile::copyFileAt(const std::string& sourcePath, uint64_t expectedSize, uint64_t offset)
{
    posix::UniqueFd source(::open(sourcePath.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!source.isOpen())
        return failWithErrno(sourcePath);
    struct stat st {};
    if (::fstat(source.get(), &st) != 0)
        return failWithErrno(sourcePath);
    if (!S_ISREG(st.st_mode) || static_cast<uint64_t>(st.st_size) != expectedSize)
        return fail(ErrorCode::sourceChanged, sourcePath + ": changed while the volume was being written");
    ::posix_fadvise(source.get(), 0, 0, POSIX_FADV_SEQUENTIAL);

    uint64_t done = 0;
#if defined(__linux__)
    // In-kernel copy; falls back to read and write where the file systems refuse.
    while (done < expectedSize) {
        loff_t in = static_cast<loff_t>(done);
        loff_t out = static_cast<loff_t>(offset + done);
        const size_t chunk = static_cast<size_t>(std::min<uint64_t>(expectedSize - done, uint64_t{1} << 30));
        const ssize_t n = ::copy_file_range(source.get(), &in, m_file.fd(), &out, chunk, 0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP || errno == EPERM)
                break;
            return failWithErrno(sourcePath);
        }
        if (n == 0)
            return fail(ErrorCode::sourceChanged, sourcePath + ": changed while the volume was being written");
        done += static_cast<uint64_t>(n);
    }
#endif
    if (done < expectedSize) {
        std::unique_ptr<uint8_t[]> buffer(new uint8_t[copyBufferSize]);
        while (done < expectedSize) {
            const size_t want = static_cast<size_t>(std::min<uint64_t>(copyBufferSize, expectedSize - done));
            const ssize_t n = ::pread(source.get(), buffer.get(), want, static_cast<off_t>(done));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return failWithErrno(sourcePath);
            }
            if (n == 0)
                return fail(ErrorCode::sourceChanged, sourcePath + ": changed while the volume was being written");
            VORLAP_TRY(writeAt(offset + done, buffer.get(), static_cast<size_t>(n)));
            done += static_cast<uint64_t>(n);
        }
    }
    return {};
}

} // namespace vorlap::diskimage::hfsplus
