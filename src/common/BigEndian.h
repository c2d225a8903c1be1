#pragma once
// Integers in byte buffers. Every HFS+ and UDIF structure stores them big-endian;
// the PC-style partition maps (MBR, GPT) store theirs little-endian; so do .DS_Store and
// alias records. Plain C++, so that the engine and the Qt side share one copy.
// An inline namespace: the engine calls these unqualified, the layout code as bigendian::.
#include <cstddef>
#include <cstdint>

namespace vorlap {
inline namespace bigendian {

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

// Appending to, and patching, a growing byte buffer (QByteArray, std::string, or anything
// with append(const char*, n) and data()).
template <class Bytes, class Int>
void appendBE(Bytes& out, Int value)
{
    char bytes[sizeof(Int)];
    for (size_t i = 0; i < sizeof(Int); ++i)
        bytes[i] = static_cast<char>(value >> (8 * (sizeof(Int) - 1 - i)));
    out.append(bytes, sizeof(Int));
}

template <class Bytes>
void append16(Bytes& out, uint16_t value) { appendBE(out, value); }
template <class Bytes>
void append32(Bytes& out, uint32_t value) { appendBE(out, value); }
template <class Bytes>
void append64(Bytes& out, uint64_t value) { appendBE(out, value); }

template <class Bytes>
void put16(Bytes& out, std::ptrdiff_t offset, uint16_t value)
{
    storeBE16(reinterpret_cast<uint8_t*>(out.data()) + offset, value);
}

template <class Bytes>
void put32(Bytes& out, std::ptrdiff_t offset, uint32_t value)
{
    storeBE32(reinterpret_cast<uint8_t*>(out.data()) + offset, value);
}

} // namespace bigendian
} // namespace vorlap
