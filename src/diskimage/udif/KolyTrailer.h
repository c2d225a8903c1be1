#pragma once
// The 512-byte "koly" trailer that closes a UDIF image: where the data fork and
// the property list lie, the image's checksums and the size of the virtual disk.
#include "diskimage/DiskImageError.h"
#include "diskimage/udif/Checksum.h"

#include <array>
#include <cstdint>

namespace vorlap::diskimage::udif {

inline constexpr size_t kKolySize = 512;
inline constexpr uint32_t kKolySignature = 0x6B6F6C79; // "koly"
inline constexpr uint32_t kKolyVersion = 4;
inline constexpr uint32_t kKolyFlagFlattened = 1;
inline constexpr uint32_t kImageVariantDevice = 1;

struct KolyTrailer {
    uint32_t flags = kKolyFlagFlattened;
    uint64_t runningDataForkOffset = 0;
    uint64_t dataForkOffset = 0;
    uint64_t dataForkLength = 0;
    uint64_t rsrcForkOffset = 0;
    uint64_t rsrcForkLength = 0;
    uint32_t segmentNumber = 1;
    uint32_t segmentCount = 1;
    std::array<uint8_t, 16> segmentId{};
    UdifChecksum dataForkChecksum;
    uint64_t xmlOffset = 0;
    uint64_t xmlLength = 0;
    uint64_t codeSignatureOffset = 0;
    uint64_t codeSignatureLength = 0;
    UdifChecksum masterChecksum;
    uint32_t imageVariant = kImageVariantDevice;
    uint64_t sectorCount = 0;

    // True when the block starts with "koly", version 4, header size 512: what
    // readers take as the mark of a UDIF trailer.
    static bool looksLikeTrailer(const uint8_t* block);
    // Reads the fields; fails when the block is not a trailer. Ranges are checked by
    // the caller, who knows the file.
    static Result<KolyTrailer> parse(const uint8_t* block);
    std::array<uint8_t, kKolySize> serialize() const;
};

} // namespace vorlap::diskimage::udif
