#pragma once
// Errors of the disk-image engine and of our hdiutil: what kind of failure it is, so that
// callers can act on it without reading the text, and one plain-English message each.
#include "common/Expected.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>

namespace vorlap::diskimage {

enum class ErrorCode {
    corrupt,         // the image, volume or property list is damaged or not what it claims
    unsupported,     // well-formed, but a feature the engine does not handle
    invalidArgument, // the request itself is wrong: options, sizes, names, a misused object
    notFound,        // no such file, record or attachment
    exists,          // something the operation would create is there already
    busy,            // attached already, or a mount point in use
    noSpace,         // the content does not fit
    sourceChanged,   // an input file changed while it was being read
    outOfMemory,
    system,          // any other failure the operating system or a library reports
};

struct DiskImageError {
    ErrorCode code = ErrorCode::system;
    std::string message;
    int errnum = 0; // the errno behind it, 0 where there is none

    // The same failure, told from a caller's point of view: "<context><message>".
    DiskImageError prefixed(const std::string& context) const { return {code, context + message, errnum}; }
};

template <class T>
using Result = Expected<T, DiskImageError>;

inline Unexpected<DiskImageError> fail(ErrorCode code, std::string message)
{
    return {DiskImageError{code, std::move(message)}};
}

// Passes a lower step's failure on with `context` put before its message.
inline Unexpected<DiskImageError> failWithin(const std::string& context, const DiskImageError& error)
{
    return {error.prefixed(context)};
}

inline ErrorCode codeForErrno(int err)
{
    switch (err) {
    case ENOENT:
    case ENOTDIR:
        return ErrorCode::notFound;
    case EEXIST:
    case ENOTEMPTY:
        return ErrorCode::exists;
    case EBUSY:
        return ErrorCode::busy;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return ErrorCode::noSpace;
    case EINVAL:
    case ENAMETOOLONG:
        return ErrorCode::invalidArgument;
    case ENOMEM:
        return ErrorCode::outOfMemory;
    default:
        return ErrorCode::system;
    }
}

// "<what>: <the system's text for err>", for example "/tmp/x: No such file or directory".
inline Unexpected<DiskImageError> failWithErrno(const std::string& what, int err = errno)
{
    return {DiskImageError{codeForErrno(err), what + ": " + std::strerror(err), err}};
}

// "<what>: <the library's text for error>", for failures std::filesystem reports.
inline Unexpected<DiskImageError> failWithSystemError(const std::string& what, const std::error_code& error)
{
    return {DiskImageError{codeForErrno(error.value()), what + ": " + error.message(), error.value()}};
}

} // namespace vorlap::diskimage
