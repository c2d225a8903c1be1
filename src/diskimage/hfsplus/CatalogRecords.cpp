#include "diskimage/hfsplus/CatalogRecords.h"

#include "common/BigEndian.h"
#include "diskimage/hfsplus/UnicodeName.h"

#include <cstring>

namespace vorlap::diskimage::hfsplus {

namespace {

void appendU16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

void appendU32(std::vector<uint8_t>& out, uint32_t v)
{
    appendU16(out, static_cast<uint16_t>(v >> 16));
    appendU16(out, static_cast<uint16_t>(v));
}

void appendName(std::vector<uint8_t>& out, const std::u16string& name)
{
    appendU16(out, static_cast<uint16_t>(name.size()));
    for (char16_t u : name)
        appendU16(out, static_cast<uint16_t>(u));
}

void encodeDates(uint8_t* p, const CatalogDates& d)
{
    storeBE32(p, d.create);
    storeBE32(p + 4, d.contentModify);
    storeBE32(p + 8, d.attributeModify);
    storeBE32(p + 12, d.access);
    storeBE32(p + 16, d.backup);
}

CatalogDates decodeDates(const uint8_t* p)
{
    return {loadBE32(p), loadBE32(p + 4), loadBE32(p + 8), loadBE32(p + 12), loadBE32(p + 16)};
}

void encodeBsd(uint8_t* p, const BsdInfo& b)
{
    storeBE32(p, b.ownerId);
    storeBE32(p + 4, b.groupId);
    p[8] = b.adminFlags;
    p[9] = b.ownerFlags;
    storeBE16(p + 10, b.fileMode);
    storeBE32(p + 12, b.special);
}

BsdInfo decodeBsd(const uint8_t* p)
{
    return {loadBE32(p), loadBE32(p + 4), p[8], p[9], loadBE16(p + 10), loadBE32(p + 12)};
}

// Reads the name of n units at p; the caller has checked the length.
std::u16string readName(const uint8_t* p, size_t units)
{
    std::u16string name(units, u'\0');
    for (size_t i = 0; i < units; ++i)
        name[i] = static_cast<char16_t>(loadBE16(p + 2 * i));
    return name;
}

Result<CatalogKey> decodeKey(RecordSpan span, size_t& keyEnd)
{
    if (span.size < 8)
        return fail(ErrorCode::corrupt, "a catalog record is too short for its key");
    const size_t keyLength = loadBE16(span.data);
    const size_t nameLength = loadBE16(span.data + 6);
    if (keyLength < 6 || keyLength > catalogMaxKeyLength || keyLength + 2 > span.size)
        return fail(ErrorCode::corrupt, "a catalog key has an invalid length");
    if (nameLength > maxNameUnits || 6 + 2 * nameLength != keyLength)
        return fail(ErrorCode::corrupt, "a catalog key's name does not match its length");
    CatalogKey key;
    key.parentId = loadBE32(span.data + 2);
    key.name = readName(span.data + 8, nameLength);
    keyEnd = 2 + keyLength;
    return key;
}

} // namespace

int compareCatalogKeys(const CatalogKey& a, const CatalogKey& b)
{
    if (a.parentId != b.parentId)
        return a.parentId < b.parentId ? -1 : 1;
    return compareHfsNames(a.name, b.name);
}

uint32_t FileRecord::fileType() const { return loadBE32(finderInfo.data()); }
uint32_t FileRecord::creator() const { return loadBE32(finderInfo.data() + 4); }
void FileRecord::setTypeAndCreator(uint32_t type, uint32_t creatorCode)
{
    storeBE32(finderInfo.data(), type);
    storeBE32(finderInfo.data() + 4, creatorCode);
}

std::vector<uint8_t> encodeCatalogLeaf(const CatalogKey& key, const CatalogRecord& record)
{
    std::vector<uint8_t> out;
    out.reserve(2 + 6 + 2 * key.name.size() + fileRecordSize);
    appendU16(out, static_cast<uint16_t>(6 + 2 * key.name.size()));
    appendU32(out, key.parentId);
    appendName(out, key.name);
    if (const auto* folder = std::get_if<FolderRecord>(&record)) {
        const size_t at = out.size();
        out.resize(at + folderRecordSize, 0);
        uint8_t* p = out.data() + at;
        storeBE16(p, static_cast<uint16_t>(folderRecordType));
        storeBE16(p + 2, folder->flags);
        storeBE32(p + 4, folder->valence);
        storeBE32(p + 8, folder->folderId);
        encodeDates(p + 12, folder->dates);
        encodeBsd(p + 32, folder->bsd);
        std::memcpy(p + 48, folder->finderInfo.data(), 32);
        storeBE32(p + 80, folder->textEncoding);
    } else if (const auto* file = std::get_if<FileRecord>(&record)) {
        const size_t at = out.size();
        out.resize(at + fileRecordSize, 0);
        uint8_t* p = out.data() + at;
        storeBE16(p, static_cast<uint16_t>(fileRecordType));
        storeBE16(p + 2, file->flags);
        storeBE32(p + 8, file->fileId);
        encodeDates(p + 12, file->dates);
        encodeBsd(p + 32, file->bsd);
        std::memcpy(p + 48, file->finderInfo.data(), 32);
        storeBE32(p + 80, file->textEncoding);
        file->dataFork.encode(p + 88);
        file->resourceFork.encode(p + 168);
    } else {
        const auto& thread = std::get<ThreadRecord>(record);
        appendU16(out, static_cast<uint16_t>(thread.isFolder ? folderThreadRecordType : fileThreadRecordType));
        appendU16(out, 0);
        appendU32(out, thread.parentId);
        appendName(out, thread.name);
    }
    return out;
}

Result<CatalogLeafEntry> decodeCatalogLeaf(RecordSpan span)
{
    size_t keyEnd = 0;
    VORLAP_TRY_LET(key, decodeKey(span, keyEnd));
    const uint8_t* p = span.data + keyEnd;
    const size_t size = span.size - keyEnd;
    if (size < 2)
        return fail(ErrorCode::corrupt, "a catalog record has no type");
    const auto type = static_cast<int16_t>(loadBE16(p));
    CatalogLeafEntry entry{std::move(key), FolderRecord{}};
    switch (type) {
    case folderRecordType: {
        if (size < folderRecordSize)
            return fail(ErrorCode::corrupt, "a catalog folder record is too short");
        FolderRecord folder;
        folder.flags = loadBE16(p + 2);
        folder.valence = loadBE32(p + 4);
        folder.folderId = loadBE32(p + 8);
        folder.dates = decodeDates(p + 12);
        folder.bsd = decodeBsd(p + 32);
        std::memcpy(folder.finderInfo.data(), p + 48, 32);
        folder.textEncoding = loadBE32(p + 80);
        entry.record = folder;
        break;
    }
    case fileRecordType: {
        if (size < fileRecordSize)
            return fail(ErrorCode::corrupt, "a catalog file record is too short");
        FileRecord file;
        file.flags = loadBE16(p + 2);
        file.fileId = loadBE32(p + 8);
        file.dates = decodeDates(p + 12);
        file.bsd = decodeBsd(p + 32);
        std::memcpy(file.finderInfo.data(), p + 48, 32);
        file.textEncoding = loadBE32(p + 80);
        file.dataFork = ForkData::decode(p + 88);
        file.resourceFork = ForkData::decode(p + 168);
        entry.record = file;
        break;
    }
    case folderThreadRecordType:
    case fileThreadRecordType: {
        if (size < 10)
            return fail(ErrorCode::corrupt, "a catalog thread record is too short");
        const size_t units = loadBE16(p + 8);
        if (units > maxNameUnits || 10 + 2 * units > size)
            return fail(ErrorCode::corrupt, "a catalog thread record's name does not fit");
        entry.record = ThreadRecord{type == folderThreadRecordType, loadBE32(p + 4), readName(p + 10, units)};
        break;
    }
    default:
        return fail(ErrorCode::corrupt, "a catalog record has the unknown type " + std::to_string(type));
    }
    return entry;
}

Result<std::pair<CatalogKey, uint32_t>> decodeCatalogIndex(RecordSpan span)
{
    size_t keyEnd = 0;
    VORLAP_TRY_LET(key, decodeKey(span, keyEnd));
    if (keyEnd + 4 > span.size)
        return fail(ErrorCode::corrupt, "a catalog index record has no child pointer");
    return std::make_pair(std::move(key), loadBE32(span.data + keyEnd));
}

} // namespace vorlap::diskimage::hfsplus
