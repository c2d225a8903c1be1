#pragma once
// Errors of the disk-image engine: one plain-English message each.
#include "common/Expected.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace vorlap::diskimage {

struct DiskImageError {
    std::string message;
};

template <class T>
using Result = Expected<T, DiskImageError>;

inline Unexpected<DiskImageError> fail(std::string message)
{
    return {DiskImageError{std::move(message)}};
}

// "<what>: <the system's text for err>", for example "/tmp/x: No such file or directory".
inline Unexpected<DiskImageError> failWithErrno(const std::string& what, int err = errno)
{
    return fail(what + ": " + std::strerror(err));
}

} // namespace vorlap::diskimage
