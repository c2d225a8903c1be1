#pragma once
// HFS+ dates: unsigned 32-bit seconds since 1904-01-01 00:00 GMT.
#include "common/MacEpoch.h"

#include <cstdint>

namespace vorlap::diskimage::hfsplus {

// Unix seconds to an HFS+ date, clamped to the representable range 1904..2040.
inline uint32_t hfsDateFromUnix(int64_t unixSeconds)
{
    const int64_t value = unixSeconds + macEpochOffset;
    if (value < 0)
        return 0;
    if (value > int64_t{0xFFFFFFFF})
        return 0xFFFFFFFF;
    return static_cast<uint32_t>(value);
}

inline int64_t unixFromHfsDate(uint32_t hfsDate) { return int64_t{hfsDate} - macEpochOffset; }

} // namespace vorlap::diskimage::hfsplus
