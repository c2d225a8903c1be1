#include "diskimage/hfsplus/VolumeWriter.h"

#include "diskimage/hfsplus/AllocationBitmap.h"
#include "diskimage/hfsplus/BTreeWriter.h"
#include "diskimage/hfsplus/CatalogRecords.h"
#include "diskimage/hfsplus/ExtentsOverflow.h"
#include "diskimage/hfsplus/HfsDate.h"
#include "diskimage/hfsplus/ImageFile.h"
#include "diskimage/hfsplus/SourceTree.h"
#include "diskimage/hfsplus/UnicodeName.h"
#include "diskimage/hfsplus/VolumeHeader.h"

#include <algorithm>
#include <climits>
#include <ctime>
#include <sys/stat.h>
#include <unordered_set>

namespace vorlap::diskimage::hfsplus {

namespace {

constexpr uint16_t catalogNodeSize = 4096;
constexpr uint16_t attributesNodeSize = 8192;

uint64_t divideRoundingUp(uint64_t a, uint64_t b) { return (a + b - 1) / b; }

std::string describeBytes(uint64_t bytes)
{
    const uint64_t tenths = (bytes * 10 + (1 << 19)) >> 20;
    return std::to_string(bytes) + " bytes (" + std::to_string(tenths / 10) + "." + std::to_string(tenths % 10)
           + " MiB)";
}

Result<uint32_t> chooseBlockSize(uint64_t size)
{
    if (size == 0 || size % 512 != 0)
        return fail(ErrorCode::invalidArgument, "the image size must be a positive multiple of 512 bytes, not " + std::to_string(size));
    uint32_t blockSize = 4096;
    while (size % blockSize != 0)
        blockSize /= 2;
    if (size / blockSize > 0xFFFFFFFFull)
        return fail(ErrorCode::invalidArgument, "the image size " + std::to_string(size) + " is larger than an HFS+ volume can be");
    return blockSize;
}

// Catalog node IDs: the items' inode numbers when asked and usable, else 16, 17, ...
bool assignIds(SourceTree& tree, bool useItemNumbers, std::vector<uint32_t>& ids)
{
    ids.assign(tree.items.size(), 0);
    ids[0] = rootFolderId;
    if (useItemNumbers) {
        std::unordered_set<uint64_t> seen;
        seen.reserve(tree.items.size());
        bool usable = true;
        for (size_t i = 1; i < tree.items.size() && usable; ++i) {
            const uint64_t n = tree.items[i].itemNumber;
            usable = n >= firstUserId && n <= 0xFFFFFFFEull && seen.insert(n).second;
            ids[i] = static_cast<uint32_t>(n);
        }
        if (usable)
            return true;
    }
    for (size_t i = 1; i < tree.items.size(); ++i)
        ids[i] = firstUserId + static_cast<uint32_t>(i - 1);
    return false;
}

CatalogDates datesOf(const SourceItem& item)
{
    CatalogDates dates;
    dates.create = hfsDateFromUnix(item.createTime);
    dates.contentModify = hfsDateFromUnix(item.modifyTime);
    dates.attributeModify = hfsDateFromUnix(item.changeTime);
    dates.access = hfsDateFromUnix(item.accessTime);
    return dates;
}

// Records when the item arrived on the volume, as macOS does for every item it writes
// (the Finder's "Date Added"): the record flag, and the date in Unix seconds in the
// extended Finder info.
template <class Record>
void setDateAdded(Record& record, const SourceItem& item)
{
    constexpr uint16_t hasDateAddedFlag = 0x0080;
    constexpr size_t dateAddedOffset = 16 + 4;
    if (item.createTime <= 0 || item.createTime > INT32_MAX)
        return;
    const auto seconds = static_cast<uint32_t>(item.createTime);
    for (size_t i = 0; i < 4; ++i)
        record.finderInfo[dateAddedOffset + i] = static_cast<uint8_t>(seconds >> (24 - 8 * i));
    record.flags |= hasDateAddedFlag;
}

BsdInfo bsdOf(const SourceItem& item)
{
    BsdInfo bsd;
    bsd.ownerId = item.ownerId;
    bsd.groupId = item.groupId;
    bsd.fileMode = item.mode;
    bsd.special = 1; // link count
    return bsd;
}

struct CatalogEntry {
    CatalogKey key;
    uint32_t item = 0;
    bool thread = false;
};

struct Layout {
    uint32_t blockSize = 0;
    uint32_t totalBlocks = 0;
    uint32_t bitmapStart = 0, bitmapBlocks = 0;
    uint32_t extentsStart = 0, extentsBlocks = 0;
    uint32_t attributesStart = 0, attributesBlocks = 0;
    uint32_t catalogStart = 0, catalogBlocks = 0;
    uint32_t dataStart = 0;
    uint32_t endReserved = 0;
};

uint32_t clampClump(uint64_t bytes, const Layout& layout)
{
    const uint64_t quarter = uint64_t{layout.totalBlocks / 4} * layout.blockSize;
    uint64_t clump = std::min(bytes, quarter);
    clump = clump / layout.blockSize * layout.blockSize;
    return static_cast<uint32_t>(std::max<uint64_t>(clump, layout.blockSize));
}

Result<VolumeSummary> writeTree(SourceTree& tree, const std::string& sourceFolder, const std::string& imagePath,
                                const VolumeOptions& options)
{
    auto volumeName = hfsNameFromUtf8(options.volumeName);
    if (!volumeName)
        return failWithin("invalid volume name: ", volumeName.error());
    auto blockSize = chooseBlockSize(options.sizeBytes);
    if (!blockSize)
        return unexpected(blockSize.error());

    Layout layout;
    layout.blockSize = *blockSize;
    layout.totalBlocks = static_cast<uint32_t>(options.sizeBytes / layout.blockSize);
    if (layout.totalBlocks < 8)
        return fail(ErrorCode::invalidArgument, "the image size " + std::to_string(options.sizeBytes) + " is too small for an HFS+ volume");

    std::vector<uint32_t> ids;
    const bool usedItemNumbers = assignIds(tree, options.useItemNumbersAsIds, ids);

    // Catalog entries in key order: every item and its thread.
    std::vector<CatalogEntry> entries;
    entries.reserve(tree.items.size() * 2);
    uint32_t fileCount = 0, folderCount = 0;
    for (uint32_t i = 0; i < tree.items.size(); ++i) {
        const SourceItem& item = tree.items[i];
        const uint32_t parentId = i == 0 ? rootParentId : ids[item.parent];
        entries.push_back({{parentId, i == 0 ? *volumeName : item.hfsName}, i, false});
        entries.push_back({{ids[i], u""}, i, true});
        if (item.kind == ItemKind::Folder)
            folderCount += i == 0 ? 0 : 1;
        else
            ++fileCount;
    }
    std::sort(entries.begin(), entries.end(),
              [](const CatalogEntry& a, const CatalogEntry& b) { return compareCatalogKeys(a.key, b.key) < 0; });

    // Allocation: header, bitmap, extents tree, catalog, then every data fork in one run.
    const uint32_t bs = layout.blockSize;
    const uint32_t startReserved = static_cast<uint32_t>(divideRoundingUp(volumeHeaderOffset + volumeHeaderSize, bs));
    layout.endReserved = static_cast<uint32_t>(divideRoundingUp(1024, bs));
    layout.bitmapStart = startReserved;
    layout.bitmapBlocks = static_cast<uint32_t>(allocationFileBytes(layout.totalBlocks, bs) / bs);
    const BTreeShape extentsShape = extentsTreeShape(bs);
    const std::vector<LeafRecord> noExtents;
    layout.extentsStart = layout.bitmapStart + layout.bitmapBlocks;
    layout.extentsBlocks =
        static_cast<uint32_t>(divideRoundingUp(uint64_t{countBTreeNodes(extentsShape, noExtents)} * 4096, bs));

    // An empty attributes tree: optional by the format, but some readers insist on one.
    BTreeShape attributesShape;
    attributesShape.nodeSize = attributesNodeSize;
    attributesShape.maxKeyLength = 266;
    attributesShape.attributes = bigKeysAttribute | variableIndexKeysAttribute;
    attributesShape.nodesPerBlockMultiple = bs > attributesNodeSize ? bs / attributesNodeSize : 1;
    layout.attributesStart = layout.extentsStart + layout.extentsBlocks;
    layout.attributesBlocks = static_cast<uint32_t>(
        divideRoundingUp(uint64_t{countBTreeNodes(attributesShape, noExtents)} * attributesNodeSize, bs));

    BTreeShape catalogShape;
    catalogShape.nodeSize = catalogNodeSize;
    catalogShape.maxKeyLength = catalogMaxKeyLength;
    catalogShape.attributes = bigKeysAttribute | variableIndexKeysAttribute;
    catalogShape.keyCompareType = 0xCF;
    catalogShape.nodesPerBlockMultiple = bs > catalogNodeSize ? bs / catalogNodeSize : 1;

    // Leaf records; file records get their forks once the data blocks are placed.
    std::vector<LeafRecord> records(entries.size());
    std::vector<uint64_t> blocksOf(tree.items.size(), 0);
    uint64_t dataBlocks = 0;
    for (uint32_t i = 0; i < tree.items.size(); ++i) {
        if (tree.items[i].kind != ItemKind::Folder) {
            blocksOf[i] = divideRoundingUp(tree.items[i].size, bs);
            dataBlocks += blocksOf[i];
        }
    }
    // A first encoding with empty forks sizes the catalog.
    std::vector<uint32_t> recordOfItem(tree.items.size(), 0);
    auto encodeEntry = [&](size_t e, const std::vector<uint32_t>* starts) {
        const CatalogEntry& entry = entries[e];
        const SourceItem& item = tree.items[entry.item];
        const uint32_t id = ids[entry.item];
        const uint32_t parentId = entry.item == 0 ? rootParentId : ids[item.parent];
        if (entry.thread) {
            const bool folder = item.kind == ItemKind::Folder;
            return encodeCatalogLeaf(entry.key, ThreadRecord{folder, parentId, entry.item == 0 ? *volumeName : item.hfsName});
        }
        if (item.kind == ItemKind::Folder) {
            FolderRecord folder;
            folder.valence = static_cast<uint32_t>(item.children.size());
            folder.folderId = id;
            folder.dates = datesOf(item);
            folder.bsd = bsdOf(item);
            setDateAdded(folder, item);
            return encodeCatalogLeaf(entry.key, folder);
        }
        FileRecord file;
        file.fileId = id;
        file.dates = datesOf(item);
        file.bsd = bsdOf(item);
        setDateAdded(file, item);
        if (item.kind == ItemKind::Symlink)
            file.setTypeAndCreator(symlinkFileType, symlinkCreator);
        if (starts && blocksOf[entry.item] > 0)
            file.dataFork = ForkData::contiguous(item.size, (*starts)[entry.item],
                                                 static_cast<uint32_t>(blocksOf[entry.item]));
        else
            file.dataFork.logicalSize = item.size;
        return encodeCatalogLeaf(entry.key, file);
    };
    for (size_t e = 0; e < entries.size(); ++e) {
        records[e].bytes = encodeEntry(e, nullptr);
        if (!entries[e].thread)
            recordOfItem[entries[e].item] = static_cast<uint32_t>(e);
    }
    const uint32_t catalogNodes = countBTreeNodes(catalogShape, records);
    layout.catalogStart = layout.attributesStart + layout.attributesBlocks;
    layout.catalogBlocks = static_cast<uint32_t>(divideRoundingUp(uint64_t{catalogNodes} * catalogNodeSize, bs));
    layout.dataStart = layout.catalogStart + layout.catalogBlocks;

    const uint64_t usedBlocks = uint64_t{layout.dataStart} + dataBlocks + layout.endReserved;
    if (usedBlocks > layout.totalBlocks)
        return fail(ErrorCode::noSpace, "not enough space: the content needs " + describeBytes(usedBlocks * bs)
                    + " but the volume holds " + describeBytes(uint64_t{layout.totalBlocks} * bs));

    // Place the data forks in item order and write the final file records.
    std::vector<uint32_t> starts(tree.items.size(), 0);
    uint64_t next = layout.dataStart;
    for (uint32_t i = 0; i < tree.items.size(); ++i) {
        starts[i] = static_cast<uint32_t>(next);
        next += blocksOf[i];
    }
    for (uint32_t i = 0; i < tree.items.size(); ++i)
        if (tree.items[i].kind != ItemKind::Folder)
            records[recordOfItem[i]].bytes = encodeEntry(recordOfItem[i], &starts);

    AllocationBitmap bitmap(layout.totalBlocks);
    bitmap.markUsed(0, next);
    bitmap.markUsed(layout.totalBlocks - layout.endReserved, layout.endReserved);

    const uint32_t now = hfsDateFromUnix(static_cast<int64_t>(std::time(nullptr)));
    uint32_t maxId = rootFolderId;
    for (uint32_t id : ids)
        maxId = std::max(maxId, id);

    VolumeHeader header;
    header.blockSize = bs;
    header.totalBlocks = layout.totalBlocks;
    header.freeBlocks = static_cast<uint32_t>(layout.totalBlocks - bitmap.usedCount());
    header.nextAllocation = static_cast<uint32_t>(next);
    header.createDate = hfsDateFromUnix(tree.items[0].createTime);
    header.modifyDate = now;
    header.checkedDate = now;
    header.fileCount = fileCount;
    header.folderCount = folderCount;
    header.rsrcClumpSize = header.dataClumpSize = 16 * bs;
    header.nextCatalogId = std::max<uint32_t>(maxId + 1, firstUserId);
    const uint64_t bitmapBytes = uint64_t{layout.bitmapBlocks} * bs;
    header.allocationFile =
        ForkData::contiguous(bitmapBytes, layout.bitmapStart, layout.bitmapBlocks, clampClump(bitmapBytes, layout));
    const uint64_t extentsBytes = uint64_t{layout.extentsBlocks} * bs;
    header.extentsFile =
        ForkData::contiguous(extentsBytes, layout.extentsStart, layout.extentsBlocks, clampClump(extentsBytes, layout));
    const uint64_t attributesBytes = uint64_t{layout.attributesBlocks} * bs;
    header.attributesFile = ForkData::contiguous(attributesBytes, layout.attributesStart, layout.attributesBlocks,
                                                 clampClump(attributesBytes, layout));
    const uint64_t catalogBytes = uint64_t{layout.catalogBlocks} * bs;
    header.catalogFile =
        ForkData::contiguous(catalogBytes, layout.catalogStart, layout.catalogBlocks, clampClump(catalogBytes, layout));

    const BuiltBTree extentsTree = buildBTree(extentsShape, noExtents, header.extentsFile.clumpSize);
    const BuiltBTree attributesTree = buildBTree(attributesShape, noExtents, header.attributesFile.clumpSize);
    const BuiltBTree catalogTree = buildBTree(catalogShape, records, header.catalogFile.clumpSize);
    records.clear();
    records.shrink_to_fit();

    auto image = ImageFile::createBeside(imagePath, options.sizeBytes);
    if (!image)
        return unexpected(image.error());
    for (uint32_t i = 0; i < tree.items.size(); ++i) {
        const SourceItem& item = tree.items[i];
        const uint64_t at = uint64_t{starts[i]} * bs;
        if (item.kind == ItemKind::File && item.size > 0) {
            if (auto copied = image->copyFileAt(tree.pathOf(i, sourceFolder), item.size, at); !copied)
                return unexpected(copied.error());
        } else if (item.kind == ItemKind::Symlink && item.size > 0) {
            if (auto written = image->writeAt(at, item.linkTarget.data(), item.linkTarget.size()); !written)
                return unexpected(written.error());
        }
    }
    const std::vector<uint8_t> bitmapData = bitmap.bytes(bitmapBytes);
    const auto headerBytes = header.encode();
    struct Piece {
        uint64_t offset;
        const uint8_t* data;
        size_t size;
    };
    const Piece metadata[] = {
        {uint64_t{layout.bitmapStart} * bs, bitmapData.data(), bitmapData.size()},
        {uint64_t{layout.extentsStart} * bs, extentsTree.bytes.data(), extentsTree.bytes.size()},
        {uint64_t{layout.attributesStart} * bs, attributesTree.bytes.data(), attributesTree.bytes.size()},
        {uint64_t{layout.catalogStart} * bs, catalogTree.bytes.data(), catalogTree.bytes.size()},
        {volumeHeaderOffset, headerBytes.data(), headerBytes.size()},
        {options.sizeBytes - 1024, headerBytes.data(), headerBytes.size()}, // the alternate header
    };
    for (const Piece& piece : metadata) {
        if (auto written = image->writeSparseAt(piece.offset, piece.data, piece.size, bs); !written)
            return unexpected(written.error());
    }
    if (auto committed = image->commit(); !committed)
        return unexpected(committed.error());

    VolumeSummary summary;
    summary.fileCount = fileCount;
    summary.folderCount = folderCount;
    summary.usedItemNumbers = usedItemNumbers;
    summary.blockSize = bs;
    summary.usedBytes = bitmap.usedCount() * bs;
    summary.sizeBytes = options.sizeBytes;
    return summary;
}

} // namespace

Result<VolumeSummary> writeVolume(const std::string& sourceFolder, const std::string& imagePath,
                                  const VolumeOptions& options)
{
    auto tree = scanSourceTree(sourceFolder);
    if (!tree)
        return unexpected(tree.error());
    return writeTree(*tree, sourceFolder, imagePath, options);
}

Result<VolumeSummary> writeEmptyVolume(const std::string& imagePath, const VolumeOptions& options)
{
    SourceTree tree = emptySourceTree(static_cast<int64_t>(std::time(nullptr)));
    return writeTree(tree, std::string(), imagePath, options);
}

} // namespace vorlap::diskimage::hfsplus
