#include "diskimage/hfsplus/BTreeReader.h"

namespace vorlap::diskimage::hfsplus {

Result<BTreeHeaderRecord> forEachLeafRecord(const std::vector<uint8_t>& file, const std::string& treeName,
                                            const std::function<Result<void>(RecordSpan)>& visit)
{
    const std::string damaged = "the " + treeName + " is damaged: ";
    if (file.size() < 512)
        return fail(ErrorCode::corrupt, damaged + "it is too small for a header node");
    // The header record says how big a node is; read it from the first 512 bytes.
    const BTreeHeaderRecord probe = BTreeHeaderRecord::decode(file.data() + nodeDescriptorSize);
    const size_t nodeSize = probe.nodeSize;
    if (nodeSize < 512 || nodeSize > 32768 || (nodeSize & (nodeSize - 1)) != 0 || nodeSize > file.size())
        return fail(ErrorCode::corrupt, damaged + "invalid node size " + std::to_string(nodeSize));
    auto headerNode = NodeView::parse(file.data(), nodeSize);
    if (!headerNode)
        return failWithin(damaged, headerNode.error());
    if (headerNode->descriptor().kind != NodeKind::Header || headerNode->recordCount() < 1
        || headerNode->record(0).size < headerRecordSize)
        return fail(ErrorCode::corrupt, damaged + "node 0 is not a header node");
    const BTreeHeaderRecord header = BTreeHeaderRecord::decode(headerNode->record(0).data);
    const uint64_t nodeCount = file.size() / nodeSize;

    std::vector<bool> visited(nodeCount, false);
    uint32_t node = header.firstLeafNode;
    uint32_t previous = 0;
    if (header.leafRecords == 0 && header.treeDepth == 0)
        node = 0; // an empty tree
    while (node != 0) {
        if (node >= nodeCount)
            return fail(ErrorCode::corrupt, damaged + "a node link points past the end of the tree");
        if (visited[node])
            return fail(ErrorCode::corrupt, damaged + "the leaf nodes link into a cycle");
        visited[node] = true;
        auto view = NodeView::parse(file.data() + size_t{node} * nodeSize, nodeSize);
        if (!view)
            return failWithin(damaged, view.error());
        if (view->descriptor().kind != NodeKind::Leaf)
            return fail(ErrorCode::corrupt, damaged + "the leaf chain reaches a node that is not a leaf");
        if (view->descriptor().bLink != previous)
            return fail(ErrorCode::corrupt, damaged + "a leaf node's backward link is wrong");
        for (uint16_t r = 0; r < view->recordCount(); ++r) {
            if (auto visited = visit(view->record(r)); !visited)
                return failWithin(damaged, visited.error());
        }
        previous = node;
        node = view->descriptor().fLink;
    }
    return header;
}

} // namespace vorlap::diskimage::hfsplus
