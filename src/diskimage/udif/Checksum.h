#pragma once
// UDIF checksum fields (type, bit count, 128 data bytes) and the CRC-32 arithmetic
// behind the three checksums of an image: data fork, each block table, master.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace vorlap::diskimage::udif {

inline constexpr uint32_t kChecksumNone = 0;
inline constexpr uint32_t kChecksumCrc32 = 2;
inline constexpr size_t kChecksumFieldSize = 136;

struct UdifChecksum {
    uint32_t type = kChecksumNone;
    uint32_t bits = 0;
    std::array<uint8_t, 128> data{};

    static UdifChecksum crc32(uint32_t value);
    static UdifChecksum parse(const uint8_t* field); // kChecksumFieldSize bytes
    void serialize(uint8_t* field) const;            // unused data bytes written as zero

    bool isCrc32() const { return type == kChecksumCrc32 && bits == 32; }
    uint32_t crc32Value() const;
    // The bytes that count (bits / 8 of them); nullopt when the bit count is not a
    // whole number of bytes that fits the field.
    std::optional<std::vector<uint8_t>> significantBytes() const;
};

// zlib's CRC-32 (IEEE, reflected 0xEDB88320): crc32Update(0, "123456789", 9) == 0xCBF43926.
uint32_t crc32Update(uint32_t crc, const void* data, size_t length);
// CRC of A followed by B, from the CRCs of A and B and the length of B.
uint32_t crc32Combine(uint32_t crcA, uint32_t crcB, uint64_t lengthB);
// CRC of `length` zero bytes, in O(log length).
uint32_t crc32OfZeros(uint64_t length);

// The master checksum: CRC-32 over the significant bytes of every table checksum,
// in table order. nullopt when a table checksum cannot take part (bad bit count).
std::optional<uint32_t> masterChecksum(const std::vector<UdifChecksum>& tableChecksums);

} // namespace vorlap::diskimage::udif
