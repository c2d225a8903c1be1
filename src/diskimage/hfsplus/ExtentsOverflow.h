#pragma once
// The extents overflow file: extent records of forks with more than eight extents,
// keyed by file ID, fork type and the fork-relative block where the record starts
// (TN1150 "Extents Overflow File").
#include "diskimage/DiskImageError.h"
#include "diskimage/hfsplus/BTreeNode.h"
#include "diskimage/hfsplus/BTreeWriter.h"
#include "diskimage/hfsplus/ForkData.h"

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace vorlap::diskimage::hfsplus {

constexpr uint16_t extentsKeyLength = 10;
constexpr uint8_t dataForkType = 0x00;
constexpr uint8_t resourceForkType = 0xFF;

struct ExtentKey {
    uint8_t forkType = dataForkType;
    uint32_t fileId = 0;
    uint32_t startBlock = 0;
};

// The fixed shape of an extents overflow tree: 4096-byte nodes, 10-byte keys, BigKeys.
BTreeShape extentsTreeShape(uint32_t blockSize);

std::vector<uint8_t> encodeExtentLeaf(const ExtentKey& key, const ExtentRecord& record);
Result<std::pair<ExtentKey, ExtentRecord>> decodeExtentLeaf(RecordSpan span);

// The records of one volume's extents overflow file, looked up per fork.
class ExtentOverflowIndex {
public:
    void add(const ExtentKey& key, const ExtentRecord& record);
    // The records of one fork, ordered by their start block.
    const std::map<uint32_t, ExtentRecord>* find(uint32_t fileId, uint8_t forkType) const;

private:
    std::map<std::pair<uint32_t, uint8_t>, std::map<uint32_t, ExtentRecord>> m_forks;
};

} // namespace vorlap::diskimage::hfsplus
