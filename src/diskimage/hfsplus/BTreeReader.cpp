#include "diskimage/hfsplus/BTreeReader.h"

#include <cstring>
#include <unordered_set>

namespace vorlap::diskimage::hfsplus {

namespace {

constexpr size_t smallestNode = 512;

Result<BTreeHeaderRecord> readHeader(uint64_t fileSize, const TreeFileRead& read, std::vector<uint8_t>& node,
                                     const std::string& damaged)
{
    if (fileSize < smallestNode)
        return fail(ErrorCode::corrupt, damaged + "it is too small for a header node");
    // The header record says how big a node is; read it from the first 512 bytes.
    node.resize(smallestNode);
    VORLAP_TRY(read(0, node.data(), smallestNode));
    const BTreeHeaderRecord probe = BTreeHeaderRecord::decode(node.data() + nodeDescriptorSize);
    const size_t nodeSize = probe.nodeSize;
    if (nodeSize < smallestNode || nodeSize > 32768 || (nodeSize & (nodeSize - 1)) != 0 || nodeSize > fileSize)
        return fail(ErrorCode::corrupt, damaged + "invalid node size " + std::to_string(nodeSize));
    node.resize(nodeSize);
    VORLAP_TRY(read(0, node.data(), nodeSize));
    auto headerNode = NodeView::parse(node.data(), nodeSize);
    if (!headerNode)
        return failWithin(damaged, headerNode.error());
    if (headerNode->descriptor().kind != NodeKind::Header || headerNode->recordCount() < 1
        || headerNode->record(0).size < headerRecordSize)
        return fail(ErrorCode::corrupt, damaged + "node 0 is not a header node");
    const BTreeHeaderRecord header = BTreeHeaderRecord::decode(headerNode->record(0).data);
    // The fork's size is only a claim; the header's node count must agree with it, so a
    // fork claiming gigabytes around a tree of a few nodes is refused as damaged.
    if (header.nodeSize != nodeSize || uint64_t{header.totalNodes} * nodeSize != fileSize)
        return fail(ErrorCode::corrupt, damaged + "the file is " + std::to_string(fileSize) + " bytes, but its header counts "
                    + std::to_string(header.totalNodes) + " nodes of " + std::to_string(nodeSize) + " bytes");
    return header;
}

} // namespace

Result<BTreeHeaderRecord> forEachLeafRecord(uint64_t fileSize, const TreeFileRead& read, const std::string& treeName,
                                            const std::function<Result<void>(RecordSpan)>& visit)
{
    const std::string damaged = "the " + treeName + " is damaged: ";
    std::vector<uint8_t> node;
    VORLAP_TRY_LET(header, readHeader(fileSize, read, node, damaged));
    const size_t nodeSize = header.nodeSize;

    std::unordered_set<uint32_t> visited;
    uint32_t current = header.firstLeafNode;
    uint32_t previous = 0;
    if (header.leafRecords == 0 && header.treeDepth == 0)
        current = 0; // an empty tree
    while (current != 0) {
        if (current >= header.totalNodes)
            return fail(ErrorCode::corrupt, damaged + "a node link points past the end of the tree");
        if (!visited.insert(current).second)
            return fail(ErrorCode::corrupt, damaged + "the leaf nodes link into a cycle");
        VORLAP_TRY(read(uint64_t{current} * nodeSize, node.data(), nodeSize));
        auto view = NodeView::parse(node.data(), nodeSize);
        if (!view)
            return failWithin(damaged, view.error());
        if (view->descriptor().kind != NodeKind::Leaf)
            return fail(ErrorCode::corrupt, damaged + "the leaf chain reaches a node that is not a leaf");
        if (view->descriptor().bLink != previous)
            return fail(ErrorCode::corrupt, damaged + "a leaf node's backward link is wrong");
        for (uint16_t r = 0; r < view->recordCount(); ++r) {
            if (auto visitedRecord = visit(view->record(r)); !visitedRecord)
                return failWithin(damaged, visitedRecord.error());
        }
        previous = current;
        current = view->descriptor().fLink;
    }
    return header;
}

Result<BTreeHeaderRecord> forEachLeafRecord(const std::vector<uint8_t>& file, const std::string& treeName,
                                            const std::function<Result<void>(RecordSpan)>& visit)
{
    const TreeFileRead read = [&](uint64_t offset, uint8_t* out, size_t length) -> Result<void> {
        if (offset > file.size() || length > file.size() - offset)
            return fail(ErrorCode::corrupt, "the " + treeName + " is damaged: a read leaves the file");
        std::memcpy(out, file.data() + offset, length);
        return {};
    };
    return forEachLeafRecord(file.size(), read, treeName, visit);
}

} // namespace vorlap::diskimage::hfsplus
