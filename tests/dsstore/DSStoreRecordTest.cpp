// Layout records: entry bytes, order, and the property lists read back by plistlib.
#include "DSStoreReader.h"

#include "dsstore/DSStoreRecord.h"
#include "dsstore/DSStoreWriter.h"

#include <QJsonArray>

using namespace vorlap;
using namespace vorlap::test;

namespace {

std::string hexOf(const DSStoreRecord& record)
{
    const auto bytes = record.encode();
    EXPECT_TRUE(bytes);
    return bytes ? bytes->toHex().toStdString() : std::string();
}

// The property list of the single record in a file, decoded by Python's plistlib.
QJsonObject plistOf(const DSStoreRecord& record)
{
    const auto file = DSStoreWriter::serialize({record});
    EXPECT_TRUE(file);
    const QJsonArray records = readDSStore(*file)["records"].toArray();
    EXPECT_EQ(records.size(), 1);
    return records[0].toObject()["value"].toObject()["plist"].toObject();
}

} // namespace

TEST(DSStoreRecord, FixedEntriesByteForByte)
{
    // name length 1, ".", "vSrn", "long", 1
    EXPECT_EQ(hexOf(DSStoreRecord::vSrn()), "00000001002e" "7653726e" "6c6f6e67" "00000001");
    EXPECT_EQ(hexOf(DSStoreRecord::icvl()), "00000001002e" "6963766c" "74797065" "69636e76");

    const std::string applications = hexOf(DSStoreRecord::iloc(QStringLiteral("Applications"), 420, 190));
    EXPECT_EQ(applications.size(), 56u * 2);
    EXPECT_EQ(applications,
              "0000000c" "004100700070006c00690063006100740069006f006e0073"
              "496c6f63" "626c6f62" "00000010"
              "000001a4" "000000be" "ffffffff" "ffff0000");

    EXPECT_EQ(hexOf(DSStoreRecord::iloc(QStringLiteral("x"), 0, 4294967295u)).substr(36),
              "00000000" "ffffffff" "ffffffff" "ffff0000");
    for (const auto& folderRecord : {DSStoreRecord::bwsp(QStringLiteral("{{1, 2}, {3, 4}}")), DSStoreRecord::icvp(64, 0)})
        EXPECT_EQ(hexOf(folderRecord).substr(0, 12), "00000001002e");
}

TEST(DSStoreRecord, NamesAreUtf16WithSurrogatePairs)
{
    // U+1F4E6 (package) is two code units; the length counts units, not characters.
    const QString name = QString::fromUtf8("\xF0\x9F\x93\xA6" "e\xCC\x81.app");
    EXPECT_EQ(hexOf(DSStoreRecord::iloc(name, 1, 2)).substr(0, 8 + 4 * 8),
              "00000008" "d83ddce6" "00650301" "002e006100700070");
    // Names are stored as given: not lower-cased, not composed.
    const auto file = DSStoreWriter::serialize({DSStoreRecord::iloc(name, 1, 2)});
    ASSERT_TRUE(file);
    EXPECT_EQ(readDSStore(*file)["records"].toArray()[0].toObject()["name"].toString(), name);
}

TEST(DSStoreRecord, SortNamesAndCodes)
{
    EXPECT_EQ(DSStoreRecord::bwsp({}).sortName(), ".");
    EXPECT_EQ(DSStoreRecord::iloc(QStringLiteral("Sample.APP"), 0, 0).sortName(), "sample.app");
    // Full lower-casing: capital I with dot above becomes i + combining dot (two units).
    EXPECT_EQ(DSStoreRecord::iloc(QString(QChar(0x0130)), 0, 0).sortName(), QString::fromUtf8("i\xCC\x87"));

    const QStringList codes = {QString::fromLatin1(DSStoreRecord::bwsp({}).code()),
                               QString::fromLatin1(DSStoreRecord::icvp(1, 0).code()),
                               QString::fromLatin1(DSStoreRecord::iloc({}, 0, 0).code()),
                               QString::fromLatin1(DSStoreRecord::vSrn().code()),
                               QString::fromLatin1(DSStoreRecord::icvl().code())};
    EXPECT_EQ(codes, (QStringList{"bwsp", "icvp", "Iloc", "vSrn", "icvl"}));
}

TEST(DSStoreRecord, OrderIsByScalarValuesThenCode)
{
    const auto iloc = [](const QString& n) { return DSStoreRecord::iloc(n, 0, 0); };
    // Folder records among themselves: by code, ASCII order.
    EXPECT_TRUE(DSStoreRecord::bwsp({}) < DSStoreRecord::icvl());
    EXPECT_TRUE(DSStoreRecord::icvl() < DSStoreRecord::icvp(1, 0));
    EXPECT_TRUE(DSStoreRecord::icvp(1, 0) < DSStoreRecord::vSrn());
    // Names below "." come before the folder records.
    EXPECT_TRUE(iloc(QStringLiteral("-x")) < DSStoreRecord::vSrn());
    EXPECT_TRUE(DSStoreRecord::vSrn() < iloc(QStringLiteral("Applications")));
    // A proper prefix first.
    EXPECT_TRUE(iloc(QStringLiteral("app")) < iloc(QStringLiteral("apps")));
    // U+FFFD is below U+1F600, although its UTF-16 unit (FFFD) is above the surrogate D83D.
    EXPECT_TRUE(iloc(QString(QChar(0xFFFD))) < iloc(QString::fromUtf8("\xF0\x9F\x98\x80")));
    // Canonically equivalent names are equal: composed é versus e + combining acute.
    EXPECT_TRUE(iloc(QString::fromUtf8("caf\xC3\xA9")) == iloc(QString::fromUtf8("cafe\xCC\x81")));
    // Same name in other case and other payload: equal records.
    EXPECT_TRUE(DSStoreRecord::iloc(QStringLiteral("A"), 1, 2) == DSStoreRecord::iloc(QStringLiteral("a"), 3, 4));
    EXPECT_FALSE(DSStoreRecord::iloc(QStringLiteral("A"), 1, 2) < DSStoreRecord::iloc(QStringLiteral("a"), 3, 4));
}

TEST(DSStoreRecord, WindowPropertiesReadBackByPlistlib)
{
    const QJsonObject plist = plistOf(DSStoreRecord::bwsp(QStringLiteral("{{100, 100}, {540, 408}}")));
    EXPECT_EQ(plist.size(), 9);
    EXPECT_EQ(plist["WindowBounds"].toString(), "{{100, 100}, {540, 408}}");
    EXPECT_EQ(plist["SidebarWidth"].toObject()["integer"].toInt(-1), 0);
    for (const char* key : {"ShowSidebar", "ContainerShowSidebar", "ShowStatusBar", "ShowPathbar", "ShowToolbar",
                            "ShowTabView", "PreviewPaneVisibility"}) {
        ASSERT_TRUE(plist[key].toObject().contains("bool")) << key;
        EXPECT_FALSE(plist[key].toObject()["bool"].toBool(true)) << key;
    }
}

TEST(DSStoreRecord, ViewPropertiesWithAndWithoutAlias)
{
    const QJsonObject plain = plistOf(DSStoreRecord::icvp(128, 0));
    EXPECT_EQ(plain.size(), 16);
    EXPECT_FALSE(plain.contains("backgroundImageAlias"));
    EXPECT_EQ(plain["backgroundType"].toObject()["integer"].toInt(-1), 0);
    EXPECT_EQ(plain["viewOptionsVersion"].toObject()["integer"].toInt(), 1);
    EXPECT_EQ(plain["iconSize"].toObject()["real"].toDouble(), 128.0);
    EXPECT_EQ(plain["textSize"].toObject()["real"].toDouble(), 12.0);
    EXPECT_EQ(plain["gridSpacing"].toObject()["real"].toDouble(), 100.0);
    for (const char* key : {"backgroundColorRed", "backgroundColorGreen", "backgroundColorBlue"})
        EXPECT_EQ(plain[key].toObject()["real"].toDouble(), 1.0) << key;
    for (const char* key : {"gridOffsetX", "gridOffsetY", "scrollPositionX", "scrollPositionY"})
        EXPECT_TRUE(plain[key].toObject().contains("real")) << key;
    EXPECT_TRUE(plain["labelOnBottom"].toObject()["bool"].toBool());
    EXPECT_TRUE(plain["showIconPreview"].toObject()["bool"].toBool());
    EXPECT_FALSE(plain["showItemInfo"].toObject()["bool"].toBool(true));
    EXPECT_EQ(plain["arrangeBy"].toString(), "none");

    const QByteArray alias("\x00\x01\x02\xFF", 4);
    const QJsonObject withAlias = plistOf(DSStoreRecord::icvp(72.5, 2, alias));
    EXPECT_EQ(withAlias.size(), 17);
    EXPECT_EQ(withAlias["backgroundType"].toObject()["integer"].toInt(), 2);
    EXPECT_EQ(withAlias["iconSize"].toObject()["real"].toDouble(), 72.5);
    EXPECT_EQ(QByteArray::fromBase64(withAlias["backgroundImageAlias"].toObject()["data"].toString().toLatin1()), alias);
}
