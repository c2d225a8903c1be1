#pragma once
// Builds a whole B-tree file bottom-up from its leaf records, already sorted: header
// node, leaves, index levels up to one root, map nodes when the header's map record
// is too small, every unused node zero (TN1150 "B-Trees").
#include <cstdint>
#include <vector>

namespace vorlap::diskimage::hfsplus {

struct BTreeShape {
    uint16_t nodeSize = 4096;
    uint16_t maxKeyLength = 0;
    uint32_t attributes = 0;
    uint8_t keyCompareType = 0;
    // The fork grows in whole allocation blocks: the node count is rounded up to a
    // multiple of this.
    uint32_t nodesPerBlockMultiple = 1;
};

// A leaf record: key (starting with its 2-byte key length) followed by the data.
struct LeafRecord {
    std::vector<uint8_t> bytes;
};

struct BuiltBTree {
    std::vector<uint8_t> bytes; // totalNodes * nodeSize
    uint32_t totalNodes = 0;
};

// `records` must be in key order with no duplicates. `clumpSize` goes into the header
// record as it is. The tree has at least one node (the header) even when empty.
BuiltBTree buildBTree(const BTreeShape& shape, const std::vector<LeafRecord>& records, uint32_t clumpSize);

// How many nodes buildBTree will produce, without building it.
uint32_t countBTreeNodes(const BTreeShape& shape, const std::vector<LeafRecord>& records);

} // namespace vorlap::diskimage::hfsplus
