#include "dsstore/AliasRecord.h"

#include "common/BigEndian.h"
#include "common/MacEpoch.h"
#include "platform/ItemMetadata.h"

#include <cstdint>
#include <limits>

namespace vorlap {

namespace {

// Tags of the extended fields.
enum Tag : uint16_t {
    folderNameTag = 0,
    folderIdTag = 1,
    carbonPathTag = 2,
    fileNameUnicodeTag = 14,
    volumeNameUnicodeTag = 15,
    volumeDateTag = 16,
    fileDateTag = 17,
    posixPathTag = 18,
    mountPathTag = 19,
    endTag = 0xFFFF,
};

// An item number as the record's 32-bit field holds it: 0 when unreadable or too large.
uint32_t itemNumber32(const QString& path)
{
    const auto number = platform::itemNumber(path.toStdString());
    if (!number || *number > std::numeric_limits<uint32_t>::max())
        return 0;
    return static_cast<uint32_t>(*number);
}

// A creation date in seconds since 1904: 0 when there is none or it lies outside 1904–2040.
uint32_t creationDate32(const QString& path)
{
    const auto time = platform::creationTime(path.toStdString());
    if (!time)
        return 0;
    const int64_t seconds = time->seconds + macEpochOffset; // whole seconds, toward zero for dates after 1904
    if (seconds < 0 || seconds > std::numeric_limits<uint32_t>::max())
        return 0;
    return static_cast<uint32_t>(seconds);
}

Unexpected<DSStoreError> pathTooLong()
{
    return unexpected(DSStoreError{QStringLiteral("The background picture's path is too long for its alias record")});
}

// A Pascal string field of width + 1 bytes. A name longer than `width` bytes of UTF-8 is
// cut at the start of the character that would be split.
void appendPascalString(QByteArray& out, const QString& text, int width)
{
    QByteArray utf8 = text.toUtf8();
    if (utf8.size() > width) {
        qsizetype cut = width;
        while (cut > 0 && (static_cast<uint8_t>(utf8[cut]) & 0xC0) == 0x80)
            --cut; // utf8[cut] continues a character: move back to its lead byte
        utf8.truncate(cut);
    }
    out.append(static_cast<char>(utf8.size()));
    out.append(utf8);
    out.append(width - utf8.size(), '\0');
}

QByteArray utf16Counted(const QString& text)
{
    QByteArray out;
    bigendian::append16(out, static_cast<uint16_t>(text.size()));
    for (const QChar unit : text)
        bigendian::append16(out, unit.unicode());
    return out;
}

QByteArray be32(uint32_t value)
{
    QByteArray out;
    bigendian::append32(out, value);
    return out;
}

QByteArray be64(uint64_t value)
{
    QByteArray out;
    bigendian::append64(out, value);
    return out;
}

} // namespace

Expected<QByteArray, DSStoreError> makeAliasRecord(const QString& volumeName, const QString& mountPath,
                                                   const QString& folderName, const QString& fileName)
{
    const QString folderPath = mountPath + QLatin1Char('/') + folderName;
    const QString filePath = folderPath + QLatin1Char('/') + fileName;
    return makeAliasRecord(AliasTarget{volumeName, mountPath, folderName, fileName, itemNumber32(folderPath),
                                       itemNumber32(filePath), creationDate32(mountPath), creationDate32(filePath)});
}

Expected<QByteArray, DSStoreError> makeAliasRecord(const AliasTarget& target)
{
    const QString& volumeName = target.volumeName;
    const QString& mountPath = target.mountPath;
    const QString& folderName = target.folderName;
    const QString& fileName = target.fileName;
    const uint32_t folderId = target.folderId;
    const uint32_t fileId = target.fileId;
    const uint32_t volumeDate = target.volumeDate;
    const uint32_t fileDate = target.fileDate;

    QByteArray out;
    bigendian::append32(out, 0); // application-defined type
    bigendian::append16(out, 0); // record size, filled in below
    bigendian::append16(out, 2); // version
    bigendian::append16(out, 0); // kind: file
    appendPascalString(out, volumeName, 27);
    bigendian::append32(out, volumeDate);
    bigendian::append16(out, 0x482B); // "H+"
    bigendian::append16(out, 0);      // drive type
    bigendian::append32(out, folderId);
    appendPascalString(out, fileName, 63);
    bigendian::append32(out, fileId);
    bigendian::append32(out, fileDate);
    bigendian::append32(out, 0);      // file type
    bigendian::append32(out, 0);      // file creator
    bigendian::append16(out, 0xFFFF); // levels up to the common folder: none
    bigendian::append16(out, 0xFFFF); // levels down from it: none
    bigendian::append32(out, 0);      // volume attributes
    bigendian::append16(out, 0);      // volume file-system ID
    out.append(10, '\0');

    const QByteArray carbonPath =
        volumeName.toUtf8() + ':' + folderName.toUtf8() + QByteArray(":\0", 2) + fileName.toUtf8();
    const struct {
        uint16_t tag;
        QByteArray data;
    } fields[] = {
        {folderNameTag, folderName.toUtf8()},
        {volumeDateTag, be64(uint64_t{volumeDate} << 16)},
        {fileDateTag, be64(uint64_t{fileDate} << 16)},
        {folderIdTag, be32(folderId)},
        {carbonPathTag, carbonPath},
        {fileNameUnicodeTag, utf16Counted(fileName)},
        {volumeNameUnicodeTag, utf16Counted(volumeName)},
        {posixPathTag, (QLatin1Char('/') + folderName + QLatin1Char('/') + fileName).toUtf8()},
        {mountPathTag, mountPath.toUtf8()},
    };
    for (const auto& field : fields) {
        if (field.data.size() > std::numeric_limits<uint16_t>::max())
            return pathTooLong();
        bigendian::append16(out, field.tag);
        bigendian::append16(out, static_cast<uint16_t>(field.data.size()));
        out.append(field.data);
        if (field.data.size() % 2 != 0)
            out.append('\0');
    }
    bigendian::append16(out, endTag);
    bigendian::append16(out, 0);

    if (out.size() > std::numeric_limits<uint16_t>::max())
        return pathTooLong();
    bigendian::put16(out, 4, static_cast<uint16_t>(out.size()));
    return out;
}

} // namespace vorlap
