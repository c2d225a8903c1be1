#pragma once
// Big-endian integers, the byte order of every HFS+ structure.
#include <cstddef>
#include <cstdint>

namespace vorlap::diskimage::hfsplus {

inline uint16_t readU16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
inline uint32_t readU32(const uint8_t* p)
{
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}
inline uint64_t readU64(const uint8_t* p) { return (uint64_t{readU32(p)} << 32) | readU32(p + 4); }

inline void writeU16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}
inline void writeU32(uint8_t* p, uint32_t v)
{
    writeU16(p, static_cast<uint16_t>(v >> 16));
    writeU16(p + 2, static_cast<uint16_t>(v));
}
inline void writeU64(uint8_t* p, uint64_t v)
{
    writeU32(p, static_cast<uint32_t>(v >> 32));
    writeU32(p + 4, static_cast<uint32_t>(v));
}

} // namespace vorlap::diskimage::hfsplus
