// The layout file's container, checked byte by byte and through an independent reader.
#include "DSStoreReader.h"

#include "dsstore/DSStoreWriter.h"

#include <QJsonArray>
#include <QtEndian>

#include <map>
#include <utility>

using namespace vorlap;
using namespace vorlap::test;

namespace {

uint32_t word(const QByteArray& bytes, qsizetype offset)
{
    return qFromBigEndian<uint32_t>(bytes.constData() + offset);
}

QList<DSStoreRecord> buildRecords()
{
    return {DSStoreRecord::vSrn(),
            DSStoreRecord::icvl(),
            DSStoreRecord::bwsp(QStringLiteral("{{100, 100}, {540, 408}}")),
            DSStoreRecord::iloc(QStringLiteral("Sample.app"), 180, 190),
            DSStoreRecord::iloc(QStringLiteral("Applications"), 360, 190),
            DSStoreRecord::icvp(128, 2, QByteArray("alias bytes"))};
}

} // namespace

TEST(DSStoreWriter, EmptyListGivesTheFixedLayout)
{
    const auto file = DSStoreWriter::serialize({});
    ASSERT_TRUE(file);
    ASSERT_EQ(file->size(), 10244);

    // Every word the layout names, at its offset; every other byte must be zero.
    const std::vector<std::pair<qsizetype, uint32_t>> words = {
        {0, 1}, {8, 0x2000}, {12, 0x800}, {16, 0x2000}, {20, 0x100C},
        {68, 2}, {72, 0}, {76, 0}, {80, 1}, {84, 0x1000},
        {4100, 0}, {4104, 0},
        {8196, 3}, {8200, 0}, {8204, 0x200B}, {8208, 0x45}, {8212, 0x100C},
        {9228, 1}, {9237, 1}};
    QByteArray expected(10244, '\0');
    for (const auto& [offset, value] : words)
        qToBigEndian(value, expected.data() + offset);
    expected.replace(4, 4, "Bud1");
    expected[9232] = 4;
    expected.replace(9233, 4, "DSDB");
    // Free lists: counts for sizes 2^0 .. 2^31, each followed by its addresses.
    std::map<int, std::vector<uint32_t>> free = {{5, {0x20, 0x60}}, {7, {0x80}}, {8, {0x100}}, {9, {0x200}},
                                                 {10, {0x400}}, {11, {0x800, 0x2800}}};
    qsizetype at = 9241;
    for (int i = 0; i < 32; ++i) {
        qToBigEndian(static_cast<uint32_t>(free[i].size()), expected.data() + std::exchange(at, at + 4));
        for (uint32_t address : free[i])
            qToBigEndian(address, expected.data() + std::exchange(at, at + 4));
    }
    EXPECT_EQ(at, 9401);
    EXPECT_EQ(file->toHex().toStdString(), expected.toHex().toStdString());
    EXPECT_EQ(readDSStore(*file)["records"].toArray().size(), 0);
}

TEST(DSStoreWriter, SixRecordsChangeOnlyTheCountsAndTheNode)
{
    const auto empty = DSStoreWriter::serialize({});
    const auto six = DSStoreWriter::serialize(buildRecords());
    ASSERT_TRUE(empty && six);
    ASSERT_EQ(six->size(), 10244);

    for (qsizetype i = 0; i < six->size(); ++i) {
        const bool count = (i >= 76 && i < 80) || (i >= 4104 && i < 4108);
        const bool entries = i >= 4108 && i < 4100 + 4096;
        if (!count && !entries) {
            ASSERT_EQ((*six)[i], (*empty)[i]) << "offset " << i;
        }
    }
    EXPECT_EQ(word(*six, 76), 6u);
    EXPECT_EQ(word(*six, 4104), 6u);

    // Read back independently: the four folder records first, then the icons by name.
    const QJsonArray records = readDSStore(*six)["records"].toArray();
    ASSERT_EQ(records.size(), 6);
    const QStringList expectedOrder = {".bwsp", ".icvl", ".icvp", ".vSrn", "ApplicationsIloc", "Sample.appIloc"};
    for (int i = 0; i < 6; ++i) {
        const QJsonObject r = records[i].toObject();
        EXPECT_EQ(r["name"].toString() + r["code"].toString(), expectedOrder[i]);
    }
}

TEST(DSStoreWriter, RecordsAreSortedStably)
{
    // "Foo" and "foo" sort as equal: they stay in input order, both before "zeta".
    const QList<DSStoreRecord> records = {
        DSStoreRecord::iloc(QStringLiteral("zeta"), 1, 1),
        DSStoreRecord::iloc(QStringLiteral("Foo"), 2, 2),
        DSStoreRecord::iloc(QStringLiteral("foo"), 3, 3),
        DSStoreRecord::vSrn(),
        DSStoreRecord::iloc(QStringLiteral(" leading blank"), 4, 4),
    };
    const auto file = DSStoreWriter::serialize(records);
    ASSERT_TRUE(file);
    const QJsonArray read = readDSStore(*file)["records"].toArray();
    QStringList names;
    for (const auto& r : read)
        names << r.toObject()["name"].toString();
    EXPECT_EQ(names, (QStringList{" leading blank", ".", "Foo", "foo", "zeta"}));
}

TEST(DSStoreWriter, EntriesBeyondOneNodeAreRefused)
{
    // Each entry: 4 + 2 × 60 + 4 + 4 + 4 + 16 = 152 bytes; 26 of them (3952) fit, 27 (4104) do not.
    QList<DSStoreRecord> records;
    for (int i = 0; i < 26; ++i)
        records << DSStoreRecord::iloc(QString(59, QLatin1Char('a')) + QChar(u'A' + i), 0, 0);
    EXPECT_TRUE(DSStoreWriter::serialize(records));

    // Exactly full: 8 + 26 × 152 + one entry of 136 bytes = 4096, copied without padding.
    QList<DSStoreRecord> full = records;
    full << DSStoreRecord::iloc(QString(52, QLatin1Char('z')), 7, 7);
    const auto exact = DSStoreWriter::serialize(full);
    ASSERT_TRUE(exact);
    EXPECT_EQ(readDSStore(*exact)["records"].toArray().size(), 27);

    full << DSStoreRecord::vSrn();
    const auto tooMany = DSStoreWriter::serialize(full);
    ASSERT_FALSE(tooMany);
    EXPECT_NE(tooMany.error().description().indexOf(QStringLiteral("too many entries")), -1);
}
