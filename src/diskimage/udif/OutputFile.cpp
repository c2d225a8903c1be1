#include "diskimage/udif/OutputFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace vorlap::diskimage::udif {

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

Result<OutputFile> OutputFile::create(const std::string& finalPath)
{
    const std::string name = baseNameOf(finalPath);
    if (name.empty() || name == "." || name == "..")
        return fail(finalPath + ": not a file name");
    const std::string folder = folderOf(finalPath);
    for (int attempt = 0; attempt < 16; ++attempt) {
        // Hidden, and recognisably ours should a crash leave it behind.
        const std::string temp = folder + "/." + name + ".partial-" + randomSuffix();
        // 0666 less the umask, like any file the user creates.
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0)
            return OutputFile(fd, finalPath, temp);
        if (errno != EEXIST)
            return fail(finalPath + ": " + std::strerror(errno));
    }
    return fail(finalPath + ": could not create a temporary file beside it");
}

OutputFile::OutputFile(int fd, std::string finalPath, std::string tempPath)
    : m_fd(fd), m_finalPath(std::move(finalPath)), m_tempPath(std::move(tempPath))
{
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : m_fd(other.m_fd), m_finalPath(std::move(other.m_finalPath)), m_tempPath(std::move(other.m_tempPath)),
      m_position(other.m_position), m_writebackFrom(other.m_writebackFrom)
{
    other.m_fd = -1;
    other.m_tempPath.clear();
}

OutputFile::~OutputFile()
{
    discard();
}

void OutputFile::discard()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_tempPath.empty())
        ::unlink(m_tempPath.c_str());
    m_tempPath.clear();
}

Unexpected<DiskImageError> OutputFile::systemError(const std::string& path) const
{
    return fail(path + ": " + std::strerror(errno));
}

Result<void> OutputFile::write(const void* data, size_t length)
{
    if (m_fd < 0)
        return fail(m_finalPath + ": the file is already closed");
    const auto* p = static_cast<const char*>(data);
    while (length > 0) {
        const ssize_t n = ::pwrite(m_fd, p, std::min<size_t>(length, size_t{1} << 30), static_cast<off_t>(m_position));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return systemError(m_finalPath);
        }
        p += n;
        length -= static_cast<size_t>(n);
        m_position += static_cast<uint64_t>(n);
    }
#ifdef __linux__
    // Start writing back as we go, so that commit()'s fsync finds little left to do
    // instead of stalling on the whole file.
    constexpr uint64_t kWritebackStep = uint64_t{8} << 20;
    if (m_position > m_writebackFrom && m_position - m_writebackFrom >= kWritebackStep) {
        ::sync_file_range(m_fd, static_cast<off_t>(m_writebackFrom), static_cast<off_t>(m_position - m_writebackFrom),
                          SYNC_FILE_RANGE_WRITE);
        m_writebackFrom = m_position;
    }
#endif
    return {};
}

Result<void> OutputFile::commit()
{
    if (m_fd < 0)
        return fail(m_finalPath + ": the file is already closed");
    if (::ftruncate(m_fd, static_cast<off_t>(m_position)) != 0)
        return systemError(m_finalPath);
    if (::fsync(m_fd) != 0)
        return systemError(m_finalPath);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        return systemError(m_finalPath);
    if (::rename(m_tempPath.c_str(), m_finalPath.c_str()) != 0)
        return systemError(m_finalPath);
    m_tempPath.clear();
    // Make the new name itself durable.
    const int dir = ::open(folderOf(m_finalPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return {};
}

} // namespace vorlap::diskimage::udif
