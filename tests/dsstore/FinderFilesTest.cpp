// The reader the layout tests rely on must agree with files the Finder wrote.
#include "DSStoreReader.h"

#include <QJsonArray>

using namespace vorlap::test;

TEST(FinderFiles, IndependentReaderDecodesFinderOutput)
{
    const QJsonObject test = readDSStoreFile(fixturePath("ds_store-Test_DS_Store"));
    const QJsonArray records = test["records"].toArray();
    ASSERT_EQ(records.size(), 3);
    EXPECT_EQ(records[0].toObject()["name"].toString(), "bam");
    // bam at (104, 116)
    EXPECT_EQ(records[0].toObject()["value"].toObject()["hex"].toString().left(16), "0000006800000074");

    const QJsonObject keepass = readDSStoreFile(fixturePath("keepassxc-DS_Store"));
    EXPECT_EQ(keepass["fileSize"].toInt(), 10244);
    EXPECT_EQ(keepass["blocks"].toArray(), (QJsonArray{0x200B, 0x45, 0x100C}));
    bool sawView = false;
    for (const auto& r : keepass["records"].toArray()) {
        const QJsonObject record = r.toObject();
        if (record["code"].toString() == "icvp") {
            const QJsonObject plist = record["value"].toObject()["plist"].toObject();
            EXPECT_EQ(plist["backgroundType"].toObject()["integer"].toInt(), 2);
            EXPECT_TRUE(plist.contains("backgroundImageAlias"));
            sawView = true;
        }
    }
    EXPECT_TRUE(sawView);
}
