// The layout file's container, held against one the Finder wrote and read back by an
// independent reader.
#include "DSStoreReader.h"

#include "dsstore/DSStoreWriter.h"

#include <QJsonArray>

using namespace vorlap;
using namespace vorlap::test;

namespace {

QJsonObject readBack(const QList<DSStoreRecord>& records)
{
    const auto file = DSStoreWriter::serialize(records);
    EXPECT_TRUE(file);
    return file ? readDSStore(*file) : QJsonObject();
}

} // namespace

TEST(DSStoreWriter, BlockStoreIsLaidOutAsTheFindersOneNodeFile)
{
    const QJsonObject ours = readBack({DSStoreRecord::vSrn(), DSStoreRecord::icvl(),
                                       DSStoreRecord::bwsp(QStringLiteral("{{100, 100}, {540, 408}}")),
                                       DSStoreRecord::iloc(QStringLiteral("Sample.app"), 180, 190),
                                       DSStoreRecord::iloc(QStringLiteral("Applications"), 360, 190),
                                       DSStoreRecord::icvp(128, 2, QByteArray("alias bytes"))});
    const QJsonObject finder = readDSStoreFile(fixturePath("keepassxc-DS_Store"));
    for (const char* key : {"fileSize", "allocator", "blocks", "directory"})
        EXPECT_EQ(ours[key], finder[key]) << key;
    QJsonObject tree = finder["tree"].toObject();
    tree["records"] = 6;
    EXPECT_EQ(ours["tree"], tree);
    // The Finder's file grew once and keeps the larger free blocks; ours never did.
    const QJsonArray free = ours["freeLists"].toArray(), finderFree = finder["freeLists"].toArray();
    ASSERT_EQ(free.size(), 32);
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(free[i], i < 12 ? finderFree[i] : QJsonArray()) << "free list " << i;
    QStringList names;
    for (const auto& r : ours["records"].toArray())
        names << r.toObject()["name"].toString() + "/" + r.toObject()["code"].toString();
    EXPECT_EQ(names, (QStringList{"./bwsp", "./icvl", "./icvp", "./vSrn", "Applications/Iloc", "Sample.app/Iloc"}));
    EXPECT_EQ(readBack({})["records"].toArray().size(), 0);
}

TEST(DSStoreWriter, EntriesBeyondOneNodeAreRefused)
{
    // Each entry: 4 + 2 × 60 + 4 + 4 + 4 + 16 = 152 bytes; 26 of them take 3952 bytes, and
    // one of 136 more fills the node exactly: 8 + 3952 + 136 = 4096.
    QList<DSStoreRecord> records;
    for (int i = 0; i < 26; ++i)
        records << DSStoreRecord::iloc(QString(59, QLatin1Char('a')) + QChar(u'A' + i), 0, 0);
    records << DSStoreRecord::iloc(QString(52, QLatin1Char('z')), 7, 7);
    EXPECT_EQ(readBack(records)["records"].toArray().size(), 27);

    records << DSStoreRecord::vSrn();
    const auto tooMany = DSStoreWriter::serialize(records);
    ASSERT_FALSE(tooMany);
    EXPECT_NE(tooMany.error().description().indexOf(QStringLiteral("too many entries")), -1);
}
