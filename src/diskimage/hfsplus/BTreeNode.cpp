#include "diskimage/hfsplus/BTreeNode.h"

#include "diskimage/hfsplus/BigEndian.h"

#include <cstring>

namespace vorlap::diskimage::hfsplus {

void BTreeHeaderRecord::encode(uint8_t* p) const
{
    std::memset(p, 0, headerRecordSize);
    writeU16(p + 0, treeDepth);
    writeU32(p + 2, rootNode);
    writeU32(p + 6, leafRecords);
    writeU32(p + 10, firstLeafNode);
    writeU32(p + 14, lastLeafNode);
    writeU16(p + 18, nodeSize);
    writeU16(p + 20, maxKeyLength);
    writeU32(p + 22, totalNodes);
    writeU32(p + 26, freeNodes);
    writeU32(p + 32, clumpSize);
    p[36] = btreeType;
    p[37] = keyCompareType;
    writeU32(p + 38, attributes);
}

BTreeHeaderRecord BTreeHeaderRecord::decode(const uint8_t* p)
{
    BTreeHeaderRecord h;
    h.treeDepth = readU16(p + 0);
    h.rootNode = readU32(p + 2);
    h.leafRecords = readU32(p + 6);
    h.firstLeafNode = readU32(p + 10);
    h.lastLeafNode = readU32(p + 14);
    h.nodeSize = readU16(p + 18);
    h.maxKeyLength = readU16(p + 20);
    h.totalNodes = readU32(p + 22);
    h.freeNodes = readU32(p + 26);
    h.clumpSize = readU32(p + 32);
    h.btreeType = p[36];
    h.keyCompareType = p[37];
    h.attributes = readU32(p + 38);
    return h;
}

Result<NodeView> NodeView::parse(const uint8_t* node, size_t nodeSize)
{
    NodeView view;
    view.m_node = node;
    view.m_nodeSize = nodeSize;
    NodeDescriptor& d = view.m_descriptor;
    d.fLink = readU32(node);
    d.bLink = readU32(node + 4);
    d.kind = static_cast<NodeKind>(static_cast<int8_t>(node[8]));
    d.height = node[9];
    d.numRecords = readU16(node + 10);
    if (d.kind != NodeKind::Leaf && d.kind != NodeKind::Index && d.kind != NodeKind::Header && d.kind != NodeKind::Map)
        return fail("a B-tree node has an unknown kind");
    const size_t tableSize = 2 * (size_t{d.numRecords} + 1);
    if (tableSize > nodeSize - nodeDescriptorSize)
        return fail("a B-tree node claims more records than it can hold");
    const size_t tableStart = nodeSize - tableSize;
    size_t previous = 0;
    for (size_t i = 0; i <= d.numRecords; ++i) {
        const size_t offset = readU16(node + nodeSize - 2 * (i + 1));
        if (offset < nodeDescriptorSize || offset > tableStart || (i > 0 && offset <= previous))
            return fail("a B-tree node has a damaged record offset table");
        previous = offset;
    }
    return view;
}

RecordSpan NodeView::record(uint16_t index) const
{
    const size_t start = readU16(m_node + m_nodeSize - 2 * (size_t{index} + 1));
    const size_t end = readU16(m_node + m_nodeSize - 2 * (size_t{index} + 2));
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
    writeU32(m_node, fLink);
    writeU32(m_node + 4, bLink);
    m_node[8] = static_cast<uint8_t>(static_cast<int8_t>(m_kind));
    m_node[9] = m_height;
    writeU16(m_node + 10, static_cast<uint16_t>(m_offsets.size()));
    for (size_t i = 0; i < m_offsets.size(); ++i)
        writeU16(m_node + m_nodeSize - 2 * (i + 1), m_offsets[i]);
    writeU16(m_node + m_nodeSize - 2 * (m_offsets.size() + 1), static_cast<uint16_t>(m_used));
}

} // namespace vorlap::diskimage::hfsplus
