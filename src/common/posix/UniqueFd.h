#pragma once
// An owned POSIX file descriptor, closed once however its scope is left.
#include <utility>

#include <unistd.h>

namespace vorlap::posix {

class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) : m_fd(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { close(); }

    int get() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }
    // Closes it now: 0, or -1 with errno set when close() reports an error (a write that
    // the kernel deferred may fail only here, so writers check it).
    int close() { return m_fd >= 0 ? ::close(std::exchange(m_fd, -1)) : 0; }
    // Closes the one it holds, if any, and takes `fd`.
    void reset(int fd = -1)
    {
        close();
        m_fd = fd;
    }
    // Gives the descriptor up without closing it.
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

} // namespace vorlap::posix
