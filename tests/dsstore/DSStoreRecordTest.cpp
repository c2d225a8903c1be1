// Layout records as an independent reader decodes them, their order, and their property
// lists held against the ones the Finder wrote in the macOS fixtures.
#include "DSStoreReader.h"

#include "dsstore/DSStoreRecord.h"
#include "dsstore/DSStoreWriter.h"

#include <QJsonArray>

using namespace vorlap;
using namespace vorlap::test;

namespace {

QJsonObject readBack(const DSStoreRecord& record)
{
    const auto file = DSStoreWriter::serialize({record});
    EXPECT_TRUE(file);
    return file ? readDSStore(*file)["records"].toArray()[0].toObject() : QJsonObject();
}

QJsonObject plistOf(const QJsonObject& record) { return record["value"].toObject()["plist"].toObject(); }

// The property list of the first `code` record of a Finder-written fixture.
QJsonObject finderPlist(const char* fixture, const QString& code)
{
    for (const auto& r : readDSStoreFile(fixturePath(fixture))["records"].toArray())
        if (r.toObject()["code"].toString() == code)
            return plistOf(r.toObject());
    ADD_FAILURE() << "no " << code.toStdString() << " in " << fixture;
    return {};
}

} // namespace

TEST(DSStoreRecord, EntriesDecodeIndependently)
{
    // A name with a surrogate pair and a combining accent: its length counts UTF-16 units,
    // and it is stored as given, neither lower-cased nor composed.
    const QString odd = QString::fromUtf8("\xF0\x9F\x93\xA6" "E\xCC\x81.app");
    const struct {
        DSStoreRecord record;
        QJsonObject read;
    } cases[] = {
        {DSStoreRecord::vSrn(), {{"name", "."}, {"code", "vSrn"}, {"type", "long"}, {"value", 1}}},
        {DSStoreRecord::icvl(), {{"name", "."}, {"code", "icvl"}, {"type", "type"}, {"value", "icnv"}}},
        {DSStoreRecord::iloc(odd, 0, 4294967295u), {{"name", odd}, {"code", "Iloc"}, {"type", "blob"},
                                                    {"value", QJsonObject{{"hex", "00000000ffffffffffffffffffff0000"}}}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(readBack(c.record), c.read) << c.read["code"].toString().toStdString();
}

TEST(DSStoreRecord, OrderIsByFullyLowerCasedScalarValuesThenCode)
{
    const auto iloc = [](const char* utf8) { return DSStoreRecord::iloc(QString::fromUtf8(utf8), 0, 0); };
    const struct {
        DSStoreRecord lower, higher;
    } ordered[] = {
        {DSStoreRecord::bwsp({}), DSStoreRecord::icvl()}, // folder records by code, ASCII order
        {DSStoreRecord::icvl(), DSStoreRecord::icvp(1, 0)},
        {DSStoreRecord::icvp(1, 0), DSStoreRecord::vSrn()},
        {iloc("-x"), DSStoreRecord::vSrn()}, // names below "." come first
        {DSStoreRecord::vSrn(), iloc("Applications")},
        {iloc("app"), iloc("apps")},          // a proper prefix first
        {iloc("\xEF\xBF\xBD"), iloc("\xF0\x9F\x98\x80")}, // U+FFFD below U+1F600, unlike their UTF-16 units
    };
    for (const auto& o : ordered) {
        SCOPED_TRACE(o.lower.sortName().toStdString() + " < " + o.higher.sortName().toStdString());
        EXPECT_TRUE(o.lower < o.higher);
        EXPECT_FALSE(o.higher < o.lower);
    }
    const struct {
        DSStoreRecord a, b;
    } equal[] = {
        {iloc("caf\xC3\xA9"), iloc("cafe\xCC\x81")}, // canonically equivalent
        {DSStoreRecord::iloc("A", 1, 2), DSStoreRecord::iloc("a", 3, 4)},
        {iloc("\xC4\xB0"), iloc("i\xCC\x87")}, // capital I with dot above lower-cases to two units
    };
    for (const auto& e : equal) {
        SCOPED_TRACE(e.a.sortName().toStdString());
        EXPECT_TRUE(e.a == e.b);
        EXPECT_FALSE(e.a < e.b || e.b < e.a);
    }
}

TEST(DSStoreRecord, ViewAndWindowPropertiesAreTheFindersOwn)
{
    // Finder's own file with a background keeps every default we write; its icon size,
    // alias and scroll positions are its own.
    const QByteArray alias("\x00\x01\x02\xFF", 4);
    QJsonObject view = plistOf(readBack(DSStoreRecord::icvp(104, 2, alias)));
    EXPECT_EQ(view.keys(), finderPlist("keepassxc-DS_Store", "icvp").keys());
    EXPECT_EQ(QByteArray::fromBase64(view.take("backgroundImageAlias").toObject()["data"].toString().toLatin1()), alias);
    for (const char* key : {"scrollPositionX", "scrollPositionY"})
        EXPECT_EQ(view.take(key), (QJsonObject{{"real", 0.0}})) << key;
    QJsonObject finderView = finderPlist("dosbox-staging-DS_Store", "icvp");
    finderView.remove("backgroundImageAlias");
    EXPECT_EQ(view, finderView);
    EXPECT_EQ(plistOf(readBack(DSStoreRecord::icvp(72.5, 0)))["iconSize"], (QJsonObject{{"real", 72.5}}));

    QJsonObject window = plistOf(readBack(DSStoreRecord::bwsp(QStringLiteral("{{100, 100}, {540, 408}}"))));
    EXPECT_EQ(window.take("WindowBounds").toString(), "{{100, 100}, {540, 408}}");
    EXPECT_EQ(window.take("SidebarWidth"), (QJsonObject{{"integer", 0}}));
    EXPECT_EQ(window.take("PreviewPaneVisibility"), (QJsonObject{{"bool", false}}));
    QJsonObject finderWindow = finderPlist("keepassxc-DS_Store", "bwsp");
    finderWindow.remove("WindowBounds");
    EXPECT_EQ(window, finderWindow);
}
