#pragma once
// Errors of the disk-image engine: one plain-English message each.
#include "common/Expected.h"

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

} // namespace vorlap::diskimage
