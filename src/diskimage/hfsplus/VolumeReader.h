#pragma once
// Opens an HFS+ volume held by a ByteSource (a bare volume, or a disk with an Apple,
// GUID or MBR partition map), checks its structures and reads its tree: names, kinds,
// modes, dates, symbolic link targets and data forks. Every number read from the
// image is checked before use, so a damaged or hostile image gives an error.
#include "diskimage/ByteSource.h"
#include "diskimage/hfsplus/BTreeReader.h"
#include "diskimage/hfsplus/CatalogRecords.h"
#include "diskimage/hfsplus/ExtentsOverflow.h"
#include "diskimage/hfsplus/ItemKind.h"
#include "diskimage/hfsplus/VolumeHeader.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace vorlap::diskimage::hfsplus {

struct VolumeInfo {
    std::string name;        // the volume name (POSIX form)
    uint64_t sizeBytes = 0;  // totalBlocks * blockSize: the size to write it back with
    uint64_t offset = 0;     // where the volume starts on the disk
    uint32_t blockSize = 0;
    uint32_t totalBlocks = 0;
    uint32_t freeBlocks = 0;
    uint32_t fileCount = 0;
    uint32_t folderCount = 0;
    uint32_t createDate = 0; // as stored (HFS+ seconds)
    bool journaled = false;
};

struct VolumeEntry {
    std::string path; // relative to the volume root, '/'-separated POSIX names
    ItemKind kind = ItemKind::File;
    uint32_t id = 0;  // catalog node ID
    uint16_t mode = 0;
    uint32_t ownerId = 0;
    uint32_t groupId = 0;
    uint64_t size = 0; // data fork bytes (link target length for symlinks)
    int64_t createTime = 0; // Unix seconds
    int64_t modifyTime = 0;
    int64_t accessTime = 0;
    std::string linkTarget;
};

class VolumeReader {
public:
    // Reads and checks the volume header, the extents overflow file and the catalog.
    // `disk` must outlive the reader.
    static Result<std::unique_ptr<VolumeReader>> open(ByteSource& disk);

    const VolumeInfo& info() const { return m_info; }

    // Every item below the root, parents before children, in catalog order.
    Result<std::vector<VolumeEntry>> list();

    // Recreates the tree inside `folder`, which must exist. Items are created with
    // O_EXCL/O_NOFOLLOW relative to their parent's descriptor, so nothing is written
    // outside `folder` and nothing existing is overwritten. The root folder's mode and
    // dates are applied to `folder` itself. Set-user and set-group bits are dropped.
    // Hard links stay hard links, all-zero stretches of files become holes, and the
    // space the tree may take is checked against the folder's free space first.
    // `adoptRootAttributes` false leaves `folder`'s own mode and dates as they are (a
    // folder the caller did not make).
    Result<void> extractTo(const std::string& folder, bool adoptRootAttributes = true);

    // The data fork of a file item: calls `sink` with consecutive pieces of at most 1 MiB.
    Result<void> readDataFork(uint32_t id, const std::function<Result<void>(const uint8_t*, size_t)>& sink);

private:
    struct Item {
        uint32_t id = 0;
        uint32_t parentId = 0;
        std::u16string name;
        bool folder = false;
        FolderRecord folderRecord;
        FileRecord fileRecord;
    };
    struct Visit;

    explicit VolumeReader(ByteSource& disk) : m_disk(disk) {}
    Result<void> load();
    Result<void> readHeader();
    Result<void> loadExtentsOverflow();
    Result<void> loadCatalog();
    Result<void> addCatalogItem(CatalogLeafEntry entry);
    Result<void> checkJournal();
    Result<std::vector<ExtentDescriptor>> forkExtents(uint32_t fileId, uint8_t forkType, const ForkData& fork);
    Result<std::vector<ExtentDescriptor>> specialForkExtents(uint32_t fileId, const ForkData& fork, const std::string& what);
    TreeFileRead treeFileReader(std::vector<ExtentDescriptor> extents);
    Result<void> readFork(const std::vector<ExtentDescriptor>& extents, uint64_t logicalSize,
                          const std::function<Result<void>(const uint8_t*, size_t)>& sink);
    Result<void> claim(const std::vector<ExtentDescriptor>& extents, const std::string& what);
    Result<void> walk(const std::function<Result<void>(const Visit&)>& visit);
    Result<const Item*> resolveHardLink(const Item& item);
    Result<std::string> linkTargetOf(const Item& item);
    Result<void> extractFile(int topFd, int dirFd, const std::string& name, const std::string& path, const Item& item);
    void indexHardLinkTargets();
    Result<uint64_t> bytesToUnpack();
    Result<void> checkFreeSpace(const std::string& folder);

    ByteSource& m_disk;
    std::unique_ptr<ByteSource> m_volume;
    VolumeHeader m_header;
    VolumeInfo m_info;
    ExtentOverflowIndex m_overflow;
    std::map<uint64_t, uint64_t> m_claimedBlocks; // first block -> one past the last
    std::vector<Item> m_items;
    std::unordered_map<uint32_t, size_t> m_byId;
    std::unordered_map<uint32_t, std::vector<size_t>> m_children; // in catalog order
    std::unordered_map<uint32_t, bool> m_claimedForks;
    uint32_t m_privateDataFolder = 0;
    std::unordered_map<uint32_t, size_t> m_linkTargets;        // link number -> its "iNode" item
    std::unordered_map<uint32_t, std::string> m_unpackedLinks; // target ID -> first path unpacked
};

} // namespace vorlap::diskimage::hfsplus
