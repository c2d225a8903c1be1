// The reader the layout tests rely on must agree with a file the Finder wrote.
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
}
