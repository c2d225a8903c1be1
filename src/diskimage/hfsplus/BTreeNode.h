#pragma once
// B-tree nodes shared by the catalog and extents overflow files (TN1150 "B-Trees"):
// the 14-byte node descriptor, the record offset table at the node's end, and the
// header record of node 0.
#include "diskimage/DiskImageError.h"

#include <cstdint>
#include <vector>

namespace vorlap::diskimage::hfsplus {

constexpr size_t nodeDescriptorSize = 14;
constexpr size_t headerRecordSize = 106;

enum class NodeKind : int8_t { Leaf = -1, Index = 0, Header = 1, Map = 2 };

struct NodeDescriptor {
    uint32_t fLink = 0;
    uint32_t bLink = 0;
    NodeKind kind = NodeKind::Leaf;
    uint8_t height = 0;
    uint16_t numRecords = 0;
};

constexpr uint32_t bigKeysAttribute = 0x2;
constexpr uint32_t variableIndexKeysAttribute = 0x4;

struct BTreeHeaderRecord {
    uint16_t treeDepth = 0;
    uint32_t rootNode = 0;
    uint32_t leafRecords = 0;
    uint32_t firstLeafNode = 0;
    uint32_t lastLeafNode = 0;
    uint16_t nodeSize = 0;
    uint16_t maxKeyLength = 0;
    uint32_t totalNodes = 0;
    uint32_t freeNodes = 0;
    uint32_t clumpSize = 0;
    uint8_t btreeType = 0;
    uint8_t keyCompareType = 0;
    uint32_t attributes = 0;

    void encode(uint8_t* out) const;
    static BTreeHeaderRecord decode(const uint8_t* in);
};

// One record of a node, as a byte range inside the node.
struct RecordSpan {
    const uint8_t* data = nullptr;
    size_t size = 0;
};

// A node read from disk, with its descriptor and offset table checked: every record
// lies between the descriptor and the offset table, in increasing order.
class NodeView {
public:
    static Result<NodeView> parse(const uint8_t* node, size_t nodeSize);

    const NodeDescriptor& descriptor() const { return m_descriptor; }
    uint16_t recordCount() const { return m_descriptor.numRecords; }
    RecordSpan record(uint16_t index) const;

private:
    const uint8_t* m_node = nullptr;
    size_t m_nodeSize = 0;
    NodeDescriptor m_descriptor;
};

// Fills one node with records from the front and offsets from the back.
class NodeBuilder {
public:
    NodeBuilder(uint8_t* node, size_t nodeSize, NodeKind kind, uint8_t height);

    bool fits(size_t recordSize) const;
    void append(const uint8_t* record, size_t size);
    uint16_t recordCount() const { return static_cast<uint16_t>(m_offsets.size()); }
    // Writes the descriptor and the offset table.
    void finish(uint32_t fLink, uint32_t bLink);

private:
    uint8_t* m_node;
    size_t m_nodeSize;
    NodeKind m_kind;
    uint8_t m_height;
    size_t m_used = nodeDescriptorSize;
    std::vector<uint16_t> m_offsets;
};

} // namespace vorlap::diskimage::hfsplus
