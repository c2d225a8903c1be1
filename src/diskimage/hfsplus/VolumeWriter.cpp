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
#include "diskimage/udif/UdifWriter.h"

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
    return std::to_string(bytes) + " bytes (" + std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) +
           " MiB)";
}

Result<uint32_t> chooseBlockSize(uint64_t size)
{
    if (size == 0 || size % 512 != 0)
        return fail(ErrorCode::invalidArgument,
                    "the image size must be a positive multiple of 512 bytes, not " + std::to_string(size));
    uint32_t blockSize = 4096;
    while (size % blockSize != 0)
        blockSize /= 2;
    if (size / blockSize > 0xFFFFFFFFull)
        return fail(ErrorCode::invalidArgument,
                    "the image size " + std::to_string(size) + " is larger than an HFS+ volume can be");
    return blockSize;
}

// IDs in the order of the tree: 16, 17, ... depth first, each folder's items in catalog
// order, so an item's ID depends only on the items before it.
void assignTreeOrderIds(const SourceTree& tree, std::vector<uint32_t>& ids)
{
    uint32_t next = firstUserId;
    std::vector<uint32_t> pending(tree.items[0].children.rbegin(), tree.items[0].children.rend());
    while (!pending.empty()) {
        const uint32_t item = pending.back();
        pending.pop_back();
        ids[item] = next++;
        const auto& children = tree.items[item].children;
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
}

// Catalog node IDs: the items' inode numbers when asked and usable, else in tree order.
bool assignIds(const SourceTree& tree, bool useItemNumbers, std::vector<uint32_t>& ids)
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
    assignTreeOrderIds(tree, ids);
    return false;
}

// What a reproducible volume keeps of each item: dates no later than the epoch, and
// no trace of who built it or when it was last read.
void clampToEpoch(SourceTree& tree, int64_t epoch)
{
    constexpr uint32_t unknownOwner = 99;
    for (SourceItem& item : tree.items) {
        for (int64_t* time : {&item.createTime, &item.modifyTime, &item.changeTime})
            *time = std::min(*time, epoch);
        // Reading an item (this build's own copy does) moves its access time: not an input.
        item.accessTime = item.modifyTime;
        item.ownerId = item.groupId = unknownOwner;
    }
}

bool usesItemNumbers(const VolumeOptions& options) { return options.useItemNumbersAsIds && !options.sourceDateEpoch; }

// A 64-bit FNV-1a hash: the volume's Finder identifier of a reproducible volume.
uint64_t fingerprint(const std::vector<uint8_t>& bytes)
{
    uint64_t hash = 0xCBF29CE484222325ull;
    for (const uint8_t b : bytes)
        hash = (hash ^ b) * 0x100000001B3ull;
    return hash;
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

Result<Layout> startLayout(uint64_t sizeBytes)
{
    VORLAP_TRY_LET(blockSize, chooseBlockSize(sizeBytes));
    Layout layout;
    layout.blockSize = blockSize;
    layout.totalBlocks = static_cast<uint32_t>(sizeBytes / blockSize);
    if (layout.totalBlocks < 8)
        return fail(ErrorCode::invalidArgument,
                    "the image size " + std::to_string(sizeBytes) + " is too small for an HFS+ volume");
    return layout;
}

// An empty attributes tree: optional by the format, but some readers insist on one.
BTreeShape attributesTreeShape(uint32_t blockSize)
{
    BTreeShape shape;
    shape.nodeSize = attributesNodeSize;
    shape.maxKeyLength = 266;
    shape.attributes = bigKeysAttribute | variableIndexKeysAttribute;
    shape.nodesPerBlockMultiple = blockSize > attributesNodeSize ? blockSize / attributesNodeSize : 1;
    return shape;
}

BTreeShape catalogTreeShape(uint32_t blockSize)
{
    BTreeShape shape;
    shape.nodeSize = catalogNodeSize;
    shape.maxKeyLength = catalogMaxKeyLength;
    shape.attributes = bigKeysAttribute | variableIndexKeysAttribute;
    shape.keyCompareType = 0xCF;
    shape.nodesPerBlockMultiple = blockSize > catalogNodeSize ? blockSize / catalogNodeSize : 1;
    return shape;
}

// Places, after the volume header, the allocation bitmap and the two empty trees.
void placeFixedFiles(Layout& layout, const BTreeShape& extentsShape, const BTreeShape& attributesShape)
{
    const uint32_t bs = layout.blockSize;
    const std::vector<LeafRecord> none;
    layout.endReserved = static_cast<uint32_t>(divideRoundingUp(1024, bs));
    layout.bitmapStart = static_cast<uint32_t>(divideRoundingUp(volumeHeaderOffset + volumeHeaderSize, bs));
    layout.bitmapBlocks = static_cast<uint32_t>(allocationFileBytes(layout.totalBlocks, bs) / bs);
    layout.extentsStart = layout.bitmapStart + layout.bitmapBlocks;
    layout.extentsBlocks = static_cast<uint32_t>(
        divideRoundingUp(uint64_t{countBTreeNodes(extentsShape, none)} * extentsShape.nodeSize, bs));
    layout.attributesStart = layout.extentsStart + layout.extentsBlocks;
    layout.attributesBlocks = static_cast<uint32_t>(
        divideRoundingUp(uint64_t{countBTreeNodes(attributesShape, none)} * attributesShape.nodeSize, bs));
}

// The catalog of the tree: every item and its thread in key order, with the IDs and
// data block counts its records are encoded from.
struct Catalog {
    const SourceTree& tree;
    std::u16string volumeName;
    std::vector<uint32_t> ids;
    bool usedItemNumbers = false;
    std::vector<CatalogEntry> entries;
    std::vector<uint32_t> recordOfItem; // the entry of each item's own record
    std::vector<uint64_t> blocksOf;     // data blocks of each item
    uint64_t dataBlocks = 0;
    uint32_t fileCount = 0, folderCount = 0;

    Catalog(const SourceTree& sourceTree, std::u16string name, bool useItemNumbers, uint32_t blockSize);

    // The leaf record of entries[e]; file records get their forks once `starts` (each
    // item's first data block) is known, and carry only their sizes before.
    std::vector<uint8_t> encode(size_t e, const std::vector<uint32_t>* starts) const;
};

Catalog::Catalog(const SourceTree& sourceTree, std::u16string name, bool useItemNumbers, uint32_t blockSize)
    : tree(sourceTree), volumeName(std::move(name))
{
    usedItemNumbers = assignIds(sourceTree, useItemNumbers, ids);
    entries.reserve(tree.items.size() * 2);
    blocksOf.assign(tree.items.size(), 0);
    for (uint32_t i = 0; i < tree.items.size(); ++i) {
        const SourceItem& item = tree.items[i];
        const uint32_t parentId = i == 0 ? rootParentId : ids[item.parent];
        entries.push_back({{parentId, i == 0 ? volumeName : item.hfsName}, i, false});
        entries.push_back({{ids[i], u""}, i, true});
        if (item.kind == ItemKind::Folder) {
            folderCount += i == 0 ? 0 : 1;
        } else {
            ++fileCount;
            blocksOf[i] = divideRoundingUp(item.size, blockSize);
            dataBlocks += blocksOf[i];
        }
    }
    std::sort(entries.begin(), entries.end(),
              [](const CatalogEntry& a, const CatalogEntry& b) { return compareCatalogKeys(a.key, b.key) < 0; });
    recordOfItem.assign(tree.items.size(), 0);
    for (size_t e = 0; e < entries.size(); ++e)
        if (!entries[e].thread)
            recordOfItem[entries[e].item] = static_cast<uint32_t>(e);
}

std::vector<uint8_t> Catalog::encode(size_t e, const std::vector<uint32_t>* starts) const
{
    const CatalogEntry& entry = entries[e];
    const SourceItem& item = tree.items[entry.item];
    const uint32_t id = ids[entry.item];
    const uint32_t parentId = entry.item == 0 ? rootParentId : ids[item.parent];
    if (entry.thread) {
        const bool folder = item.kind == ItemKind::Folder;
        return encodeCatalogLeaf(entry.key,
                                 ThreadRecord{folder, parentId, entry.item == 0 ? volumeName : item.hfsName});
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
        file.dataFork =
            ForkData::contiguous(item.size, (*starts)[entry.item], static_cast<uint32_t>(blocksOf[entry.item]));
    else
        file.dataFork.logicalSize = item.size;
    return encodeCatalogLeaf(entry.key, file);
}

// Sizes the catalog from a first encoding (empty forks take as much room as placed
// ones), then places it and the data after it; fails when the content does not fit.
Result<std::vector<LeafRecord>> placeCatalogAndData(Layout& layout, const Catalog& catalog, const BTreeShape& shape)
{
    std::vector<LeafRecord> records(catalog.entries.size());
    for (size_t e = 0; e < catalog.entries.size(); ++e)
        records[e].bytes = catalog.encode(e, nullptr);
    const uint32_t bs = layout.blockSize;
    layout.catalogStart = layout.attributesStart + layout.attributesBlocks;
    layout.catalogBlocks =
        static_cast<uint32_t>(divideRoundingUp(uint64_t{countBTreeNodes(shape, records)} * shape.nodeSize, bs));
    layout.dataStart = layout.catalogStart + layout.catalogBlocks;

    const uint64_t usedBlocks = uint64_t{layout.dataStart} + catalog.dataBlocks + layout.endReserved;
    if (usedBlocks > layout.totalBlocks)
        return fail(ErrorCode::noSpace, "not enough space: the content needs " + describeBytes(usedBlocks * bs) +
                                            " but the volume holds " +
                                            describeBytes(uint64_t{layout.totalBlocks} * bs));
    return records;
}

// Each item's first data block: the forks lie in item order in one run from dataStart.
std::vector<uint32_t> placeDataForks(const Layout& layout, const Catalog& catalog)
{
    std::vector<uint32_t> starts(catalog.blocksOf.size(), 0);
    uint64_t next = layout.dataStart;
    for (size_t i = 0; i < starts.size(); ++i) {
        starts[i] = static_cast<uint32_t>(next);
        next += catalog.blocksOf[i];
    }
    return starts;
}

VolumeHeader makeHeader(const Layout& layout, const Catalog& catalog, const AllocationBitmap& bitmap,
                        uint32_t nextAllocation, const VolumeOptions& options)
{
    const uint32_t bs = layout.blockSize;
    const uint32_t now = hfsDateFromUnix(options.sourceDateEpoch.value_or(static_cast<int64_t>(std::time(nullptr))));
    uint32_t maxId = rootFolderId;
    for (uint32_t id : catalog.ids)
        maxId = std::max(maxId, id);

    VolumeHeader header;
    header.blockSize = bs;
    header.totalBlocks = layout.totalBlocks;
    header.freeBlocks = static_cast<uint32_t>(layout.totalBlocks - bitmap.usedCount());
    header.nextAllocation = nextAllocation;
    header.createDate = hfsDateFromUnix(catalog.tree.items[0].createTime);
    header.modifyDate = now;
    header.checkedDate = now;
    header.fileCount = catalog.fileCount;
    header.folderCount = catalog.folderCount;
    header.rsrcClumpSize = header.dataClumpSize = 16 * bs;
    header.nextCatalogId = std::max<uint32_t>(maxId + 1, firstUserId);
    const auto contiguousFile = [&](uint32_t start, uint32_t blocks) {
        const uint64_t bytes = uint64_t{blocks} * bs;
        return ForkData::contiguous(bytes, start, blocks, clampClump(bytes, layout));
    };
    header.allocationFile = contiguousFile(layout.bitmapStart, layout.bitmapBlocks);
    header.extentsFile = contiguousFile(layout.extentsStart, layout.extentsBlocks);
    header.attributesFile = contiguousFile(layout.attributesStart, layout.attributesBlocks);
    header.catalogFile = contiguousFile(layout.catalogStart, layout.catalogBlocks);
    return header;
}

Result<void> copyContent(ImageFile& image, const SourceTree& tree, const std::string& sourceFolder,
                         const std::vector<uint32_t>& starts, uint32_t blockSize)
{
    for (uint32_t i = 0; i < tree.items.size(); ++i) {
        const SourceItem& item = tree.items[i];
        const uint64_t at = uint64_t{starts[i]} * blockSize;
        if (item.kind == ItemKind::File && item.size > 0)
            VORLAP_TRY(image.copyFileAt(tree.pathOf(i, sourceFolder), item.size, at));
        else if (item.kind == ItemKind::Symlink && item.size > 0)
            VORLAP_TRY(image.writeAt(at, item.linkTarget.data(), item.linkTarget.size()));
    }
    return {};
}

struct Piece {
    uint64_t offset;
    const uint8_t* data;
    size_t size;
};

Result<void> writePieces(ImageFile& image, std::initializer_list<Piece> pieces, uint32_t blockSize)
{
    for (const Piece& piece : pieces)
        VORLAP_TRY(image.writeSparseAt(piece.offset, piece.data, piece.size, blockSize));
    return {};
}

Result<VolumeSummary> writeTree(SourceTree& tree, const std::string& sourceFolder, const std::string& imagePath,
                                const VolumeOptions& options)
{
    auto volumeName = hfsNameFromUtf8(options.volumeName);
    if (!volumeName)
        return failWithin("invalid volume name: ", volumeName.error());
    VORLAP_TRY_LET(layout, startLayout(options.sizeBytes));
    if (options.sourceDateEpoch)
        clampToEpoch(tree, *options.sourceDateEpoch);
    const uint32_t bs = layout.blockSize;

    // Allocation: header, bitmap, extents tree, attributes tree, catalog, then every data
    // fork in one run.
    const Catalog catalog(tree, std::move(*volumeName), usesItemNumbers(options), bs);
    const BTreeShape extentsShape = extentsTreeShape(bs);
    const BTreeShape attributesShape = attributesTreeShape(bs);
    const BTreeShape catalogShape = catalogTreeShape(bs);
    placeFixedFiles(layout, extentsShape, attributesShape);
    VORLAP_TRY_LET(records, placeCatalogAndData(layout, catalog, catalogShape));
    const std::vector<uint32_t> starts = placeDataForks(layout, catalog);
    for (uint32_t i = 0; i < tree.items.size(); ++i)
        if (tree.items[i].kind != ItemKind::Folder)
            records[catalog.recordOfItem[i]].bytes = catalog.encode(catalog.recordOfItem[i], &starts);

    const uint64_t dataEnd = uint64_t{layout.dataStart} + catalog.dataBlocks;
    AllocationBitmap bitmap(layout.totalBlocks);
    bitmap.markUsed(0, dataEnd);
    bitmap.markUsed(layout.totalBlocks - layout.endReserved, layout.endReserved);
    VolumeHeader header = makeHeader(layout, catalog, bitmap, static_cast<uint32_t>(dataEnd), options);

    const std::vector<LeafRecord> none;
    const BuiltBTree extentsTree = buildBTree(extentsShape, none, header.extentsFile.clumpSize);
    const BuiltBTree attributesTree = buildBTree(attributesShape, none, header.attributesFile.clumpSize);
    const BuiltBTree catalogTree = buildBTree(catalogShape, records, header.catalogFile.clumpSize);
    records.clear();
    records.shrink_to_fit();
    std::optional<uint64_t> contentId;
    if (options.sourceDateEpoch) {
        contentId = fingerprint(catalogTree.bytes);
        header.finderInfo[6] = static_cast<uint32_t>(*contentId >> 32);
        header.finderInfo[7] = static_cast<uint32_t>(*contentId);
    }

    VORLAP_TRY_LET(image, ImageFile::createBeside(imagePath, options.sizeBytes));
    VORLAP_TRY(copyContent(image, tree, sourceFolder, starts, bs));
    const std::vector<uint8_t> bitmapData = bitmap.bytes(uint64_t{layout.bitmapBlocks} * bs);
    const auto headerBytes = header.encode();
    const auto piece = [](uint64_t offset, const auto& bytes) { return Piece{offset, bytes.data(), bytes.size()}; };
    VORLAP_TRY(writePieces(image,
                           {piece(uint64_t{layout.bitmapStart} * bs, bitmapData),
                            piece(uint64_t{layout.extentsStart} * bs, extentsTree.bytes),
                            piece(uint64_t{layout.attributesStart} * bs, attributesTree.bytes),
                            piece(uint64_t{layout.catalogStart} * bs, catalogTree.bytes),
                            piece(volumeHeaderOffset, headerBytes),
                            piece(options.sizeBytes - 1024, headerBytes)}, // the alternate header
                           bs));
    if (options.udrwImage) {
        VORLAP_TRY_LET(trailer, udif::udrwTrailer(udif::wholeDiskLayout(options.sizeBytes / udif::kSectorSize, false), contentId));
        VORLAP_TRY(image.writeAt(options.sizeBytes, trailer.data(), trailer.size()));
    }
    VORLAP_TRY(image.commit());

    VolumeSummary summary;
    summary.fileCount = catalog.fileCount;
    summary.folderCount = catalog.folderCount;
    summary.usedItemNumbers = catalog.usedItemNumbers;
    summary.blockSize = bs;
    summary.usedBytes = bitmap.usedCount() * bs;
    summary.sizeBytes = options.sizeBytes;
    return summary;
}

} // namespace

Result<VolumeSummary> writeVolume(const std::string& sourceFolder, const std::string& imagePath,
                                  const VolumeOptions& options)
{
    VORLAP_TRY_LET(tree, scanSourceTree(sourceFolder));
    return writeTree(tree, sourceFolder, imagePath, options);
}

VolumeOptions attachedFolderOptions(std::string volumeName, uint64_t sizeBytes, std::optional<int64_t> sourceDateEpoch)
{
    VolumeOptions options;
    options.volumeName = std::move(volumeName);
    options.sizeBytes = sizeBytes;
    options.useItemNumbersAsIds = true;
    options.sourceDateEpoch = sourceDateEpoch;
    return options;
}

Result<VolumePlan> planVolume(const std::string& sourceFolder, const std::vector<std::string>& paths,
                              const VolumeOptions& options)
{
    VORLAP_TRY_LET(tree, scanSourceTree(sourceFolder));
    if (options.sourceDateEpoch)
        clampToEpoch(tree, *options.sourceDateEpoch);
    std::vector<uint32_t> ids;
    assignIds(tree, usesItemNumbers(options), ids);
    VolumePlan plan;
    plan.createDate = hfsDateFromUnix(tree.items[0].createTime);
    for (const std::string& path : paths) {
        VORLAP_TRY_LET(item, tree.find(path));
        plan.items.push_back({ids[item], hfsDateFromUnix(tree.items[item].createTime)});
    }
    return plan;
}

Result<VolumeSummary> writeEmptyVolume(const std::string& imagePath, const VolumeOptions& options)
{
    SourceTree tree = emptySourceTree(options.sourceDateEpoch.value_or(static_cast<int64_t>(std::time(nullptr))));
    return writeTree(tree, std::string(), imagePath, options);
}

} // namespace vorlap::diskimage::hfsplus
