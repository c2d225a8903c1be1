#pragma once
// The case folding of HFS+ catalog keys: Apple's lower-case table from TN1150
// ("Case-Insensitive String Comparison Algorithm", FastUnicodeCompare).
#include <cstdint>

namespace vorlap::diskimage::hfsplus {

// The folded form of one UTF-16 unit: 0 for the ignorable characters, 0xFFFF for NUL
// (so that it sorts last), the lower-case partner for the few hundred folding letters,
// the unit itself otherwise.
uint16_t foldCase(uint16_t unit);

} // namespace vorlap::diskimage::hfsplus
