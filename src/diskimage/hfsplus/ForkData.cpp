#include "diskimage/hfsplus/ForkData.h"

#include "common/BigEndian.h"

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
        storeBE32(out + 8 * i, record[i].startBlock);
        storeBE32(out + 8 * i + 4, record[i].blockCount);
    }
}

ExtentRecord decodeExtentRecord(const uint8_t* in)
{
    ExtentRecord record{};
    for (size_t i = 0; i < record.size(); ++i)
        record[i] = {loadBE32(in + 8 * i), loadBE32(in + 8 * i + 4)};
    return record;
}

void ForkData::encode(uint8_t* out) const
{
    storeBE64(out, logicalSize);
    storeBE32(out + 8, clumpSize);
    storeBE32(out + 12, totalBlocks);
    encodeExtentRecord(extents, out + 16);
}

ForkData ForkData::decode(const uint8_t* in)
{
    ForkData fork;
    fork.logicalSize = loadBE64(in);
    fork.clumpSize = loadBE32(in + 8);
    fork.totalBlocks = loadBE32(in + 12);
    fork.extents = decodeExtentRecord(in + 16);
    return fork;
}

} // namespace vorlap::diskimage::hfsplus
