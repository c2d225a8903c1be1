#include "diskimage/udif/BlockTable.h"

#include "common/BigEndian.h"

#include <cstdio>

namespace vorlap::diskimage::udif {

namespace {

// Keeps sector arithmetic far from overflow even after multiplying by 512.
constexpr uint64_t kSectorLimit = uint64_t{1} << 54;

} // namespace

bool chunkHasData(ChunkType type)
{
    switch (type) {
    case ChunkType::Raw:
    case ChunkType::Adc:
    case ChunkType::Zlib:
    case ChunkType::Bzip2:
    case ChunkType::Lzfse:
    case ChunkType::Lzma:
        return true;
    default:
        return false;
    }
}

std::string chunkTypeName(ChunkType type)
{
    switch (type) {
    case ChunkType::ZeroFill: return "zero fill";
    case ChunkType::Raw: return "raw";
    case ChunkType::Ignore: return "ignore";
    case ChunkType::Adc: return "ADC";
    case ChunkType::Zlib: return "zlib";
    case ChunkType::Bzip2: return "bzip2";
    case ChunkType::Lzfse: return "LZFSE";
    case ChunkType::Lzma: return "LZMA";
    case ChunkType::Comment: return "comment";
    case ChunkType::Terminator: return "terminator";
    }
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(type));
    return hex;
}

Result<BlockTable> BlockTable::parse(const uint8_t* data, size_t length)
{
    if (length < kBlockTableHeaderSize)
        return fail(ErrorCode::corrupt, "block table too short");
    if (loadBE32(data) != kBlockTableSignature)
        return fail(ErrorCode::corrupt, "block table without \"mish\" signature");
    if (loadBE32(data + 4) != kBlockTableVersion)
        return fail(ErrorCode::unsupported, "unsupported block table version " + std::to_string(loadBE32(data + 4)));

    BlockTable t;
    t.firstSector = loadBE64(data + 8);
    t.sectorCount = loadBE64(data + 16);
    t.dataOffset = loadBE64(data + 24);
    t.buffersNeeded = loadBE32(data + 32);
    t.blockDescriptors = loadBE32(data + 36);
    t.checksum = UdifChecksum::parse(data + 64);
    const uint32_t count = loadBE32(data + 200);
    if (uint64_t{count} * kBlockChunkSize + kBlockTableHeaderSize != length)
        return fail(ErrorCode::corrupt, "block table length does not match its chunk count");
    if (count == 0)
        return fail(ErrorCode::corrupt, "block table without chunks");
    if (t.firstSector >= kSectorLimit || t.sectorCount >= kSectorLimit)
        return fail(ErrorCode::corrupt, "block table sector range out of bounds");

    t.chunks.reserve(count);
    uint64_t position = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* p = data + kBlockTableHeaderSize + size_t{i} * kBlockChunkSize;
        BlockChunk c;
        c.type = static_cast<ChunkType>(loadBE32(p));
        c.comment = loadBE32(p + 4);
        c.sectorNumber = loadBE64(p + 8);
        c.sectorCount = loadBE64(p + 16);
        c.compressedOffset = loadBE64(p + 24);
        c.compressedLength = loadBE64(p + 32);
        if (c.type == ChunkType::Terminator) {
            if (i != count - 1)
                return fail(ErrorCode::corrupt, "block table terminator is not the last entry");
            if (position != t.sectorCount)
                return fail(ErrorCode::corrupt, "block table chunks do not add up to its sector count");
            t.chunks.push_back(c);
            return t;
        }
        if (c.sectorNumber != position)
            return fail(ErrorCode::corrupt, "block table chunks are not contiguous");
        if (c.sectorCount > t.sectorCount - position)
            return fail(ErrorCode::corrupt, "block table chunk runs past the end of its table");
        position += c.sectorCount;
        t.chunks.push_back(c);
    }
    return fail(ErrorCode::corrupt, "block table without terminator");
}

std::vector<uint8_t> BlockTable::serialize() const
{
    std::vector<uint8_t> out(kBlockTableHeaderSize + chunks.size() * kBlockChunkSize, 0);
    uint8_t* p = out.data();
    storeBE32(p, kBlockTableSignature);
    storeBE32(p + 4, kBlockTableVersion);
    storeBE64(p + 8, firstSector);
    storeBE64(p + 16, sectorCount);
    storeBE64(p + 24, dataOffset);
    storeBE32(p + 32, buffersNeeded);
    storeBE32(p + 36, blockDescriptors);
    checksum.serialize(p + 64);
    storeBE32(p + 200, static_cast<uint32_t>(chunks.size()));
    for (size_t i = 0; i < chunks.size(); ++i) {
        uint8_t* c = p + kBlockTableHeaderSize + i * kBlockChunkSize;
        storeBE32(c, static_cast<uint32_t>(chunks[i].type));
        storeBE32(c + 4, chunks[i].comment);
        storeBE64(c + 8, chunks[i].sectorNumber);
        storeBE64(c + 16, chunks[i].sectorCount);
        storeBE64(c + 24, chunks[i].compressedOffset);
        storeBE64(c + 32, chunks[i].compressedLength);
    }
    return out;
}

} // namespace vorlap::diskimage::udif
