#pragma once
// Small pieces of POSIX file handling the readers and writers share.
#include "diskimage/DiskImageError.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace vorlap::diskimage {

// A file descriptor, closed when it goes out of scope.
class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) : m_fd(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other) {
            close();
            m_fd = std::exchange(other.m_fd, -1);
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { close(); }

    int get() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }
    // Closes it now: 0, or -1 with errno set when close() reports an error.
    int close();

private:
    int m_fd;
};

// Writes all `length` bytes at `offset` (pwrite, retried after interruptions and
// short writes). Errors name `what`.
Result<void> writeAllAt(int fd, uint64_t offset, const void* data, size_t length, const std::string& what);

} // namespace vorlap::diskimage
