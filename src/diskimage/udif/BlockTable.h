#pragma once
// The "mish" block table: how one run of disk sectors is stored, as a list of
// chunks (zero fill, raw, compressed, ...) ending with a terminator entry.
#include "diskimage/DiskImageError.h"
#include "diskimage/udif/Checksum.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorlap::diskimage::udif {

inline constexpr uint64_t kSectorSize = 512;
inline constexpr size_t kBlockTableHeaderSize = 204;
inline constexpr size_t kBlockChunkSize = 40;
inline constexpr uint32_t kBlockTableSignature = 0x6D697368; // "mish"
inline constexpr uint32_t kBlockTableVersion = 1;

enum class ChunkType : uint32_t {
    ZeroFill = 0x00000000,   // reads as zeros, counted in the table checksum
    Raw = 0x00000001,        // stored as is
    Ignore = 0x00000002,     // free space: reads as zeros, left out of the checksum
    Adc = 0x80000004,        // UDCO
    Zlib = 0x80000005,       // UDZO
    Bzip2 = 0x80000006,      // UDBZ
    Lzfse = 0x80000007,      // ULFO
    Lzma = 0x80000008,       // ULMO
    Comment = 0x7FFFFFFE,
    Terminator = 0xFFFFFFFF,
};

struct BlockChunk {
    ChunkType type = ChunkType::ZeroFill;
    uint32_t comment = 0;
    uint64_t sectorNumber = 0;     // relative to the table's first sector
    uint64_t sectorCount = 0;
    uint64_t compressedOffset = 0; // relative to data fork offset + table data offset
    uint64_t compressedLength = 0;
};

struct BlockTable {
    uint64_t firstSector = 0;      // absolute on the virtual disk
    uint64_t sectorCount = 0;
    uint64_t dataOffset = 0;
    uint32_t buffersNeeded = 0;
    uint32_t blockDescriptors = 0;
    UdifChecksum checksum;
    std::vector<BlockChunk> chunks; // the terminator included, as last entry

    // Decodes and checks the structure: signature, version, exact length, chunks
    // contiguous from relative sector 0 and summing to sectorCount, terminator last.
    static Result<BlockTable> parse(const uint8_t* data, size_t length);
    std::vector<uint8_t> serialize() const;
};

// True for types whose data is stored in the data fork (raw and compressed chunks).
bool chunkHasData(ChunkType type);
// "zlib", "bzip2", ... for messages.
std::string chunkTypeName(ChunkType type);

} // namespace vorlap::diskimage::udif
