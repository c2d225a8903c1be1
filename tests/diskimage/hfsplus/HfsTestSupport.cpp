// The structural checker decodes with our own decoders; see HfsTestSupport.h for what
// that leaves to the independent readers.
#include "HfsTestSupport.h"

#include "common/BigEndian.h"
#include "diskimage/hfsplus/AllocationBitmap.h"
#include "diskimage/hfsplus/BTreeNode.h"
#include "diskimage/hfsplus/CatalogRecords.h"
#include "diskimage/hfsplus/VolumeHeader.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlap::test::hfs {

using namespace vorlap::bigendian;
using namespace vorlap::diskimage;
using namespace vorlap::diskimage::hfsplus;

void writeFile(const std::string& path, const std::string& content, unsigned mode)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();
    if (!out || ::chmod(path.c_str(), mode) != 0)
        throw std::runtime_error("cannot write " + path);
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void makeFolder(const std::string& path, unsigned mode)
{
    if (::mkdir(path.c_str(), mode) != 0 || ::chmod(path.c_str(), mode) != 0)
        throw std::runtime_error("cannot make " + path);
}

void makeSymlink(const std::string& target, const std::string& path)
{
    if (::symlink(target.c_str(), path.c_str()) != 0)
        throw std::runtime_error("cannot link " + path);
}

void setModificationTime(const std::string& path, int64_t seconds)
{
    const timespec times[2] = {{static_cast<time_t>(seconds), 0}, {static_cast<time_t>(seconds), 0}};
    if (::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        throw std::runtime_error("cannot set the time of " + path);
}

std::string patternBytes(size_t size, uint32_t seed)
{
    std::string out(size, '\0');
    uint64_t x = 0x9E3779B97F4A7C15ull ^ seed;
    for (size_t i = 0; i < size; i += 8) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        std::memcpy(out.data() + i, &x, std::min<size_t>(8, size - i));
    }
    return out;
}

namespace {

// A record that says it knows when it was added carries that date (Unix seconds in its
// extended Finder info), equal to its creation date.
constexpr uint16_t dateAddedFlag = 0x0080;

template <class Record>
bool dateAddedConsistent(const Record& record)
{
    if (!(record.flags & dateAddedFlag))
        return true;
    uint32_t added = 0;
    for (size_t i = 0; i < 4; ++i)
        added = (added << 8) | record.finderInfo[20 + i];
    return added != 0 && uint64_t{added} + 2082844800u == record.dates.create;
}

// Keys compared byte by byte, a shorter key first when one is the other's prefix.
int binaryCompare(RecordSpan a, RecordSpan b)
{
    const size_t la = loadBE16(a.data), lb = loadBE16(b.data);
    const int c = std::memcmp(a.data + 2, b.data + 2, std::min(la, lb));
    return c != 0 ? c : (la < lb ? -1 : la > lb ? 1 : 0);
}

struct Checker {
    std::vector<uint8_t> image;
    VolumeHeader header;
    std::vector<std::string> problems;

    void problem(const std::string& text) { problems.push_back(text); }

    // The bytes of a fork that we write contiguously.
    std::vector<uint8_t> forkBytes(const ForkData& fork, const std::string& name)
    {
        uint64_t blocks = 0;
        std::vector<uint8_t> bytes;
        for (const ExtentDescriptor& e : fork.extents) {
            if (e.blockCount == 0)
                break;
            const uint64_t start = uint64_t{e.startBlock} * header.blockSize;
            const uint64_t length = uint64_t{e.blockCount} * header.blockSize;
            if (e.startBlock == 0 || start + length > image.size()) {
                problem(name + ": extent outside the volume");
                return {};
            }
            bytes.insert(bytes.end(), image.begin() + static_cast<long>(start),
                         image.begin() + static_cast<long>(start + length));
            blocks += e.blockCount;
        }
        if (blocks != fork.totalBlocks)
            problem(name + ": totalBlocks differs from the extents");
        if (fork.logicalSize > bytes.size())
            problem(name + ": logical size larger than its blocks");
        bytes.resize(std::min<size_t>(bytes.size(), fork.logicalSize));
        return bytes;
    }

    // Checks one B-tree; returns its leaf records in order.
    std::vector<RecordSpan> checkTree(const std::vector<uint8_t>& file, const std::string& name, uint16_t maxKeyLength,
                                      uint32_t attributes, bool variableIndexKeys,
                                      const std::function<int(RecordSpan, RecordSpan)>& compareKeys)
    {
        std::vector<RecordSpan> leaves;
        auto headerNode = NodeView::parse(file.data(), 512);
        const BTreeHeaderRecord h = BTreeHeaderRecord::decode(file.data() + 14);
        const size_t nodeSize = h.nodeSize;
        if (nodeSize < 512 || file.size() % nodeSize != 0) {
            problem(name + ": bad node size");
            return leaves;
        }
        headerNode = NodeView::parse(file.data(), nodeSize);
        if (!headerNode || headerNode->descriptor().kind != NodeKind::Header || headerNode->recordCount() != 3
            || headerNode->record(0).size != 106 || headerNode->descriptor().height != 0)
            problem(name + ": invalid header node");
        if (h.maxKeyLength != maxKeyLength || h.attributes != attributes)
            problem(name + ": wrong maxKeyLength or attributes");
        if (h.totalNodes != file.size() / nodeSize)
            problem(name + ": totalNodes does not match the fork size");
        if (h.clumpSize == 0 || h.clumpSize % header.blockSize != 0)
            problem(name + ": bad clump size");

        std::set<uint32_t> used = {0};
        // Map nodes.
        std::vector<uint8_t> mapBits(headerNode->record(2).data, headerNode->record(2).data + headerNode->record(2).size);
        for (uint32_t m = headerNode->descriptor().fLink; m != 0;) {
            if (m >= h.totalNodes || used.count(m)) {
                problem(name + ": bad map node chain");
                break;
            }
            used.insert(m);
            auto map = NodeView::parse(file.data() + size_t{m} * nodeSize, nodeSize);
            if (!map || map->descriptor().kind != NodeKind::Map || map->recordCount() != 1) {
                problem(name + ": invalid map node");
                break;
            }
            mapBits.insert(mapBits.end(), map->record(0).data, map->record(0).data + map->record(0).size);
            m = map->descriptor().fLink;
        }
        if (mapBits.size() * 8 < h.totalNodes)
            problem(name + ": the map records do not cover every node");

        // Walk from the root, level by level.
        uint32_t leafRecords = 0, firstLeaf = 0, lastLeaf = 0;
        if (h.rootNode != 0) {
            std::vector<uint32_t> level = {h.rootNode};
            std::vector<std::vector<uint8_t>> expectedFirstKeys = {{}};
            int height = h.treeDepth;
            while (!level.empty() && height >= 1) {
                std::vector<uint32_t> next;
                std::vector<std::vector<uint8_t>> nextKeys;
                for (size_t i = 0; i < level.size(); ++i) {
                    const uint32_t n = level[i];
                    if (n >= h.totalNodes || !used.insert(n).second) {
                        problem(name + ": node reached twice or out of range");
                        return leaves;
                    }
                    auto node = NodeView::parse(file.data() + size_t{n} * nodeSize, nodeSize);
                    if (!node) {
                        problem(name + ": " + node.error().message);
                        return leaves;
                    }
                    const auto& d = node->descriptor();
                    const bool leaf = height == 1;
                    if (d.kind != (leaf ? NodeKind::Leaf : NodeKind::Index) || d.height != height || d.numRecords == 0)
                        problem(name + ": node " + std::to_string(n) + " has the wrong kind or height");
                    if (d.bLink != (i > 0 ? level[i - 1] : 0) || d.fLink != (i + 1 < level.size() ? level[i + 1] : 0))
                        problem(name + ": node " + std::to_string(n) + " has wrong sibling links");
                    const auto& expected = expectedFirstKeys[i];
                    const RecordSpan first = node->record(0);
                    const size_t firstKeyBytes = 2 + loadBE16(first.data);
                    if (!expected.empty()
                        && (expected.size() != firstKeyBytes || std::memcmp(expected.data(), first.data, firstKeyBytes) != 0))
                        problem(name + ": index key differs from its child's first key");
                    for (uint16_t r = 0; r < d.numRecords; ++r) {
                        const RecordSpan rec = node->record(r);
                        const size_t keyBytes = 2 + loadBE16(rec.data);
                        if (keyBytes % 2 != 0 || keyBytes > rec.size)
                            problem(name + ": bad key length");
                        if (leaf) {
                            leaves.push_back(rec);
                        } else {
                            if (!variableIndexKeys && keyBytes != size_t{2} + maxKeyLength)
                                problem(name + ": fixed index key of the wrong size");
                            next.push_back(loadBE32(rec.data + keyBytes));
                            nextKeys.emplace_back(rec.data, rec.data + keyBytes);
                        }
                    }
                    if (leaf) {
                        leafRecords += d.numRecords;
                        if (firstLeaf == 0)
                            firstLeaf = n;
                        lastLeaf = n;
                    }
                }
                level = std::move(next);
                expectedFirstKeys = std::move(nextKeys);
                --height;
            }
            if (!level.empty())
                problem(name + ": tree deeper than its header says");
        }
        if (h.leafRecords != leafRecords || h.firstLeafNode != firstLeaf || h.lastLeafNode != lastLeaf)
            problem(name + ": header record does not match the leaves");
        for (size_t i = 1; i < leaves.size(); ++i)
            if (compareKeys(leaves[i - 1], leaves[i]) >= 0)
                problem(name + ": keys out of order at leaf record " + std::to_string(i));
        if (h.freeNodes != h.totalNodes - used.size())
            problem(name + ": wrong free node count");
        for (uint32_t n = 0; n < h.totalNodes; ++n) {
            const bool bit = (mapBits[n / 8] & (0x80 >> (n % 8))) != 0;
            if (bit != (used.count(n) > 0))
                problem(name + ": map bit of node " + std::to_string(n) + " is wrong");
            if (!used.count(n)) {
                const uint8_t* p = file.data() + size_t{n} * nodeSize;
                if (std::any_of(p, p + nodeSize, [](uint8_t b) { return b != 0; }))
                    problem(name + ": unused node " + std::to_string(n) + " is not erased");
            }
        }
        for (size_t bit = h.totalNodes; bit < mapBits.size() * 8; ++bit)
            if (mapBits[bit / 8] & (0x80 >> (bit % 8)))
                problem(name + ": map bit set past the last node");
        return leaves;
    }

    void run()
    {
        if (image.size() < 4096) {
            problem("image too small");
            return;
        }
        if (std::any_of(image.begin(), image.begin() + 1024, [](uint8_t b) { return b != 0; }))
            problem("boot blocks are not zero");
        auto decoded = VolumeHeader::decode(image.data() + 1024);
        if (!decoded) {
            problem(decoded.error().message);
            return;
        }
        header = *decoded;
        if (std::memcmp(image.data() + 1024, image.data() + image.size() - 1024, 512) != 0)
            problem("alternate volume header differs");
        if (uint64_t{header.totalBlocks} * header.blockSize != image.size())
            problem("volume size differs from the image size");
        if (header.attributes != 0x80000100 || header.lastMountedVersion != 0x31302E30 || header.journalInfoBlock != 0)
            problem("unexpected attributes, last mounted version or journal");
        if (header.nextAllocation >= header.totalBlocks)
            problem("nextAllocation out of range");
        const uint64_t quarter = uint64_t{header.totalBlocks / 4} * header.blockSize;
        for (const ForkData* f : {&header.allocationFile, &header.extentsFile, &header.catalogFile, &header.attributesFile})
            if (f->clumpSize == 0 || f->clumpSize % header.blockSize != 0 || f->clumpSize > quarter)
                problem("special file clump size out of range");
        if (header.dataClumpSize % header.blockSize != 0 || header.dataClumpSize > (1u << 20))
            problem("default clump size out of range");

        // Expected allocation: reserved blocks, special files, every data fork.
        AllocationBitmap expected(header.totalBlocks);
        const uint32_t bs = header.blockSize;
        expected.markUsed(0, (1536 + bs - 1) / bs);
        expected.markUsed(header.totalBlocks - (1024 + bs - 1) / bs, (1024 + bs - 1) / bs);
        auto claim = [&](const ForkData& fork, const std::string& name) {
            for (const ExtentDescriptor& e : fork.extents)
                if (e.blockCount && !expected.markUsed(e.startBlock, e.blockCount))
                    problem(name + ": overlapping or out-of-range extent");
        };
        claim(header.allocationFile, "allocation file");
        claim(header.extentsFile, "extents file");
        claim(header.catalogFile, "catalog file");
        claim(header.attributesFile, "attributes file");

        const auto extents = forkBytes(header.extentsFile, "extents file");
        if (!checkTree(extents, "extents tree", 10, 2, false, binaryCompare).empty())
            problem("extents tree is not empty");
        const auto attributes = forkBytes(header.attributesFile, "attributes file");
        checkTree(attributes, "attributes tree", 266, 6, true, binaryCompare);
        const auto catalog = forkBytes(header.catalogFile, "catalog file");
        auto catalogCompare = [&](RecordSpan a, RecordSpan b) {
            auto ka = decodeCatalogLeaf(a), kb = decodeCatalogLeaf(b);
            if (!ka || !kb) {
                problem("undecodable catalog record");
                return -1;
            }
            return compareCatalogKeys(ka->key, kb->key);
        };
        const auto leaves = checkTree(catalog, "catalog", 516, 6, true, catalogCompare);

        // Catalog contents.
        std::map<uint32_t, uint32_t> valence, parentOf;
        std::map<uint32_t, std::pair<uint32_t, std::u16string>> keys;
        std::map<uint32_t, bool> isFolder;
        std::map<uint32_t, ThreadRecord> threads;
        uint32_t files = 0, folders = 0, maxId = 0;
        for (const RecordSpan& span : leaves) {
            auto entry = decodeCatalogLeaf(span);
            if (!entry)
                continue;
            const size_t dataSize = span.size - 2 - loadBE16(span.data);
            if (const auto* folder = std::get_if<FolderRecord>(&entry->record)) {
                if (dataSize != 88 || (folder->flags & ~dateAddedFlag) != 0 || (folder->bsd.fileMode & S_IFMT) != S_IFDIR
                    || !dateAddedConsistent(*folder))
                    problem("folder record size, flags or mode wrong");
                if (!keys.emplace(folder->folderId, std::make_pair(entry->key.parentId, entry->key.name)).second)
                    problem("duplicate ID");
                isFolder[folder->folderId] = true;
                valence[folder->folderId] += 0;
                if (folder->folderId != 2)
                    ++folders;
                maxId = std::max(maxId, folder->folderId);
            } else if (const auto* file = std::get_if<FileRecord>(&entry->record)) {
                if (dataSize != 248 || (file->flags & ~dateAddedFlag) != 2 || (file->bsd.fileMode & S_IFMT) == S_IFDIR
                    || !dateAddedConsistent(*file))
                    problem("file record size, flags or mode wrong");
                if (!keys.emplace(file->fileId, std::make_pair(entry->key.parentId, entry->key.name)).second)
                    problem("duplicate ID");
                isFolder[file->fileId] = false;
                ++files;
                maxId = std::max(maxId, file->fileId);
                claim(file->dataFork, "data fork of " + std::to_string(file->fileId));
                forkBytes(file->dataFork, "data fork");
                if (file->resourceFork.totalBlocks != 0)
                    problem("unexpected resource fork");
            } else {
                const auto& thread = std::get<ThreadRecord>(entry->record);
                if (!entry->key.name.empty() || dataSize != 10 + 2 * thread.name.size())
                    problem("thread key with a name or bloated thread");
                threads[entry->key.parentId] = thread;
            }
        }
        for (const auto& [id, key] : keys) {
            if (id != 2 && id < 16)
                problem("reserved ID used");
            if (id != 2)
                ++valence[key.first];
            const auto t = threads.find(id);
            if (t == threads.end() || t->second.parentId != key.first || t->second.name != key.second
                || t->second.isFolder != isFolder[id])
                problem("missing or wrong thread for " + std::to_string(id));
        }
        if (threads.size() != keys.size())
            problem("thread count differs from item count");
        for (const RecordSpan& span : leaves) {
            auto entry = decodeCatalogLeaf(span);
            if (entry)
                if (const auto* folder = std::get_if<FolderRecord>(&entry->record))
                    if (folder->valence != valence[folder->folderId])
                        problem("wrong valence of folder " + std::to_string(folder->folderId));
        }
        if (header.fileCount != files || header.folderCount != folders)
            problem("volume file or folder count wrong");
        if (header.nextCatalogId <= maxId || header.nextCatalogId < 16)
            problem("nextCatalogID not above every ID");

        // The bitmap on disk against the expected one.
        const auto bitmap = forkBytes(header.allocationFile, "allocation file");
        const auto wanted = expected.bytes(bitmap.size());
        if (bitmap != wanted)
            problem("allocation bitmap differs from the blocks in use");
        if (header.freeBlocks != header.totalBlocks - expected.usedCount())
            problem("free block count wrong");
    }
};

} // namespace

BTreeCheck checkBTreeStructure(const std::vector<uint8_t>& file, uint16_t maxKeyLength, uint32_t attributes,
                               uint32_t blockSize)
{
    Checker checker;
    checker.header.blockSize = blockSize;
    const bool variableIndexKeys = (attributes & variableIndexKeysAttribute) != 0;
    const size_t leaves = checker.checkTree(file, "tree", maxKeyLength, attributes, variableIndexKeys, binaryCompare).size();
    return {checker.problems, leaves};
}

std::vector<std::string> checkVolumeStructure(const std::string& imagePath)
{
    Checker checker;
    const std::string bytes = readFile(imagePath);
    checker.image.assign(bytes.begin(), bytes.end());
    checker.run();
    return checker.problems;
}

} // namespace vorlap::test::hfs
