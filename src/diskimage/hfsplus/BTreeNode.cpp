#include "diskimage/hfsplus/BTreeNode.h"

#include "common/BigEndian.h"

#include <cstring>

namespace vorlap::diskimage::hfsplus {

void BTreeHeaderRecord::encode(uint8_t* p) const
{
    std::memset(p, 0, headerRecordSize);
    storeBE16(p + 0, treeDepth);
    storeBE32(p + 2, rootNode);
    storeBE32(p + 6, leafRecords);
    storeBE32(p + 10, firstLeafNode);
    storeBE32(p + 14, lastLeafNode);
    storeBE16(p + 18, nodeSize);
    storeBE16(p + 20, maxKeyLength);
    storeBE32(p + 22, totalNodes);
    storeBE32(p + 26, freeNodes);
    storeBE32(p + 32, clumpSize);
    p[36] = btreeType;
    p[37] = keyCompareType;
    storeBE32(p + 38, attributes);
}

BTreeHeaderRecord BTreeHeaderRecord::decode(const uint8_t* p)
{
    BTreeHeaderRecord h;
    h.treeDepth = loadBE16(p + 0);
    h.rootNode = loadBE32(p + 2);
    h.leafRecords = loadBE32(p + 6);
    h.firstLeafNode = loadBE32(p + 10);
    h.lastLeafNode = loadBE32(p + 14);
    h.nodeSize = loadBE16(p + 18);
    h.maxKeyLength = loadBE16(p + 20);
    h.totalNodes = loadBE32(p + 22);
    h.freeNodes = loadBE32(p + 26);
    h.clumpSize = loadBE32(p + 32);
    h.btreeType = p[36];
    h.keyCompareType = p[37];
    h.attributes = loadBE32(p + 38);
    return h;
}

Result<NodeView> NodeView::parse(const uint8_t* node, size_t nodeSize)
{
    NodeView view;
    view.m_node = node;
    view.m_nodeSize = nodeSize;
    NodeDescriptor& d = view.m_descriptor;
    d.fLink = loadBE32(node);
    d.bLink = loadBE32(node + 4);
    d.kind = static_cast<NodeKind>(static_cast<int8_t>(node[8]));
    d.height = node[9];
    d.numRecords = loadBE16(node + 10);
    if (d.kind != NodeKind::Leaf && d.kind != NodeKind::Index && d.kind != NodeKind::Header && d.kind != NodeKind::Map)
        return fail(ErrorCode::corrupt, "a B-tree node has an unknown kind");
    const size_t tableSize = 2 * (size_t{d.numRecords} + 1);
    if (tableSize > nodeSize - nodeDescriptorSize)
        return fail(ErrorCode::corrupt, "a B-tree node claims more records than it can hold");
    const size_t tableStart = nodeSize - tableSize;
    size_t previous = 0;
    for (size_t i = 0; i <= d.numRecords; ++i) {
        const size_t offset = loadBE16(node + nodeSize - 2 * (i + 1));
        if (offset < nodeDescriptorSize || offset > tableStart || (i > 0 && offset <= previous))
            return fail(ErrorCode::corrupt, "a B-tree node has a damaged record offset table");
        previous = offset;
    }
    return view;
}

RecordSpan NodeView::record(uint16_t index) const
{
    const size_t start = loadBE16(m_node + m_nodeSize - 2 * (size_t{index} + 1));
    const size_t end = loadBE16(m_node + m_nodeSize - 2 * (size_t{index} + 2));
    return {m_node + start, end - start};
}

NodeBuilder::NodeBuilder(uint8_t* node, size_t nodeSize, NodeKind kind, uint8_t height)
    : m_node(node), m_nodeSize(nodeSize), m_kind(kind), m_height(height)
{
    std::memset(node, 0, nodeSize);
}

bool NodeBuilder::fits(size_t recordSize) const
{
    return m_used + recordSize + 2 * (m_offsets.size() + 2) <= m_nodeSize;
}

void NodeBuilder::append(const uint8_t* record, size_t size)
{
    m_offsets.push_back(static_cast<uint16_t>(m_used));
    std::memcpy(m_node + m_used, record, size);
    m_used += size;
}

void NodeBuilder::finish(uint32_t fLink, uint32_t bLink)
{
    storeBE32(m_node, fLink);
    storeBE32(m_node + 4, bLink);
    m_node[8] = static_cast<uint8_t>(static_cast<int8_t>(m_kind));
    m_node[9] = m_height;
    storeBE16(m_node + 10, static_cast<uint16_t>(m_offsets.size()));
    for (size_t i = 0; i < m_offsets.size(); ++i)
        storeBE16(m_node + m_nodeSize - 2 * (i + 1), m_offsets[i]);
    storeBE16(m_node + m_nodeSize - 2 * (m_offsets.size() + 1), static_cast<uint16_t>(m_used));
}

} // namespace vorlap::diskimage::hfsplus
