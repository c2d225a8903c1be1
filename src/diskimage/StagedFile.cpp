#include "diskimage/StagedFile.h"

#include <cerrno>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlap::diskimage {

namespace {

std::string folderOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string baseNameOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string randomSuffix()
{
    static const char digits[] = "0123456789abcdef";
    std::random_device device;
    std::string s;
    for (int i = 0; i < 12; ++i)
        s += digits[device() % 16];
    return s;
}

} // namespace

Result<StagedFile> StagedFile::create(const std::string& finalPath)
{
    const std::string name = baseNameOf(finalPath);
    if (name.empty() || name == "." || name == "..")
        return fail(ErrorCode::invalidArgument, finalPath + ": not a file name");
    // Only a regular file may be replaced: renaming over a device, FIFO or socket
    // (followed through a link, as the user named it) would destroy what is there.
    struct stat existing {};
    if (::stat(finalPath.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode))
        return fail(ErrorCode::invalidArgument, finalPath + ": is a folder");
    if (::stat(finalPath.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode))
        return fail(ErrorCode::invalidArgument, finalPath + ": is not a regular file (a device, FIFO or socket); it is not replaced");
    const std::string folder = folderOf(finalPath);
    for (int attempt = 0; attempt < 16; ++attempt) {
        // Hidden, and recognisably ours should a crash leave it behind.
        const std::string temporary = (folder == "/" ? "" : folder) + "/." + name + ".partial-" + randomSuffix();
        // 0666 less the umask, like any file the user creates.
        const int fd = ::open(temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0)
            return StagedFile(fd, finalPath, temporary);
        if (errno != EEXIST)
            return failWithErrno(finalPath);
    }
    return fail(ErrorCode::system, finalPath + ": could not create a temporary file beside it");
}

StagedFile::StagedFile(int fd, std::string finalPath, std::string temporaryPath)
    : m_fd(fd), m_finalPath(std::move(finalPath)), m_temporaryPath(std::move(temporaryPath))
{
}

StagedFile::StagedFile(StagedFile&& other) noexcept
    : m_fd(std::move(other.m_fd)), m_finalPath(std::move(other.m_finalPath)),
      m_temporaryPath(std::exchange(other.m_temporaryPath, std::string()))
{
}

StagedFile::~StagedFile()
{
    m_fd.close();
    if (!m_temporaryPath.empty())
        ::unlink(m_temporaryPath.c_str());
}

std::string StagedFile::folder() const
{
    return folderOf(m_finalPath);
}

Result<void> StagedFile::writeAt(uint64_t offset, const void* data, size_t length)
{
    if (!m_fd.isOpen())
        return fail(ErrorCode::invalidArgument, m_finalPath + ": the file is already closed");
    return writeAllAt(m_fd.get(), offset, data, length, m_finalPath);
}

Result<void> StagedFile::commitDurably()
{
    if (!m_fd.isOpen())
        return fail(ErrorCode::invalidArgument, m_finalPath + ": the file is already closed");
    if (::fsync(m_fd.get()) != 0)
        return failWithErrno(m_finalPath);
    VORLAP_TRY(commit());
    // Make the new name itself durable.
    posix::UniqueFd folderFd(::open(folder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderFd.isOpen())
        ::fsync(folderFd.get());
    return {};
}

Result<void> StagedFile::commit()
{
    if (!m_fd.isOpen())
        return fail(ErrorCode::invalidArgument, m_finalPath + ": the file is already closed");
    if (m_fd.close() != 0)
        return failWithErrno(m_finalPath);
    if (::rename(m_temporaryPath.c_str(), m_finalPath.c_str()) != 0)
        return failWithErrno(m_finalPath);
    m_temporaryPath.clear();
    return {};
}

} // namespace vorlap::diskimage
