// Trees built alone, checked by the structural checker: empty, one leaf, several
// levels, and enough nodes to need map nodes beyond the header's map record.
#include "HfsTestSupport.h"

#include "common/BigEndian.h"
#include "diskimage/hfsplus/BTreeNode.h"
#include "diskimage/hfsplus/BTreeReader.h"
#include "diskimage/hfsplus/BTreeWriter.h"

#include <gtest/gtest.h>

using namespace vorlap::bigendian;
using namespace vorlap::diskimage::hfsplus;
using namespace vorlap::test::hfs;

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

} // namespace

TEST(HfsBTreeWriter, BuildsConsistentTreesOfEverySize)
{
    // 512-byte nodes: the header's map covers 2048 nodes, each map node 3936 more, so
    // 120000 records need two map nodes.
    BTreeShape shape;
    shape.nodeSize = 512;
    shape.maxKeyLength = 4;
    shape.attributes = bigKeysAttribute | variableIndexKeysAttribute;
    shape.nodesPerBlockMultiple = 8;
    for (uint32_t count : {0u, 1u, 12u, 400u, 120000u}) {
        SCOPED_TRACE(count);
        const auto records = numberedRecords(count);
        const BuiltBTree tree = buildBTree(shape, records, 4096);
        EXPECT_EQ(tree.totalNodes % shape.nodesPerBlockMultiple, 0u);
        EXPECT_EQ(countBTreeNodes(shape, records), tree.totalNodes);
        const BTreeCheck check = checkBTreeStructure(tree.bytes, shape.maxKeyLength, shape.attributes, 4096);
        EXPECT_EQ(check.problems, std::vector<std::string>{});
        EXPECT_EQ(check.leafRecords, count);

        uint32_t seen = 0;
        auto header = forEachLeafRecord(tree.bytes, "test tree", [&](RecordSpan span) -> vorlap::diskimage::Result<void> {
            EXPECT_EQ(loadBE32(span.data + 2), seen++);
            return {};
        });
        ASSERT_TRUE(header.has_value()) << header.error().message;
        EXPECT_EQ(seen, count);
    }
}
