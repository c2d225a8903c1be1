#include "diskimage/hfsplus/ExtentsOverflow.h"

#include "common/BigEndian.h"

namespace vorlap::diskimage::hfsplus {

BTreeShape extentsTreeShape(uint32_t blockSize)
{
    BTreeShape shape;
    shape.nodeSize = 4096;
    shape.maxKeyLength = extentsKeyLength;
    shape.attributes = bigKeysAttribute;
    shape.keyCompareType = 0;
    shape.nodesPerBlockMultiple = blockSize > 4096 ? blockSize / 4096 : 1;
    return shape;
}

std::vector<uint8_t> encodeExtentLeaf(const ExtentKey& key, const ExtentRecord& record)
{
    std::vector<uint8_t> out(2 + extentsKeyLength + extentRecordSize, 0);
    storeBE16(out.data(), extentsKeyLength);
    out[2] = key.forkType;
    storeBE32(out.data() + 4, key.fileId);
    storeBE32(out.data() + 8, key.startBlock);
    encodeExtentRecord(record, out.data() + 12);
    return out;
}

Result<std::pair<ExtentKey, ExtentRecord>> decodeExtentLeaf(RecordSpan span)
{
    if (span.size < 2 + extentsKeyLength + extentRecordSize || loadBE16(span.data) != extentsKeyLength)
        return fail(ErrorCode::corrupt, "an extents overflow record has an invalid length");
    ExtentKey key{span.data[2], loadBE32(span.data + 4), loadBE32(span.data + 8)};
    return std::make_pair(key, decodeExtentRecord(span.data + 12));
}

void ExtentOverflowIndex::add(const ExtentKey& key, const ExtentRecord& record)
{
    m_forks[{key.fileId, key.forkType}][key.startBlock] = record;
}

const std::map<uint32_t, ExtentRecord>* ExtentOverflowIndex::find(uint32_t fileId, uint8_t forkType) const
{
    const auto it = m_forks.find({fileId, forkType});
    return it == m_forks.end() ? nullptr : &it->second;
}

} // namespace vorlap::diskimage::hfsplus
