#pragma once
// Image sizes as the disk-image tool writes them: a whole number and a unit, "16m".
#include "diskimage/DiskImageError.h"

#include <cstdint>
#include <string>

namespace vorlap::hdiutil {

// Bytes for "N" followed by b (512-byte sectors), k, m, g or t (powers of 1024), in upper
// or lower case. Fails on anything else, on zero and on sizes beyond 2^63.
diskimage::Result<uint64_t> parseSize(const std::string& text);

} // namespace vorlap::hdiutil
