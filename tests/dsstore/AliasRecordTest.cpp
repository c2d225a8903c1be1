// The background picture's alias record, read back field by field.
#include "dsstore/AliasRecord.h"
#include "support/Shell.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <map>

using namespace vorlap;
using namespace vorlap::test;

namespace {

uint16_t u16(const QByteArray& b, qsizetype at) { return qFromBigEndian<uint16_t>(b.constData() + at); }
uint32_t u32(const QByteArray& b, qsizetype at) { return qFromBigEndian<uint32_t>(b.constData() + at); }

struct Field {
    uint16_t tag;
    QByteArray data;
    qsizetype offset; // where the tag stands
};

// Walks the extended fields after the 150-byte fixed part, checking their alignment.
std::vector<Field> extendedFields(const QByteArray& alias)
{
    std::vector<Field> fields;
    qsizetype at = 150;
    while (at + 4 <= alias.size()) {
        const uint16_t tag = u16(alias, at), length = u16(alias, at + 2);
        EXPECT_EQ(at % 2, 0) << "field " << tag << " starts at an odd offset";
        fields.push_back({tag, alias.mid(at + 4, length), at});
        at += 4 + length + (length % 2);
        if (tag == 0xFFFF)
            break;
    }
    EXPECT_EQ(at, alias.size()) << "bytes after the end marker";
    return fields;
}

std::map<uint16_t, QByteArray> byTag(const QByteArray& alias)
{
    std::map<uint16_t, QByteArray> out;
    for (const Field& f : extendedFields(alias))
        out[f.tag] = f.data;
    return out;
}

// What stat(1) says, as an independent reading of the item number and birth time.
uint64_t statField(const QString& path, const char* format)
{
    const ShellResult result = runProgram({"stat", "-c", format, path.toStdString()});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    return std::stoull(result.output);
}

QString pascal(const QByteArray& alias, qsizetype at) { return QString::fromUtf8(alias.mid(at + 1, static_cast<uint8_t>(alias[at]))); }

struct MountedPicture {
    QTemporaryDir mount;
    QString folder = QStringLiteral(".background");
    QString file = QStringLiteral("background-0123456789abcdef.png");

    MountedPicture()
    {
        QDir(mount.path()).mkdir(folder);
        QFile picture(mount.path() + "/" + folder + "/" + file);
        EXPECT_TRUE(picture.open(QIODevice::WriteOnly));
        picture.write("png");
    }
    QString filePath() const { return mount.path() + "/" + folder + "/" + file; }
};

} // namespace

TEST(AliasRecord, FixedPartAndFieldsOfAMountedPicture)
{
    MountedPicture m;
    const auto alias = makeAliasRecord(QStringLiteral("Sample"), m.mount.path(), m.folder, m.file);
    ASSERT_TRUE(alias);
    const QByteArray& a = *alias;

    // The fixed part: record size, version 2, a file alias, the HFS+ signature, no
    // resource fork or volume attributes, and the item numbers stat(1) reads.
    const std::pair<qsizetype, uint32_t> words[] = {{0, 0}, {130, 0xFFFFFFFF}};
    for (const auto& [offset, value] : words)
        EXPECT_EQ(u32(a, offset), value) << offset;
    const std::pair<qsizetype, uint16_t> halves[] = {{4, uint16_t(a.size())}, {6, 2}, {8, 0}, {42, 0x482B}};
    for (const auto& [offset, value] : halves)
        EXPECT_EQ(u16(a, offset), value) << offset;
    EXPECT_EQ(pascal(a, 10), "Sample");
    EXPECT_EQ(pascal(a, 50), m.file);
    for (const auto& [offset, size] : {std::pair{17, 21}, {122, 8}, {134, 16}})
        EXPECT_EQ(a.mid(offset, size), QByteArray(size, '\0')) << offset;
    EXPECT_EQ(u32(a, 46), statField(m.mount.path() + "/.background", "%i"));
    EXPECT_EQ(u32(a, 114), statField(m.filePath(), "%i"));

    // Creation dates: birth time in seconds since 1904, where the file system keeps one.
    const uint64_t volumeBirth = statField(m.mount.path(), "%W");
    const uint64_t fileBirth = statField(m.filePath(), "%W");
    EXPECT_EQ(u32(a, 38), volumeBirth ? volumeBirth + 2082844800u : 0u);
    EXPECT_EQ(u32(a, 118), fileBirth ? fileBirth + 2082844800u : 0u);

    const std::vector<Field> fields = extendedFields(a);
    std::vector<uint16_t> tags;
    for (const Field& f : fields)
        tags.push_back(f.tag);
    EXPECT_EQ(tags, (std::vector<uint16_t>{0, 16, 17, 1, 2, 14, 15, 18, 19, 0xFFFF}));

    // ".background" is 11 bytes: tag, length, data and one pad byte make 16.
    EXPECT_EQ(fields[0].data, ".background");
    EXPECT_EQ(fields[1].offset - fields[0].offset, 16);
    EXPECT_EQ(qFromBigEndian<uint64_t>(fields[1].data.constData()), uint64_t{u32(a, 38)} << 16);
    EXPECT_EQ(qFromBigEndian<uint64_t>(fields[2].data.constData()), uint64_t{u32(a, 118)} << 16);
    EXPECT_EQ(qFromBigEndian<uint32_t>(fields[3].data.constData()), u32(a, 46));
    EXPECT_EQ(fields[4].data, QByteArray("Sample:.background:\0", 20) + m.file.toUtf8());
    QByteArray fileUtf16 = QByteArray::fromHex("001f"); // 31 code units
    for (const QChar c : m.file)
        fileUtf16 += QByteArray(1, '\0') + QByteArray(1, static_cast<char>(c.unicode()));
    EXPECT_EQ(fields[5].data, fileUtf16);
    EXPECT_EQ(fields[6].data, QByteArray::fromHex("0006" "0053" "0061" "006d" "0070" "006c" "0065"));
    EXPECT_EQ(fields[7].data, "/.background/" + m.file.toUtf8());
    EXPECT_EQ(fields[8].data, m.mount.path().toUtf8());
    EXPECT_TRUE(fields[9].data.isEmpty());
}

TEST(AliasRecord, MissingPictureGivesZeroIdAndDate)
{
    MountedPicture m;
    const auto present = makeAliasRecord(QStringLiteral("Sample"), m.mount.path(), m.folder, m.file);
    ASSERT_TRUE(QFile::remove(m.filePath()));
    const auto missing = makeAliasRecord(QStringLiteral("Sample"), m.mount.path(), m.folder, m.file);
    ASSERT_TRUE(present && missing);
    ASSERT_EQ(present->size(), missing->size());

    EXPECT_EQ(u32(*missing, 114), 0u);
    EXPECT_EQ(u32(*missing, 118), 0u);
    EXPECT_EQ(byTag(*missing)[17], QByteArray(8, '\0'));
    EXPECT_EQ(u32(*missing, 46), u32(*present, 46));

    // A mount path that does not exist at all: every ID and date is 0, the record still made.
    const auto nowhere = makeAliasRecord(QStringLiteral("V"), QStringLiteral("/nonexistent/vorlap-mount"), m.folder, m.file);
    ASSERT_TRUE(nowhere);
    EXPECT_EQ(u32(*nowhere, 38), 0u);
    EXPECT_EQ(u32(*nowhere, 46), 0u);
    EXPECT_EQ(u32(*nowhere, 114), 0u);
}

TEST(AliasRecord, LongNamesAreCutInTheFixedPartOnly)
{
    MountedPicture m;
    // 26 ASCII bytes then "é" (2 bytes): the cut at 27 would split it, so 26 bytes are kept.
    const QString volume = QString(26, QLatin1Char('V')) + QString::fromUtf8("\xC3\xA9") + QStringLiteral("tail");
    const QString file = QString(70, QLatin1Char('f')) + QStringLiteral(".png");
    QFile(m.mount.path() + "/.background/" + file).open(QIODevice::WriteOnly);

    const auto alias = makeAliasRecord(volume, m.mount.path(), m.folder, file);
    ASSERT_TRUE(alias);
    const QByteArray& a = *alias;
    EXPECT_EQ(static_cast<uint8_t>(a[10]), 26);
    EXPECT_EQ(a.mid(11, 26), QByteArray(26, 'V'));
    EXPECT_EQ(a[37], '\0');
    // The file name field is full: length 63, no trailing zero.
    EXPECT_EQ(static_cast<uint8_t>(a[50]), 63);
    EXPECT_EQ(a.mid(51, 63), QByteArray(63, 'f'));

    auto fields = byTag(a);
    EXPECT_TRUE(fields[2].startsWith(volume.toUtf8() + ":"));
    EXPECT_EQ(u16(fields[15], 0), volume.size());
    EXPECT_EQ(u16(fields[14], 0), file.size());
    EXPECT_EQ(fields[18], "/.background/" + file.toUtf8());
    EXPECT_EQ(u16(a, 4), a.size());
}

TEST(AliasRecord, OddLengthsArePadded)
{
    MountedPicture m;
    // Mount path of odd and of even length: tag 19 gets a pad byte exactly when odd.
    for (const QString& sub : {QStringLiteral("a"), QStringLiteral("ab")}) {
        const QString mount = m.mount.path() + "/" + sub;
        QDir().mkpath(mount + "/.background");
        const auto alias = makeAliasRecord(QStringLiteral("Vol"), mount, m.folder, QStringLiteral("x.png"));
        ASSERT_TRUE(alias);
        const std::vector<Field> fields = extendedFields(*alias); // checks alignment and the end
        const Field& last = fields[fields.size() - 2];
        ASSERT_EQ(last.tag, 19);
        EXPECT_EQ(last.data, mount.toUtf8());
        EXPECT_EQ(fields.back().offset - last.offset, 4 + mount.toUtf8().size() + mount.toUtf8().size() % 2);
    }
}
