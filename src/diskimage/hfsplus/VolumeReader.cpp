#include "diskimage/hfsplus/VolumeReader.h"

#include "common/BigEndian.h"
#include "diskimage/FileIo.h"
#include "diskimage/hfsplus/HfsDate.h"
#include "diskimage/hfsplus/UnicodeName.h"
#include "diskimage/hfsplus/VolumeLocator.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace vorlap::diskimage::hfsplus {

namespace {

constexpr size_t chunkSize = 1 << 20;
constexpr int maxDepth = 512;
constexpr size_t maxLinkTarget = 4096;
const std::u16string privateDataName = std::u16string(4, u'\0') + u"HFS+ Private Data";
const std::u16string privateDirectoryName = u".HFS+ Private Directory Data\r";
constexpr uint32_t folderAliasType = 0x66647270;   // 'fdrp': a directory hard link
constexpr uint32_t folderAliasCreator = 0x4D414353; // 'MACS'

timespec timeOf(int64_t seconds) { return timespec{static_cast<time_t>(seconds), 0}; }

} // namespace

struct VolumeReader::Visit {
    enum class Step { EnterFolder, LeaveFolder, File } step;
    const Item* item = nullptr;
    std::string name;
    std::string path;
    std::string unpackName; // composed again, as Linux names are written
    std::string unpackPath;
};

Result<std::unique_ptr<VolumeReader>> VolumeReader::open(ByteSource& disk)
{
    std::unique_ptr<VolumeReader> reader(new VolumeReader(disk));
    VORLAP_TRY(reader->load());
    return reader;
}

Result<void> VolumeReader::load()
{
    VORLAP_TRY(readHeader());
    if (m_info.journaled)
        VORLAP_TRY(checkJournal());
    // Extents overflow file (its own fork never overflows), then the catalog.
    VORLAP_TRY(loadExtentsOverflow());
    VORLAP_TRY(loadCatalog());

    const auto root = m_byId.find(rootFolderId);
    if (root == m_byId.end())
        return fail(ErrorCode::corrupt, "the catalog has no root folder");
    m_info.name = utf8FromHfsName(m_items[root->second].name);
    for (size_t index : m_children[rootFolderId]) {
        if (m_items[index].folder && m_items[index].name == privateDataName)
            m_privateDataFolder = m_items[index].id;
    }
    indexHardLinkTargets();
    return {};
}

void VolumeReader::indexHardLinkTargets()
{
    // Link targets are "iNode<number>" in the private folder; one pass makes every
    // lookup constant time, however many links there are.
    if (m_privateDataFolder == 0)
        return;
    const std::u16string prefix = u"iNode";
    for (size_t index : m_children[m_privateDataFolder]) {
        const Item& candidate = m_items[index];
        if (candidate.folder || candidate.name.size() <= prefix.size() || candidate.name.size() > prefix.size() + 10
            || candidate.name.compare(0, prefix.size(), prefix) != 0)
            continue;
        uint64_t number = 0;
        bool digits = true;
        for (size_t i = prefix.size(); i < candidate.name.size() && digits; ++i) {
            digits = candidate.name[i] >= u'0' && candidate.name[i] <= u'9';
            number = number * 10 + (candidate.name[i] - u'0');
        }
        if (digits && number <= UINT32_MAX)
            m_linkTargets.emplace(static_cast<uint32_t>(number), index);
    }
}

Result<void> VolumeReader::readHeader()
{
    VORLAP_TRY_LET(location, locateHfsVolume(m_disk));
    VORLAP_TRY_LET(slice, SliceByteSource::make(m_disk, location.offset(), location.length()));
    m_volume = std::move(slice);

    uint8_t raw[volumeHeaderSize];
    VORLAP_TRY(m_volume->readAt(volumeHeaderOffset, raw, sizeof raw));
    VORLAP_TRY_LET(header, VolumeHeader::decode(raw));
    m_header = header;
    const uint64_t volumeBytes = uint64_t{m_header.totalBlocks} * m_header.blockSize;
    if (volumeBytes > m_volume->size())
        return fail(ErrorCode::corrupt, "the volume header says the volume is " + std::to_string(volumeBytes)
                    + " bytes, but the image holds only " + std::to_string(m_volume->size()));

    m_info.sizeBytes = volumeBytes;
    m_info.offset = location.offset();
    m_info.blockSize = m_header.blockSize;
    m_info.totalBlocks = m_header.totalBlocks;
    m_info.freeBlocks = m_header.freeBlocks;
    m_info.fileCount = m_header.fileCount;
    m_info.folderCount = m_header.folderCount;
    m_info.createDate = m_header.createDate;
    m_info.journaled = (m_header.attributes & volumeJournaledBit) != 0;
    return {};
}

Result<void> VolumeReader::loadExtentsOverflow()
{
    VORLAP_TRY_LET(extents, specialForkExtents(extentsFileId, m_header.extentsFile, "extents overflow file"));
    VORLAP_TRY(forEachLeafRecord(m_header.extentsFile.logicalSize, treeFileReader(extents), "extents overflow file",
                                 [&](RecordSpan span) -> Result<void> {
        VORLAP_TRY_LET(record, decodeExtentLeaf(span));
        m_overflow.add(record.first, record.second);
        return {};
    }));
    return {};
}

Result<void> VolumeReader::loadCatalog()
{
    VORLAP_TRY_LET(extents, specialForkExtents(catalogFileId, m_header.catalogFile, "catalog"));
    VORLAP_TRY_LET(catalogHeader, forEachLeafRecord(m_header.catalogFile.logicalSize, treeFileReader(extents), "catalog",
                                                    [&](RecordSpan span) -> Result<void> {
        VORLAP_TRY_LET(entry, decodeCatalogLeaf(span));
        return addCatalogItem(std::move(entry));
    }));
    if (catalogHeader.keyCompareType == 0xBC)
        return fail(ErrorCode::unsupported, "the catalog compares names case-sensitively (HFSX), which is not supported");
    return {};
}

Result<void> VolumeReader::addCatalogItem(CatalogLeafEntry entry)
{
    Item item;
    item.parentId = entry.key.parentId;
    item.name = std::move(entry.key.name);
    if (const auto* folder = std::get_if<FolderRecord>(&entry.record)) {
        item.folder = true;
        item.id = folder->folderId;
        item.folderRecord = *folder;
    } else if (const auto* file = std::get_if<FileRecord>(&entry.record)) {
        item.id = file->fileId;
        item.fileRecord = *file;
    } else {
        return {}; // threads: the keys of the items say the same
    }
    if (item.id < rootFolderId || (item.id != rootFolderId && item.id < firstUserId && item.id != rootParentId))
        return fail(ErrorCode::corrupt, "an item has the reserved ID " + std::to_string(item.id));
    if (item.id == rootFolderId && (!item.folder || item.parentId != rootParentId))
        return fail(ErrorCode::corrupt, "the root folder's record is wrong");
    if (!m_byId.emplace(item.id, m_items.size()).second)
        return fail(ErrorCode::corrupt, "two items share the ID " + std::to_string(item.id));
    m_children[item.parentId].push_back(m_items.size());
    m_items.push_back(std::move(item));
    return {};
}

Result<void> VolumeReader::checkJournal()
{
    const uint64_t bs = m_header.blockSize;
    if (m_header.journalInfoBlock == 0 || m_header.journalInfoBlock >= m_header.totalBlocks)
        return fail(ErrorCode::corrupt, "the volume is journaled but its journal cannot be found");
    uint8_t info[52];
    VORLAP_TRY(m_volume->readAt(uint64_t{m_header.journalInfoBlock} * bs, info, sizeof info));
    const uint32_t flags = loadBE32(info);
    if ((flags & 0x1) == 0 || (flags & 0x2) != 0)
        return fail(ErrorCode::unsupported, "the volume's journal lives on another device, which is not supported");
    const uint64_t offset = loadBE64(info + 36);
    uint8_t journal[24];
    if (offset > m_info.sizeBytes || sizeof journal > m_info.sizeBytes - offset)
        return fail(ErrorCode::corrupt, "the volume's journal lies outside the volume");
    VORLAP_TRY(m_volume->readAt(offset, journal, sizeof journal));
    // The journal header is in the byte order of the machine that wrote it.
    const bool bigEndian = loadBE32(journal) == 0x4A4E4C78 && loadBE32(journal + 4) == 0x12345678;
    const bool littleEndian = loadBE32(journal) == 0x784C4E4A && loadBE32(journal + 4) == 0x78563412;
    if (!bigEndian && !littleEndian)
        return fail(ErrorCode::corrupt, "the volume's journal header is damaged");
    if (std::memcmp(journal + 8, journal + 16, 8) != 0)
        return fail(ErrorCode::corrupt, "the volume's journal holds changes that were never applied; mount it on macOS first");
    return {};
}

Result<void> VolumeReader::claim(const std::vector<ExtentDescriptor>& extents, const std::string& what)
{
    // Claimed ranges as start -> end: memory follows the extents, not the volume's size.
    for (const ExtentDescriptor& e : extents) {
        const uint64_t start = e.startBlock, end = start + e.blockCount;
        const auto next = m_claimedBlocks.lower_bound(start);
        const bool overlapsNext = next != m_claimedBlocks.end() && next->first < end;
        const bool overlapsPrevious = next != m_claimedBlocks.begin() && std::prev(next)->second > start;
        if (overlapsNext || overlapsPrevious)
            return fail(ErrorCode::corrupt, "the " + what + " shares blocks with another item");
        m_claimedBlocks.emplace_hint(next, start, end);
    }
    return {};
}

Result<std::vector<ExtentDescriptor>> VolumeReader::forkExtents(uint32_t fileId, uint8_t forkType, const ForkData& fork)
{
    const std::string what = "fork of item " + std::to_string(fileId);
    const uint64_t bs = m_header.blockSize;
    if (fork.logicalSize > uint64_t{fork.totalBlocks} * bs)
        return fail(ErrorCode::corrupt, "the " + what + " is larger than its blocks");
    std::vector<ExtentDescriptor> extents;
    uint64_t covered = 0;
    auto take = [&](const ExtentRecord& record) -> Result<bool> {
        for (const ExtentDescriptor& e : record) {
            if (e.blockCount == 0)
                return false; // the rest of the record is unused
            if (uint64_t{e.startBlock} + e.blockCount > m_header.totalBlocks)
                return fail(ErrorCode::corrupt, "the " + what + " has an extent outside the volume");
            extents.push_back(e);
            covered += e.blockCount;
            if (covered > fork.totalBlocks)
                return fail(ErrorCode::corrupt, "the " + what + " has more blocks than it says");
        }
        return true;
    };
    VORLAP_TRY(take(fork.extents));
    const auto* more = covered < fork.totalBlocks ? m_overflow.find(fileId, forkType) : nullptr;
    while (covered < fork.totalBlocks && more) {
        const auto it = more->find(static_cast<uint32_t>(covered));
        if (it == more->end())
            break;
        const uint64_t before = covered;
        VORLAP_TRY(take(it->second));
        if (covered == before)
            break;
    }
    if (covered != fork.totalBlocks)
        return fail(ErrorCode::corrupt, "the " + what + " is missing some of its blocks");
    return extents;
}

Result<void> VolumeReader::readFork(const std::vector<ExtentDescriptor>& extents, uint64_t logicalSize,
                                    const std::function<Result<void>(const uint8_t*, size_t)>& sink)
{
    std::vector<uint8_t> buffer(static_cast<size_t>(std::min<uint64_t>(chunkSize, logicalSize)));
    uint64_t remaining = logicalSize;
    const uint64_t bs = m_header.blockSize;
    for (const ExtentDescriptor& e : extents) {
        uint64_t offset = uint64_t{e.startBlock} * bs;
        uint64_t left = std::min<uint64_t>(uint64_t{e.blockCount} * bs, remaining);
        while (left > 0) {
            const size_t piece = static_cast<size_t>(std::min<uint64_t>(left, buffer.size()));
            VORLAP_TRY(m_volume->readAt(offset, buffer.data(), piece));
            VORLAP_TRY(sink(buffer.data(), piece));
            offset += piece;
            left -= piece;
            remaining -= piece;
        }
    }
    return {};
}

Result<std::vector<ExtentDescriptor>> VolumeReader::specialForkExtents(uint32_t fileId, const ForkData& fork,
                                                                      const std::string& what)
{
    auto extents = forkExtents(fileId, dataForkType, fork);
    if (!extents)
        return failWithin("the " + what + ": ", extents.error());
    VORLAP_TRY(claim(*extents, what));
    return extents;
}

TreeFileRead VolumeReader::treeFileReader(std::vector<ExtentDescriptor> extents)
{
    const uint64_t bs = m_header.blockSize;
    return [this, bs, extents = std::move(extents)](uint64_t offset, uint8_t* out, size_t length) -> Result<void> {
        // Node reads are small and few per extent, so a scan of the (short) list is enough.
        uint64_t forkStart = 0;
        for (const ExtentDescriptor& e : extents) {
            const uint64_t extentBytes = uint64_t{e.blockCount} * bs;
            while (length > 0 && offset >= forkStart && offset < forkStart + extentBytes) {
                const uint64_t within = offset - forkStart;
                const size_t piece = static_cast<size_t>(std::min<uint64_t>(length, extentBytes - within));
                VORLAP_TRY(m_volume->readAt(uint64_t{e.startBlock} * bs + within, out, piece));
                out += piece;
                offset += piece;
                length -= piece;
            }
            forkStart += extentBytes;
        }
        if (length > 0)
            return fail(ErrorCode::corrupt, "a B-tree node lies outside its file's blocks");
        return {};
    };
}

Result<void> VolumeReader::readDataFork(uint32_t id, const std::function<Result<void>(const uint8_t*, size_t)>& sink)
{
    const auto found = m_byId.find(id);
    if (found == m_byId.end() || m_items[found->second].folder)
        return fail(ErrorCode::notFound, "no file with ID " + std::to_string(id));
    const Item& item = m_items[found->second];
    VORLAP_TRY_LET(target, resolveHardLink(item));
    const FileRecord& file = target->fileRecord;
    if (file.bsd.ownerFlags & ownerFlagCompressed)
        return fail(ErrorCode::unsupported, "\"" + utf8FromHfsName(item.name) + "\" uses HFS+ compression, which is not supported");
    VORLAP_TRY_LET(extents, forkExtents(target->id, dataForkType, file.dataFork));
    // Each fork's blocks are claimed once: a fork that shares blocks with another is refused.
    if (!m_claimedForks[target->id]) {
        VORLAP_TRY(claim(extents, "data of \"" + utf8FromHfsName(item.name) + "\""));
        m_claimedForks[target->id] = true;
    }
    return readFork(extents, file.dataFork.logicalSize, sink);
}

Result<const VolumeReader::Item*> VolumeReader::resolveHardLink(const Item& item)
{
    const FileRecord& file = item.fileRecord;
    if (file.fileType() == folderAliasType && file.creator() == folderAliasCreator && item.parentId != m_privateDataFolder)
        return fail(ErrorCode::unsupported, "\"" + utf8FromHfsName(item.name) + "\" is a folder hard link, which is not supported");
    if (file.fileType() != hardLinkFileType || file.creator() != hardLinkCreator)
        return &item;
    if (const auto target = m_linkTargets.find(file.bsd.special); target != m_linkTargets.end())
        return &m_items[target->second];
    return fail(ErrorCode::corrupt, "the hard link \"" + utf8FromHfsName(item.name) + "\" has no target");
}

Result<std::string> VolumeReader::linkTargetOf(const Item& item)
{
    if (item.fileRecord.dataFork.logicalSize > maxLinkTarget)
        return fail(ErrorCode::corrupt, "the symbolic link \"" + utf8FromHfsName(item.name) + "\" has an over-long target");
    std::string target;
    VORLAP_TRY(readDataFork(item.id, [&](const uint8_t* data, size_t size) -> Result<void> {
        target.append(reinterpret_cast<const char*>(data), size);
        return {};
    }));
    if (target.empty() || target.find('\0') != std::string::npos)
        return fail(ErrorCode::corrupt, "the symbolic link \"" + utf8FromHfsName(item.name) + "\" has an invalid target");
    return target;
}

Result<void> VolumeReader::walk(const std::function<Result<void>(const Visit&)>& visit)
{
    // Recursion over folders; every item has one ID and one parent, so the walk from
    // the root is a tree. Depth is bounded.
    std::function<Result<void>(uint32_t, const std::string&, const std::string&, int)> descend =
        [&](uint32_t folderId, const std::string& path, const std::string& unpackPath, int depth) -> Result<void> {
        if (depth > maxDepth)
            return fail(ErrorCode::corrupt, "folders are nested too deeply at \"" + path + "\"");
        const auto children = m_children.find(folderId);
        if (children == m_children.end())
            return {};
        for (size_t index : children->second) {
            const Item& item = m_items[index];
            if (folderId == rootFolderId) {
                if (item.folder && (item.name == privateDataName || item.name == privateDirectoryName))
                    continue;
                if (m_info.journaled && !item.folder && (item.name == u".journal" || item.name == u".journal_info_block"))
                    continue;
            }
            const std::string name = utf8FromHfsName(item.name);
            if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
                return fail(ErrorCode::corrupt, "the volume holds an invalid name \"" + name + "\" in \"" + path + "\"");
            const std::string childPath = path.empty() ? name : path + "/" + name;
            const std::string unpackName = composedUtf8FromHfsName(item.name);
            const std::string childUnpackPath = unpackPath.empty() ? unpackName : unpackPath + "/" + unpackName;
            if (item.folder) {
                VORLAP_TRY(visit({Visit::Step::EnterFolder, &item, name, childPath, unpackName, childUnpackPath}));
                VORLAP_TRY(descend(item.id, childPath, childUnpackPath, depth + 1));
                VORLAP_TRY(visit({Visit::Step::LeaveFolder, &item, name, childPath, unpackName, childUnpackPath}));
            } else if (auto v = visit({Visit::Step::File, &item, name, childPath, unpackName, childUnpackPath}); !v) {
                return v;
            }
        }
        return {};
    };
    return descend(rootFolderId, std::string(), std::string(), 0);
}

Result<std::vector<VolumeEntry>> VolumeReader::list()
{
    std::vector<VolumeEntry> entries;
    VORLAP_TRY(walk([&](const Visit& visit) -> Result<void> {
        if (visit.step == Visit::Step::LeaveFolder)
            return {};
        const Item& item = *visit.item;
        VolumeEntry entry;
        entry.path = visit.path;
        entry.id = item.id;
        const BsdInfo& bsd = item.folder ? item.folderRecord.bsd : item.fileRecord.bsd;
        const CatalogDates& dates = item.folder ? item.folderRecord.dates : item.fileRecord.dates;
        entry.mode = bsd.fileMode;
        entry.ownerId = bsd.ownerId;
        entry.groupId = bsd.groupId;
        entry.createTime = unixFromHfsDate(dates.create);
        entry.modifyTime = unixFromHfsDate(dates.contentModify);
        entry.accessTime = unixFromHfsDate(dates.access);
        if (item.folder) {
            entry.kind = ItemKind::Folder;
        } else if ((bsd.fileMode & S_IFMT) == S_IFLNK) {
            entry.kind = ItemKind::Symlink;
            VORLAP_TRY_LET(target, linkTargetOf(item));
            entry.linkTarget = target;
            entry.size = target.size();
        } else {
            entry.kind = ItemKind::File;
            VORLAP_TRY_LET(target, resolveHardLink(item));
            entry.size = target->fileRecord.dataFork.logicalSize;
        }
        entries.push_back(std::move(entry));
        return {};
    }));
    return entries;
}

namespace {

constexpr size_t holeGranule = 4096;

bool allZero(const uint8_t* data, size_t size)
{
    return std::all_of(data, data + size, [](uint8_t b) { return b == 0; });
}

// Writes `data` at `offset` but leaves every all-zero granule unwritten: the file is
// extended to its length at the end, so those read as zeros and take no disk space.
Result<void> writeLeavingHoles(int fd, uint64_t offset, const uint8_t* data, size_t size, const std::string& name)
{
    size_t runStart = 0, at = 0;
    while (at < size) {
        const size_t piece = std::min(holeGranule, size - at);
        if (allZero(data + at, piece)) {
            if (at > runStart)
                VORLAP_TRY(writeAllAt(fd, offset + runStart, data + runStart, at - runStart, name));
            runStart = at + piece;
        }
        at += piece;
    }
    if (size > runStart)
        VORLAP_TRY(writeAllAt(fd, offset + runStart, data + runStart, size - runStart, name));
    return {};
}

} // namespace

Result<void> VolumeReader::extractFile(int topFd, int dirFd, const std::string& name, const std::string& path, const Item& item)
{
    const BsdInfo& bsd = item.fileRecord.bsd;
    const uint16_t type = bsd.fileMode & S_IFMT;
    if (type == S_IFLNK) {
        VORLAP_TRY_LET(target, linkTargetOf(item));
        if (::symlinkat(target.c_str(), dirFd, name.c_str()) != 0)
            return failWithErrno(name);
        return {};
    }
    if (type != 0 && type != S_IFREG)
        return fail(ErrorCode::unsupported, "\"" + name + "\" is a device, FIFO or socket, which is not extracted");
    // The second and later links to one file become hard links to the first copy.
    VORLAP_TRY_LET(linkTarget, resolveHardLink(item));
    if (linkTarget != &item) {
        const auto first = m_unpackedLinks.find(linkTarget->id);
        if (first != m_unpackedLinks.end()) {
            if (::linkat(topFd, first->second.c_str(), dirFd, name.c_str(), 0) == 0)
                return {};
            // More links than the file system allows on one file (65000 on ext4): the
            // rest go to a fresh copy.
            if (errno != EMLINK)
                return failWithErrno(name);
        }
        m_unpackedLinks[linkTarget->id] = path;
    }
    posix::UniqueFd out(::openat(dirFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!out.isOpen())
        return failWithErrno(name);
    uint64_t written = 0;
    VORLAP_TRY(readDataFork(item.id, [&](const uint8_t* data, size_t size) -> Result<void> {
        VORLAP_TRY(writeLeavingHoles(out.get(), written, data, size, name));
        written += size;
        return {};
    }));
    if (::ftruncate(out.get(), static_cast<off_t>(written)) != 0)
        return failWithErrno(name);
    const mode_t mode = type == 0 ? 0644 : (bsd.fileMode & 01777);
    if (::fchmod(out.get(), mode) != 0)
        return failWithErrno(name);
    return {};
}

Result<uint64_t> VolumeReader::bytesToUnpack()
{
    // Whole blocks per distinct file and one per item: an upper bound of what the
    // unpacked tree takes, holes aside.
    constexpr uint64_t block = 4096;
    uint64_t bytes = 0;
    std::unordered_map<uint32_t, bool> counted;
    VORLAP_TRY(walk([&](const Visit& visit) -> Result<void> {
        bytes += block;
        if (visit.step != Visit::Step::File || (visit.item->fileRecord.bsd.fileMode & S_IFMT) == S_IFLNK)
            return {};
        VORLAP_TRY_LET(target, resolveHardLink(*visit.item));
        if (!counted.emplace(target->id, true).second)
            return {};
        // A fork whose size its blocks cannot hold is reported as that, not as a lack of space.
        if (auto extents = forkExtents(target->id, dataForkType, target->fileRecord.dataFork); !extents)
            return failWithin(visit.path + ": ", extents.error());
        bytes += (target->fileRecord.dataFork.logicalSize + block - 1) / block * block;
        return {};
    }));
    return bytes;
}

Result<void> VolumeReader::checkFreeSpace(const std::string& folder)
{
    VORLAP_TRY_LET(needed, bytesToUnpack());
    struct statvfs fsInfo {};
    if (::statvfs(folder.c_str(), &fsInfo) != 0)
        return failWithErrno(folder);
    const uint64_t available = uint64_t{fsInfo.f_bavail} * fsInfo.f_frsize;
    if (needed > available)
        return fail(ErrorCode::noSpace, "not enough space to unpack the volume into " + folder + ": it needs up to "
                    + std::to_string(needed) + " bytes, and " + std::to_string(available) + " are free");
    return {};
}

Result<void> VolumeReader::extractTo(const std::string& folder, bool adoptRootAttributes)
{
    VORLAP_TRY(checkFreeSpace(folder));
    m_unpackedLinks.clear();
    std::vector<posix::UniqueFd> fds; // one per open folder level, the target first
    const int top = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (top < 0)
        return failWithErrno(folder);
    fds.emplace_back(top);

    auto applyAttributes = [](int dirFd, const char* name, const BsdInfo& bsd, const CatalogDates& dates,
                              bool folderItem) -> Result<void> {
        const uint16_t type = bsd.fileMode & S_IFMT;
        if (folderItem) {
            const mode_t mode = type == 0 ? 0755 : (bsd.fileMode & 01777);
            if (::fchmodat(dirFd, name, mode, 0) != 0)
                return failWithErrno(name);
        }
        const timespec times[2] = {timeOf(unixFromHfsDate(dates.access)), timeOf(unixFromHfsDate(dates.contentModify))};
        if (::utimensat(dirFd, name, times, AT_SYMLINK_NOFOLLOW) != 0)
            return failWithErrno(name);
        return {};
    };

    VORLAP_TRY(walk([&](const Visit& visit) -> Result<void> {
        const Item& item = *visit.item;
        const int dirFd = fds.back().get();
        if (visit.step != Visit::Step::LeaveFolder && visit.unpackName.size() > NAME_MAX)
            return fail(ErrorCode::invalidArgument, "the name \"" + visit.path + "\" is too long to unpack: "
                        + std::to_string(visit.unpackName.size()) + " bytes, at most " + std::to_string(NAME_MAX) + " fit");
        switch (visit.step) {
        case Visit::Step::EnterFolder: {
            if (::mkdirat(dirFd, visit.unpackName.c_str(), 0700) != 0)
                return failWithErrno(visit.path);
            const int fd = ::openat(dirFd, visit.unpackName.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (fd < 0)
                return failWithErrno(visit.path);
            fds.emplace_back(fd);
            return {};
        }
        case Visit::Step::LeaveFolder:
            fds.pop_back();
            return applyAttributes(fds.back().get(), visit.unpackName.c_str(), item.folderRecord.bsd, item.folderRecord.dates, true);
        case Visit::Step::File: {
            if (auto extracted = extractFile(top, dirFd, visit.unpackName, visit.unpackPath, item); !extracted)
                return failWithin(visit.path + ": ", extracted.error());
            return applyAttributes(dirFd, visit.unpackName.c_str(), item.fileRecord.bsd, item.fileRecord.dates, false);
        }
        }
        return {};
    }));
    if (!adoptRootAttributes)
        return {};
    const Item& root = m_items[m_byId.at(rootFolderId)];
    return applyAttributes(top, ".", root.folderRecord.bsd, root.folderRecord.dates, true);
}

} // namespace vorlap::diskimage::hfsplus
