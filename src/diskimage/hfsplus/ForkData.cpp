#include "diskimage/hfsplus/ForkData.h"

#include "diskimage/hfsplus/BigEndian.h"

namespace vorlap::diskimage::hfsplus {

ForkData ForkData::contiguous(uint64_t logicalSize, uint32_t startBlock, uint32_t blockCount, uint32_t clumpSize)
{
    ForkData fork;
    fork.logicalSize = logicalSize;
    fork.clumpSize = clumpSize;
    fork.totalBlocks = blockCount;
    if (blockCount > 0)
        fork.extents[0] = {startBlock, blockCount};
    return fork;
}

void encodeExtentRecord(const ExtentRecord& record, uint8_t* out)
{
    for (size_t i = 0; i < record.size(); ++i) {
        writeU32(out + 8 * i, record[i].startBlock);
        writeU32(out + 8 * i + 4, record[i].blockCount);
    }
}

ExtentRecord decodeExtentRecord(const uint8_t* in)
{
    ExtentRecord record{};
    for (size_t i = 0; i < record.size(); ++i)
        record[i] = {readU32(in + 8 * i), readU32(in + 8 * i + 4)};
    return record;
}

void ForkData::encode(uint8_t* out) const
{
    writeU64(out, logicalSize);
    writeU32(out + 8, clumpSize);
    writeU32(out + 12, totalBlocks);
    encodeExtentRecord(extents, out + 16);
}

ForkData ForkData::decode(const uint8_t* in)
{
    ForkData fork;
    fork.logicalSize = readU64(in);
    fork.clumpSize = readU32(in + 8);
    fork.totalBlocks = readU32(in + 12);
    fork.extents = decodeExtentRecord(in + 16);
    return fork;
}

} // namespace vorlap::diskimage::hfsplus
