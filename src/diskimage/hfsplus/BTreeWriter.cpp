#include "diskimage/hfsplus/BTreeWriter.h"

#include "common/BigEndian.h"
#include "diskimage/hfsplus/BTreeNode.h"

#include <cstring>

namespace vorlap::diskimage::hfsplus {

namespace {

struct Layout {
    // For every level, bottom (leaves) first: the record ranges of each node.
    std::vector<std::vector<size_t>> levelNodeStarts; // index of the first record of each node
    std::vector<std::vector<std::vector<uint8_t>>> levelRecords; // index levels only (level 0 unused)
    uint32_t usedNodes = 0; // header + leaves + index nodes, without map nodes
    uint32_t mapNodes = 0;
    uint32_t totalNodes = 0;
};

size_t recordCost(size_t size) { return size + 2; }

// Splits records of the given sizes into nodes greedily; returns the start of each node.
template <class SizeOf>
std::vector<size_t> packNodes(size_t count, size_t nodeSize, SizeOf sizeOf)
{
    std::vector<size_t> starts;
    size_t used = nodeSize; // force a new node at the first record
    for (size_t i = 0; i < count; ++i) {
        const size_t cost = recordCost(sizeOf(i));
        if (used + cost + 2 > nodeSize) {
            starts.push_back(i);
            used = nodeDescriptorSize;
        }
        used += cost;
    }
    return starts;
}

std::vector<uint8_t> indexRecordFor(const std::vector<uint8_t>& firstRecordOfChild, const BTreeShape& shape,
                                    uint32_t child)
{
    const size_t keyLength = loadBE16(firstRecordOfChild.data());
    std::vector<uint8_t> record;
    if (shape.attributes & variableIndexKeysAttribute) {
        record.assign(firstRecordOfChild.begin(), firstRecordOfChild.begin() + 2 + static_cast<long>(keyLength));
    } else {
        record.assign(2 + shape.maxKeyLength, 0);
        std::memcpy(record.data(), firstRecordOfChild.data(), 2 + keyLength);
        storeBE16(record.data(), shape.maxKeyLength);
    }
    const size_t at = record.size();
    record.resize(at + 4);
    storeBE32(record.data() + at, child);
    return record;
}

uint32_t mapNodesNeeded(uint32_t totalNodes, uint16_t nodeSize)
{
    const uint64_t headerBits = uint64_t{nodeSize - 256u} * 8;
    if (totalNodes <= headerBits)
        return 0;
    const uint64_t perMapNode = uint64_t{nodeSize - 20u} * 8;
    return static_cast<uint32_t>((totalNodes - headerBits + perMapNode - 1) / perMapNode);
}

Layout planLayout(const BTreeShape& shape, const std::vector<LeafRecord>& records)
{
    Layout layout;
    layout.levelNodeStarts.push_back(
        packNodes(records.size(), shape.nodeSize, [&](size_t i) { return records[i].bytes.size(); }));
    layout.levelRecords.emplace_back();
    uint32_t nextNode = 1 + static_cast<uint32_t>(layout.levelNodeStarts[0].size());
    // Index levels until a level has a single node.
    while (layout.levelNodeStarts.back().size() > 1) {
        const size_t level = layout.levelNodeStarts.size() - 1;
        const auto& starts = layout.levelNodeStarts[level];
        const uint32_t firstNodeOfLevel = nextNode - static_cast<uint32_t>(starts.size());
        std::vector<std::vector<uint8_t>> indexRecords;
        indexRecords.reserve(starts.size());
        for (size_t n = 0; n < starts.size(); ++n) {
            const std::vector<uint8_t>& first =
                level == 0 ? records[starts[n]].bytes : layout.levelRecords[level][starts[n]];
            indexRecords.push_back(indexRecordFor(first, shape, firstNodeOfLevel + static_cast<uint32_t>(n)));
        }
        auto upper = packNodes(indexRecords.size(), shape.nodeSize, [&](size_t i) { return indexRecords[i].size(); });
        nextNode += static_cast<uint32_t>(upper.size());
        layout.levelNodeStarts.push_back(std::move(upper));
        layout.levelRecords.push_back(std::move(indexRecords));
    }
    layout.usedNodes = nextNode;
    uint32_t total = layout.usedNodes;
    for (;;) {
        const uint32_t maps = mapNodesNeeded(total, shape.nodeSize);
        uint32_t candidate = layout.usedNodes + maps;
        const uint32_t multiple = shape.nodesPerBlockMultiple ? shape.nodesPerBlockMultiple : 1;
        candidate = (candidate + multiple - 1) / multiple * multiple;
        if (candidate == total && maps == layout.mapNodes)
            break;
        layout.mapNodes = maps;
        total = candidate;
    }
    layout.totalNodes = total;
    return layout;
}

} // namespace

uint32_t countBTreeNodes(const BTreeShape& shape, const std::vector<LeafRecord>& records)
{
    return planLayout(shape, records).totalNodes;
}

namespace {

// Leaves and index levels from node 1 on, each level chained left to right.
void writeRecordLevels(BuiltBTree& tree, const Layout& layout, const std::vector<LeafRecord>& records, size_t nodeSize)
{
    uint32_t firstNodeOfLevel = 1;
    const size_t levels = records.empty() ? 0 : layout.levelNodeStarts.size();
    for (size_t level = 0; level < levels; ++level) {
        const auto& starts = layout.levelNodeStarts[level];
        const size_t recordCount = level == 0 ? records.size() : layout.levelRecords[level].size();
        for (size_t n = 0; n < starts.size(); ++n) {
            const uint32_t node = firstNodeOfLevel + static_cast<uint32_t>(n);
            NodeBuilder builder(tree.bytes.data() + size_t{node} * nodeSize, nodeSize,
                                level == 0 ? NodeKind::Leaf : NodeKind::Index, static_cast<uint8_t>(level + 1));
            const size_t end = n + 1 < starts.size() ? starts[n + 1] : recordCount;
            for (size_t r = starts[n]; r < end; ++r) {
                const auto& bytes = level == 0 ? records[r].bytes : layout.levelRecords[level][r];
                builder.append(bytes.data(), bytes.size());
            }
            const uint32_t fLink = n + 1 < starts.size() ? node + 1 : 0;
            const uint32_t bLink = n > 0 ? node - 1 : 0;
            builder.finish(fLink, bLink);
        }
        firstNodeOfLevel += static_cast<uint32_t>(starts.size());
    }
}

BTreeHeaderRecord headerRecordFor(const BTreeShape& shape, const Layout& layout, size_t leafRecords, uint32_t clumpSize)
{
    BTreeHeaderRecord header;
    header.nodeSize = shape.nodeSize;
    header.maxKeyLength = shape.maxKeyLength;
    header.totalNodes = layout.totalNodes;
    header.freeNodes = layout.totalNodes - layout.usedNodes - layout.mapNodes;
    header.clumpSize = clumpSize;
    header.keyCompareType = shape.keyCompareType;
    header.attributes = shape.attributes;
    if (leafRecords > 0) {
        header.treeDepth = static_cast<uint16_t>(layout.levelNodeStarts.size());
        header.rootNode = layout.usedNodes - 1;
        header.leafRecords = static_cast<uint32_t>(leafRecords);
        header.firstLeafNode = 1;
        header.lastLeafNode = static_cast<uint32_t>(layout.levelNodeStarts[0].size());
    }
    return header;
}

// Node 0 and the map nodes after the used ones; the node allocation map they hold marks
// nodes 0 .. used-1 in use (all of them, map nodes included).
void writeHeaderAndMapNodes(BuiltBTree& tree, const Layout& layout, const BTreeHeaderRecord& header, size_t nodeSize)
{
    auto nodeAt = [&](uint32_t n) { return tree.bytes.data() + size_t{n} * nodeSize; };
    const uint32_t firstMapNode = layout.usedNodes;
    {
        NodeBuilder builder(nodeAt(0), nodeSize, NodeKind::Header, 0);
        uint8_t headerBytes[headerRecordSize];
        header.encode(headerBytes);
        builder.append(headerBytes, headerRecordSize);
        std::vector<uint8_t> zeros(nodeSize - 256, 0);
        builder.append(zeros.data(), 128);
        builder.append(zeros.data(), nodeSize - 256);
        builder.finish(layout.mapNodes ? firstMapNode : 0, 0);
    }
    for (uint32_t m = 0; m < layout.mapNodes; ++m) {
        NodeBuilder builder(nodeAt(firstMapNode + m), nodeSize, NodeKind::Map, 0);
        std::vector<uint8_t> zeros(nodeSize - 20, 0);
        builder.append(zeros.data(), zeros.size());
        builder.finish(m + 1 < layout.mapNodes ? firstMapNode + m + 1 : 0, 0);
    }

    const uint32_t usedTotal = layout.usedNodes + layout.mapNodes;
    auto markUsed = [&](uint8_t* bits, uint64_t firstBit, uint64_t bitCount) {
        for (uint64_t b = 0; b < bitCount; ++b) {
            const uint64_t node = firstBit + b;
            if (node >= usedTotal)
                return;
            bits[b / 8] |= static_cast<uint8_t>(0x80u >> (b % 8));
        }
    };
    markUsed(nodeAt(0) + 248, 0, uint64_t{nodeSize - 256} * 8);
    uint64_t covered = uint64_t{nodeSize - 256} * 8;
    for (uint32_t m = 0; m < layout.mapNodes; ++m) {
        markUsed(nodeAt(firstMapNode + m) + nodeDescriptorSize, covered, uint64_t{nodeSize - 20} * 8);
        covered += uint64_t{nodeSize - 20} * 8;
    }
}

} // namespace

BuiltBTree buildBTree(const BTreeShape& shape, const std::vector<LeafRecord>& records, uint32_t clumpSize)
{
    const Layout layout = planLayout(shape, records);
    const size_t nodeSize = shape.nodeSize;
    BuiltBTree tree;
    tree.totalNodes = layout.totalNodes;
    tree.bytes.assign(size_t{layout.totalNodes} * nodeSize, 0);
    writeRecordLevels(tree, layout, records, nodeSize);
    writeHeaderAndMapNodes(tree, layout, headerRecordFor(shape, layout, records.size(), clumpSize), nodeSize);
    return tree;
}

} // namespace vorlap::diskimage::hfsplus
