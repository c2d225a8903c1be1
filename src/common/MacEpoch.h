#pragma once
// Classic Mac OS dates (HFS+ dates, alias records) count seconds from 1904-01-01 00:00 GMT.
#include <cstdint>

namespace vorlap {

constexpr int64_t macEpochOffset = 2082844800; // seconds from 1904-01-01 to 1970-01-01

} // namespace vorlap
