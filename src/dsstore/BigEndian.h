#pragma once
// Appending and patching big-endian integers in a byte buffer.
#include <QByteArray>
#include <QtEndian>

#include <cstdint>

namespace vorlap::bigendian {

inline void append16(QByteArray& out, uint16_t value)
{
    char bytes[2];
    qToBigEndian(value, bytes);
    out.append(bytes, 2);
}

inline void append32(QByteArray& out, uint32_t value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    out.append(bytes, 4);
}

inline void append64(QByteArray& out, uint64_t value)
{
    char bytes[8];
    qToBigEndian(value, bytes);
    out.append(bytes, 8);
}

inline void put16(QByteArray& out, qsizetype offset, uint16_t value)
{
    qToBigEndian(value, out.data() + offset);
}

inline void put32(QByteArray& out, qsizetype offset, uint32_t value)
{
    qToBigEndian(value, out.data() + offset);
}

} // namespace vorlap::bigendian
