#include "diskimage/udif/Checksum.h"

#include "common/BigEndian.h"

#include <algorithm>
#include <zlib.h>

namespace vorlap::diskimage::udif {

UdifChecksum UdifChecksum::crc32(uint32_t value)
{
    UdifChecksum c;
    c.type = kChecksumCrc32;
    c.bits = 32;
    storeBE32(c.data.data(), value);
    return c;
}

UdifChecksum UdifChecksum::parse(const uint8_t* field)
{
    UdifChecksum c;
    c.type = loadBE32(field);
    c.bits = loadBE32(field + 4);
    std::copy(field + 8, field + kChecksumFieldSize, c.data.begin());
    return c;
}

void UdifChecksum::serialize(uint8_t* field) const
{
    storeBE32(field, type);
    storeBE32(field + 4, bits);
    std::fill(field + 8, field + kChecksumFieldSize, uint8_t{0});
    const size_t used = std::min<size_t>(bits / 8, data.size());
    std::copy(data.begin(), data.begin() + static_cast<long>(used), field + 8);
}

uint32_t UdifChecksum::crc32Value() const
{
    return loadBE32(data.data());
}

std::optional<std::vector<uint8_t>> UdifChecksum::significantBytes() const
{
    if (bits % 8 != 0 || bits / 8 > data.size())
        return std::nullopt;
    return std::vector<uint8_t>(data.begin(), data.begin() + bits / 8);
}

uint32_t crc32Update(uint32_t crc, const void* data, size_t length)
{
    const auto* p = static_cast<const Bytef*>(data);
    // zlib takes the length as uInt; feed huge buffers in pieces.
    while (length > 0) {
        const uInt piece = static_cast<uInt>(std::min<size_t>(length, 1u << 30));
        crc = static_cast<uint32_t>(::crc32(crc, p, piece));
        p += piece;
        length -= piece;
    }
    return crc;
}

uint32_t crc32Combine(uint32_t crcA, uint32_t crcB, uint64_t lengthB)
{
    return static_cast<uint32_t>(::crc32_combine(crcA, crcB, static_cast<z_off_t>(lengthB)));
}

uint32_t crc32OfZeros(uint64_t length)
{
    static const uint8_t zeros[4096] = {};
    constexpr uint64_t kPiece = sizeof zeros;
    static const uint32_t pieceCrc = crc32Update(0, zeros, kPiece);

    uint32_t result = crc32Update(0, zeros, static_cast<size_t>(length % kPiece));
    uint64_t count = length / kPiece;
    uint32_t power = pieceCrc; // CRC of kPiece * 2^k zeros
    uint64_t powerLength = kPiece;
    while (count > 0) {
        if (count & 1)
            result = crc32Combine(result, power, powerLength);
        count >>= 1;
        if (count > 0) {
            power = crc32Combine(power, power, powerLength);
            powerLength *= 2;
        }
    }
    return result;
}

std::optional<uint32_t> masterChecksum(const std::vector<UdifChecksum>& tableChecksums)
{
    uint32_t crc = 0;
    for (const UdifChecksum& c : tableChecksums) {
        const auto bytes = c.significantBytes();
        if (!bytes)
            return std::nullopt;
        crc = crc32Update(crc, bytes->data(), bytes->size());
    }
    return crc;
}

} // namespace vorlap::diskimage::udif
