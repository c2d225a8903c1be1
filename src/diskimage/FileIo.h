#pragma once
// Small pieces of POSIX file handling the readers and writers share.
#include "common/posix/UniqueFd.h"
#include "diskimage/DiskImageError.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace vorlap::diskimage {

// Writes all `length` bytes at `offset` (pwrite, retried after interruptions and
// short writes). Errors name `what`.
Result<void> writeAllAt(int fd, uint64_t offset, const void* data, size_t length, const std::string& what);

} // namespace vorlap::diskimage
