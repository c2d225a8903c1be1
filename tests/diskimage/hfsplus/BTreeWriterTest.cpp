#include "HfsTestSupport.h"

#include "common/BigEndian.h"
#include "diskimage/hfsplus/BTreeNode.h"
#include "diskimage/hfsplus/BTreeReader.h"
#include "diskimage/hfsplus/BTreeWriter.h"

#include <gtest/gtest.h>

using namespace vorlap::bigendian;
using namespace vorlap::diskimage;
using namespace vorlap::diskimage::hfsplus;

namespace {

// Records with a 4-byte big-endian key, keyed 0..count-1, variable data sizes.
std::vector<LeafRecord> numberedRecords(uint32_t count)
{
    std::vector<LeafRecord> records(count);
    for (uint32_t i = 0; i < count; ++i) {
        auto& bytes = records[i].bytes;
        bytes.assign(6 + (i % 7) * 6, static_cast<uint8_t>(i));
        storeBE16(bytes.data(), 4);
        storeBE32(bytes.data() + 2, i);
    }
    return records;
}

// Walks every level from the root: sibling links, heights, index keys equal to the
// child's first key, map bits equal to the nodes reached, unused nodes zero.
void expectConsistentTree(const BuiltBTree& tree, const BTreeShape& shape, uint32_t recordCount)
{
    const size_t nodeSize = shape.nodeSize;
    ASSERT_EQ(tree.bytes.size(), size_t{tree.totalNodes} * nodeSize);
    ASSERT_EQ(tree.totalNodes % shape.nodesPerBlockMultiple, 0u);
    const BTreeHeaderRecord h = BTreeHeaderRecord::decode(tree.bytes.data() + 14);
    EXPECT_EQ(h.totalNodes, tree.totalNodes);
    EXPECT_EQ(h.leafRecords, recordCount);

    std::vector<bool> reached(tree.totalNodes, false);
    reached[0] = true;
    std::vector<uint8_t> map;
    auto header = NodeView::parse(tree.bytes.data(), nodeSize);
    ASSERT_TRUE(header.has_value());
    map.assign(header->record(2).data, header->record(2).data + header->record(2).size);
    for (uint32_t m = header->descriptor().fLink; m != 0;) {
        reached[m] = true;
        auto node = NodeView::parse(tree.bytes.data() + size_t{m} * nodeSize, nodeSize);
        ASSERT_TRUE(node.has_value());
        ASSERT_EQ(node->descriptor().kind, NodeKind::Map);
        map.insert(map.end(), node->record(0).data, node->record(0).data + node->record(0).size);
        m = node->descriptor().fLink;
    }

    std::vector<uint32_t> level = h.rootNode ? std::vector<uint32_t>{h.rootNode} : std::vector<uint32_t>{};
    std::vector<uint32_t> expectedFirstKey = {0};
    uint32_t nextLeafKey = 0;
    for (int height = h.treeDepth; height >= 1; --height) {
        std::vector<uint32_t> next, nextKeys;
        for (size_t i = 0; i < level.size(); ++i) {
            reached[level[i]] = true;
            auto node = NodeView::parse(tree.bytes.data() + size_t{level[i]} * nodeSize, nodeSize);
            ASSERT_TRUE(node.has_value());
            const auto& d = node->descriptor();
            EXPECT_EQ(d.height, height);
            EXPECT_EQ(d.kind, height == 1 ? NodeKind::Leaf : NodeKind::Index);
            EXPECT_EQ(d.bLink, i > 0 ? level[i - 1] : 0u);
            EXPECT_EQ(d.fLink, i + 1 < level.size() ? level[i + 1] : 0u);
            EXPECT_EQ(loadBE32(node->record(0).data + 2), expectedFirstKey[i]);
            for (uint16_t r = 0; r < d.numRecords; ++r) {
                const RecordSpan rec = node->record(r);
                const uint32_t key = loadBE32(rec.data + 2);
                if (height == 1) {
                    EXPECT_EQ(key, nextLeafKey++);
                } else {
                    next.push_back(loadBE32(rec.data + 6));
                    nextKeys.push_back(key);
                }
            }
        }
        level = next;
        expectedFirstKey = nextKeys;
    }
    EXPECT_EQ(nextLeafKey, recordCount);
    uint32_t used = 0;
    for (uint32_t n = 0; n < tree.totalNodes; ++n) {
        const bool bit = map[n / 8] & (0x80 >> (n % 8));
        EXPECT_EQ(bit, reached[n]) << "node " << n;
        used += reached[n];
        if (!reached[n]) {
            const uint8_t* p = tree.bytes.data() + size_t{n} * nodeSize;
            EXPECT_TRUE(std::all_of(p, p + nodeSize, [](uint8_t b) { return b == 0; })) << "node " << n;
        }
    }
    EXPECT_EQ(h.freeNodes, tree.totalNodes - used);
}

} // namespace

TEST(HfsBTreeWriter, BuildsEmptySingleLeafAndMultiLevelTrees)
{
    BTreeShape shape;
    shape.nodeSize = 512;
    shape.maxKeyLength = 4;
    shape.attributes = bigKeysAttribute | variableIndexKeysAttribute;
    shape.nodesPerBlockMultiple = 8;
    for (uint32_t count : {0u, 1u, 12u, 400u}) {
        SCOPED_TRACE(count);
        const auto records = numberedRecords(count);
        const BuiltBTree tree = buildBTree(shape, records, 4096);
        expectConsistentTree(tree, shape, count);
        EXPECT_EQ(countBTreeNodes(shape, records), tree.totalNodes);
    }
}

TEST(HfsBTreeWriter, AddsMapNodesBeyondTheHeaderMapAndReadsBack)
{
    // 512-byte nodes: the header's map covers 2048 nodes, and each map node 3936 more: 120000 records need two map nodes.
    BTreeShape shape;
    shape.nodeSize = 512;
    shape.maxKeyLength = 4;
    shape.attributes = bigKeysAttribute | variableIndexKeysAttribute;
    const auto records = numberedRecords(120000);
    const BuiltBTree tree = buildBTree(shape, records, 4096);
    ASSERT_GT(tree.totalNodes, 2048u + 3936u);
    expectConsistentTree(tree, shape, 120000);

    uint32_t seen = 0;
    auto header = forEachLeafRecord(tree.bytes, "test tree", [&](RecordSpan span) -> vorlap::diskimage::Result<void> {
        EXPECT_EQ(loadBE32(span.data + 2), seen++);
        return {};
    });
    ASSERT_TRUE(header.has_value()) << header.error().message;
    EXPECT_EQ(seen, 120000u);
}
