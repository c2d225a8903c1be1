// The background picture's alias record, held against the one the Finder wrote in a
// macOS-made layout file, with the item numbers and dates stat(1) reads.
#include "DSStoreReader.h"

#include "dsstore/AliasRecord.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QtEndian>

#include <map>

using namespace vorlap;
using namespace vorlap::test;

namespace {

uint16_t u16(const QByteArray& b, qsizetype at) { return qFromBigEndian<uint16_t>(b.constData() + at); }
uint32_t u32(const QByteArray& b, qsizetype at) { return qFromBigEndian<uint32_t>(b.constData() + at); }

// The extended fields after the 150-byte fixed part by tag, in order, checking that each
// starts at an even offset and that nothing follows the end marker.
std::vector<std::pair<uint16_t, QByteArray>> extendedFields(const QByteArray& alias)
{
    std::vector<std::pair<uint16_t, QByteArray>> fields;
    qsizetype at = 150;
    while (at + 4 <= alias.size() && (fields.empty() || fields.back().first != 0xFFFF)) {
        EXPECT_EQ(at % 2, 0) << "field " << u16(alias, at) << " starts at an odd offset";
        fields.emplace_back(u16(alias, at), alias.mid(at + 4, u16(alias, at + 2)));
        at += 4 + u16(alias, at + 2) + u16(alias, at + 2) % 2;
    }
    EXPECT_EQ(at, alias.size()) << "bytes after the end marker";
    EXPECT_EQ(u16(alias, 4), alias.size());
    return fields;
}

std::map<uint16_t, QByteArray> byTag(const QByteArray& alias)
{
    const auto fields = extendedFields(alias);
    return {fields.begin(), fields.end()};
}

// What stat(1) says, as an independent reading of the item number and birth time.
uint32_t statField(const QString& path, const char* format)
{
    const ShellResult result = runProgram({"stat", "-c", format, path.toStdString()});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    return uint32_t(std::stoull(result.output));
}

// A mounted volume's stand-in: `mount` holding .background/`file`.
QString pictureIn(const QString& mount, const QString& file)
{
    const QString path = mount + "/.background/" + file;
    QDir().mkpath(mount + "/.background");
    QFile picture(path);
    EXPECT_TRUE(picture.open(QIODevice::WriteOnly));
    return path;
}

} // namespace

TEST(AliasRecord, MatchesTheFindersRecordSaveForItemsDatesAndPlaces)
{
    QByteArray finder;
    for (const auto& r : readDSStoreFile(fixturePath("keepassxc-DS_Store"))["records"].toArray())
        if (r.toObject()["code"].toString() == "icvp")
            finder = QByteArray::fromBase64(r.toObject()["value"].toObject()["plist"].toObject()["backgroundImageAlias"]
                                                .toObject()["data"].toString().toLatin1());
    ASSERT_GT(finder.size(), 150);

    QTemporaryDir mount;
    const QString file = pictureIn(mount.path(), "background.tiff");
    const auto alias = makeAliasRecord("KeePassXC", mount.path(), ".background", "background.tiff");
    ASSERT_TRUE(alias);
    const QByteArray& a = *alias;
    // The fixed part: item numbers, dates, drive type and volume attributes are the Finder's
    // volume's own; we claim nothing about the drive.
    for (const auto& [from, to] : {std::pair{0, 4}, {6, 38}, {42, 44}, {50, 114}, {122, 134}, {138, 150}})
        EXPECT_EQ(a.mid(from, to - from).toHex(), finder.mid(from, to - from).toHex()) << from;
    EXPECT_EQ(u32(a, 46), statField(mount.path() + "/.background", "%i"));
    EXPECT_EQ(u32(a, 114), statField(file, "%i"));
    // Creation dates: birth time in seconds since 1904, where the file system keeps one.
    const uint32_t volumeBirth = statField(mount.path(), "%W"), fileBirth = statField(file, "%W");
    EXPECT_EQ(u32(a, 38), volumeBirth ? volumeBirth + 2082844800u : 0u);
    EXPECT_EQ(u32(a, 118), fileBirth ? fileBirth + 2082844800u : 0u);

    // The Finder's record also names the disk image (20); we hold the same fields otherwise.
    auto theirs = byTag(finder), ours = byTag(a);
    for (auto& [tag, data] : theirs)
        if (tag != 16 && tag != 17 && tag != 1 && tag != 19 && tag != 20)
            EXPECT_EQ(ours[tag].toHex(), data.toHex()) << "field " << tag;
    const auto order = [](const QByteArray& alias) {
        QList<uint16_t> tags;
        for (const auto& field : extendedFields(alias))
            tags << field.first;
        return tags;
    };
    QList<uint16_t> finderOrder = order(finder);
    finderOrder.removeAll(20);
    EXPECT_EQ(order(a), finderOrder);
    EXPECT_EQ(ours[16], QByteArray(2, '\0') + a.mid(38, 4) + QByteArray(2, '\0'));
    EXPECT_EQ(ours[17], QByteArray(2, '\0') + a.mid(118, 4) + QByteArray(2, '\0'));
    EXPECT_EQ(ours[1], a.mid(46, 4));
    EXPECT_EQ(ours[19], mount.path().toUtf8());
}

TEST(AliasRecord, MissingPictureOrMountGivesZeroIdsAndDates)
{
    QTemporaryDir mount;
    const QString file = pictureIn(mount.path(), "x.png");
    const auto present = makeAliasRecord("Sample", mount.path(), ".background", "x.png");
    ASSERT_TRUE(QFile::remove(file));
    const auto missing = makeAliasRecord("Sample", mount.path(), ".background", "x.png");
    const auto nowhere = makeAliasRecord("V", "/nonexistent/vorlap-mount", ".background", "x.png");
    ASSERT_TRUE(present && missing && nowhere);
    EXPECT_EQ(u32(*missing, 114), 0u);
    EXPECT_EQ(u32(*missing, 118), 0u);
    EXPECT_EQ(byTag(*missing)[17], QByteArray(8, '\0'));
    EXPECT_EQ(u32(*missing, 46), u32(*present, 46));
    for (const qsizetype at : {38, 46, 114})
        EXPECT_EQ(u32(*nowhere, at), 0u) << at;
}

TEST(AliasRecord, LongNamesAreCutInTheFixedPartOnlyAndOddLengthsPadded)
{
    QTemporaryDir top;
    // 26 ASCII bytes then "é" (2 bytes): the cut at 27 would split it, so 26 bytes are kept.
    const QString volume = QString(26, 'V') + QString::fromUtf8("\xC3\xA9") + "tail";
    const QString file = QString(70, 'f') + ".png";
    // Mount paths of odd and of even length: the last field gets a pad byte exactly when odd.
    for (const QString& mount : {top.filePath("a"), top.filePath("ab")}) {
        SCOPED_TRACE(mount.toStdString());
        pictureIn(mount, file);
        const auto alias = makeAliasRecord(volume, mount, ".background", file);
        ASSERT_TRUE(alias);
        const QByteArray& a = *alias;
        EXPECT_EQ(a.mid(10, 28), char(26) + QByteArray(26, 'V') + '\0');
        EXPECT_EQ(a.mid(50, 64), char(63) + QByteArray(63, 'f')); // full: no trailing zero
        auto fields = byTag(a);
        EXPECT_TRUE(fields[2].startsWith(volume.toUtf8() + ":"));
        EXPECT_EQ(u16(fields[15], 0), volume.size());
        EXPECT_EQ(u16(fields[14], 0), file.size());
        EXPECT_EQ(fields[18], "/.background/" + file.toUtf8());
        EXPECT_EQ(fields[19], mount.toUtf8());
    }
}
