#pragma once
// Catalog keys and the four catalog record types: folder (88 bytes), file (248 bytes),
// folder and file threads (10 + 2n bytes) (TN1150 "Catalog File").
#include "diskimage/DiskImageError.h"
#include "diskimage/hfsplus/BTreeNode.h"
#include "diskimage/hfsplus/ForkData.h"

#include <array>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace vorlap::diskimage::hfsplus {

constexpr uint16_t catalogMaxKeyLength = 516;
constexpr int16_t folderRecordType = 1;
constexpr int16_t fileRecordType = 2;
constexpr int16_t folderThreadRecordType = 3;
constexpr int16_t fileThreadRecordType = 4;
constexpr size_t folderRecordSize = 88;
constexpr size_t fileRecordSize = 248;

constexpr uint16_t fileThreadExistsFlag = 0x0002;
constexpr uint8_t ownerFlagCompressed = 0x20;
constexpr uint32_t symlinkFileType = 0x736C6E6B;    // 'slnk'
constexpr uint32_t symlinkCreator = 0x72686170;     // 'rhap'
constexpr uint32_t hardLinkFileType = 0x686C6E6B;   // 'hlnk'
constexpr uint32_t hardLinkCreator = 0x6866732B;    // 'hfs+'

struct CatalogKey {
    uint32_t parentId = 0;
    std::u16string name;
};

// Catalog key order on an "H+" volume: parent ID, then the case-insensitive name
// order (an empty name first).
int compareCatalogKeys(const CatalogKey& a, const CatalogKey& b);

struct BsdInfo {
    uint32_t ownerId = 0;
    uint32_t groupId = 0;
    uint8_t adminFlags = 0;
    uint8_t ownerFlags = 0;
    uint16_t fileMode = 0;
    uint32_t special = 0;
};

struct CatalogDates {
    uint32_t create = 0;
    uint32_t contentModify = 0;
    uint32_t attributeModify = 0;
    uint32_t access = 0;
    uint32_t backup = 0;
};

struct FolderRecord {
    uint16_t flags = 0;
    uint32_t valence = 0;
    uint32_t folderId = 0;
    CatalogDates dates;
    BsdInfo bsd;
    std::array<uint8_t, 32> finderInfo{}; // user info then extended info
    uint32_t textEncoding = 0;
};

struct FileRecord {
    uint16_t flags = fileThreadExistsFlag;
    uint32_t fileId = 0;
    CatalogDates dates;
    BsdInfo bsd;
    std::array<uint8_t, 32> finderInfo{}; // fileType (0), creator (4), flags (8), ...
    uint32_t textEncoding = 0;
    ForkData dataFork;
    ForkData resourceFork;

    uint32_t fileType() const;
    uint32_t creator() const;
    void setTypeAndCreator(uint32_t type, uint32_t creatorCode);
};

struct ThreadRecord {
    bool isFolder = true;
    uint32_t parentId = 0;
    std::u16string name;
};

using CatalogRecord = std::variant<FolderRecord, FileRecord, ThreadRecord>;

struct CatalogLeafEntry {
    CatalogKey key;
    CatalogRecord record;
};

// The leaf record bytes (key followed by data) of each record kind.
std::vector<uint8_t> encodeCatalogLeaf(const CatalogKey& key, const CatalogRecord& record);

// Parses one catalog leaf record, checking key and record lengths exactly.
Result<CatalogLeafEntry> decodeCatalogLeaf(RecordSpan span);

// Parses the key of an index record and returns it with the child node number.
Result<std::pair<CatalogKey, uint32_t>> decodeCatalogIndex(RecordSpan span);

} // namespace vorlap::diskimage::hfsplus
