#pragma once
// Integers in byte buffers. Every HFS+ and UDIF structure stores them big-endian;
// the PC-style partition maps (MBR, GPT) store theirs little-endian.
#include <cstdint>

namespace vorlap::diskimage {

inline uint16_t loadBE16(const uint8_t* p)
{
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

inline uint32_t loadBE32(const uint8_t* p)
{
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

inline uint64_t loadBE64(const uint8_t* p)
{
    return (uint64_t{loadBE32(p)} << 32) | loadBE32(p + 4);
}

inline void storeBE16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}

inline void storeBE32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

inline void storeBE64(uint8_t* p, uint64_t v)
{
    storeBE32(p, static_cast<uint32_t>(v >> 32));
    storeBE32(p + 4, static_cast<uint32_t>(v));
}

inline uint32_t loadLE32(const uint8_t* p)
{
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

inline uint64_t loadLE64(const uint8_t* p)
{
    return uint64_t{loadLE32(p)} | (uint64_t{loadLE32(p + 4)} << 32);
}

} // namespace vorlap::diskimage
