// Pasting a background: a picture file named by the clipboard (as a URL, a path or a
// file-URL text) is used where it lies; otherwise picture data becomes a new PNG in the
// pasted-backgrounds folder. Either way the path becomes the project's background and
// the first recent entry of a list that is newest first, five at most, without duplicates,
// and holds only files that exist when read. Anything else changes nothing.
#include "project/BackgroundChoice.h"
#include "project/PastedBackgrounds.h"
#include "project/RecentBackgrounds.h"
#include "support/BackgroundTestSupport.h"
#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"

#include <QMimeData>
#include <QRegularExpression>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>

using namespace vorlap;
using namespace vorlap::test;

namespace {

class PastedBackgroundsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!corner.dataFolderIsPrivate())
            GTEST_SKIP() << "the user's data folder cannot be redirected on this platform";
    }

    // Pastes `mime` into `project`; returns whether a background was applied.
    bool paste(const QMimeData& mime) { return pasteBackground(&mime, project, recent, corner.store()); }

    QStringList pastedFiles() const { return QDir(corner.pastedFolder()).entryList(QDir::Files | QDir::Hidden); }

    static QImage screenshot()
    {
        QImage image(30, 20, QImage::Format_ARGB32);
        image.fill(QColor(200, 30, 60));
        image.setPixelColor(0, 0, QColor(1, 2, 3));
        return image;
    }

    BackgroundCorner corner;
    VorlapProject project;
    QStringList recent;
};

} // namespace

TEST_F(PastedBackgroundsTest, ClipboardNamesAPictureByItsFirstUrlOrItsText)
{
    const QString picture = corner.picture(QStringLiteral("in/back ground.png"));
    const QString notPicture = corner.textFile(QStringLiteral("notes.png"));
    const QString second = corner.picture(QStringLiteral("second.png"));
    const QUrl web(QStringLiteral("https://example.invalid/picture.png"));
    const struct {
        const char* name;
        std::function<void(QMimeData&)> fill;
        std::optional<QString> expected;
    } cases[] = {
        // A file manager may offer a thumbnail too.
        {"file url", [&](QMimeData& m) { m.setUrls({QUrl::fromLocalFile(picture)}); m.setImageData(screenshot()); }, picture},
        {"trimmed path", [&](QMimeData& m) { m.setText("  \t" + picture + "\n"); }, picture},
        {"encoded file url text",
         [&](QMimeData& m) { m.setText(QUrl::fromLocalFile(picture).toString(QUrl::FullyEncoded) + "\r\n"); }, picture},
        {"first url only", [&](QMimeData& m) {
             m.setUrls({QUrl::fromLocalFile(notPicture), QUrl::fromLocalFile(second)});
             m.removeFormat(QStringLiteral("text/plain")); // QMimeData offers the URLs as text too
         }, std::nullopt},
        {"then the text", [&](QMimeData& m) {
             m.setUrls({QUrl::fromLocalFile(notPicture), QUrl::fromLocalFile(second)});
             m.setText(picture);
         }, picture},
        {"web url, never fetched", [&](QMimeData& m) { m.setUrls({web}); m.setText(web.toString()); }, std::nullopt},
        {"missing file", [&](QMimeData& m) { m.setText(corner.path(QStringLiteral("nowhere.png"))); }, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QMimeData mime;
        c.fill(mime);
        EXPECT_EQ(imagePathFromPasteboard(&mime), c.expected);
    }

    // A relative path is taken from the current folder.
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(corner.path(QStringLiteral("in"))));
    QMimeData path;
    path.setText(QStringLiteral("back ground.png"));
    const std::optional<QString> found = imagePathFromPasteboard(&path);
    QDir::setCurrent(saved);
    EXPECT_EQ(found, QFileInfo(picture).canonicalFilePath());

    path.setText(picture);
    ASSERT_TRUE(paste(path));
    EXPECT_EQ(project.backgroundImagePath, picture);
    EXPECT_EQ(recent, QStringList{picture});
    EXPECT_FALSE(QFileInfo::exists(corner.pastedFolder()));
}

TEST_F(PastedBackgroundsTest, NonPictureTextFallsBackToPictureDataOrDoesNothing)
{
    project.iconSize = 96;
    const VorlapProject before = project;
    QMimeData text, nothing;
    text.setText(corner.textFile(QStringLiteral("readme.txt")));
    EXPECT_FALSE(paste(text) || paste(nothing));
    EXPECT_EQ(project, before);
    EXPECT_TRUE(recent.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(corner.pastedFolder()));

    text.setImageData(screenshot());
    ASSERT_TRUE(paste(text));
    EXPECT_EQ(pastedFiles().size(), 1);
}

TEST_F(PastedBackgroundsTest, ScreenshotBecomesANewPngFirstInTheRecentList)
{
    const QString earlier = corner.picture(QStringLiteral("earlier.png"));
    addRecentBackground(earlier, corner.store());
    project.iconPositions.app = {200, 150};
    VorlapProject expected = project;

    QMimeData mime;
    mime.setImageData(screenshot());
    ASSERT_TRUE(paste(mime));
    ASSERT_TRUE(project.backgroundImagePath.has_value());
    const QString stored = *project.backgroundImagePath;
    EXPECT_EQ(QFileInfo(stored).path(), corner.pastedFolder());
    const QRegularExpression name(QStringLiteral("^background-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\.png$"));
    EXPECT_TRUE(name.match(QFileInfo(stored).fileName()).hasMatch()) << stored.toStdString();
    EXPECT_EQ(recent, (QStringList{stored, earlier}));
    expected.backgroundImagePath = stored; // only the background changed
    EXPECT_EQ(project, expected);

    EXPECT_EQ(QImage(stored, "PNG").convertToFormat(QImage::Format_ARGB32), screenshot()); // the pasted pixels

    // Pasting the same picture again stores a second file.
    ASSERT_TRUE(paste(mime));
    EXPECT_EQ(pastedFiles().size(), 2);
}

TEST_F(PastedBackgroundsTest, NothingIsStoredWhenThePictureOrTheFolderFails)
{
    EXPECT_EQ(storePastedImage(QImage()), std::nullopt);
    EXPECT_FALSE(QFileInfo::exists(corner.pastedFolder()));

    // The "Vorlap" folder is a file: the pasted-backgrounds folder cannot be made.
    QDir().mkpath(corner.path(QStringLiteral("data")));
    corner.textFile(QStringLiteral("data/Vorlap"));
    QMimeData mime;
    mime.setImageData(screenshot());
    EXPECT_FALSE(paste(mime));
    EXPECT_EQ(project.backgroundImagePath, std::nullopt);
    EXPECT_TRUE(recent.isEmpty());
}

TEST_F(PastedBackgroundsTest, ApplyingANonPictureKeepsTheProjectAndReloadsTheList)
{
    const QString kept = corner.picture(QStringLiteral("kept.png"));
    const QString deleted = corner.picture(QStringLiteral("deleted.png"));
    addRecentBackground(kept, corner.store());
    recent = addRecentBackground(deleted, corner.store());
    project.backgroundImagePath = kept;
    ASSERT_TRUE(QFile::remove(deleted));

    // A listed path whose file has gone: nothing changes but the shown list.
    EXPECT_FALSE(applyBackground(deleted, project, recent, corner.store()));
    EXPECT_EQ(recent, QStringList{kept});
    EXPECT_FALSE(applyBackground(corner.textFile(QStringLiteral("fake.jpg")), project, recent, corner.store()));
    EXPECT_FALSE(applyBackground(corner.path(QString()), project, recent, corner.store()));
    EXPECT_EQ(project.backgroundImagePath, kept);

    // The path is used exactly as given, not cleaned up.
    const QString roundabout = corner.path(QStringLiteral("./sub/../kept.png"));
    QDir().mkpath(corner.path(QStringLiteral("sub")));
    EXPECT_TRUE(applyBackground(roundabout, project, recent, corner.store()));
    EXPECT_EQ(project.backgroundImagePath, roundabout);
    EXPECT_EQ(recent, (QStringList{roundabout, kept}));
}

TEST(RecentBackgrounds, NewestFirstAtMostFiveWithoutDuplicates)
{
    BackgroundCorner corner;
    EXPECT_TRUE(loadRecentBackgrounds(corner.store()).isEmpty());
    QStringList p; // p[5] differs from p[2] in case only: another entry
    for (const char* name : {"p1.png", "p2.png", "p3.png", "p4.png", "p5.png", "P3.png"})
        p << corner.picture(QString::fromUtf8(name));
    for (int i = 0; i < 5; ++i)
        addRecentBackground(p[i], corner.store());
    EXPECT_EQ(loadRecentBackgrounds(corner.store()), (QStringList{p[4], p[3], p[2], p[1], p[0]}));

    // The third entry again: to the front, no duplicate, same length.
    const QStringList moved = addRecentBackground(p[2], corner.store());
    EXPECT_EQ(moved, (QStringList{p[2], p[4], p[3], p[1], p[0]}));
    // A sixth distinct path (if only by case) drops the oldest.
    EXPECT_EQ(addRecentBackground(p[5], corner.store()), (QStringList{p[5], p[2], p[4], p[3], p[1]}));
    EXPECT_EQ(corner.stored(), (QStringList{p[5], p[2], p[4], p[3], p[1]}));
}

TEST(RecentBackgrounds, MissingFilesDropOutOnLoadAndLeaveStorageAtTheNextAdd)
{
    BackgroundCorner corner;
    const QString kept = corner.picture(QStringLiteral("kept.png"));
    const QString gone = corner.path(QStringLiteral("gone.png"));
    addRecentBackground(kept, corner.store());

    // Recorded although the file does not exist, then filtered out when read.
    EXPECT_EQ(addRecentBackground(gone, corner.store()), (QStringList{gone, kept}));
    EXPECT_EQ(loadRecentBackgrounds(corner.store()), QStringList{kept});
    const QString fresh = corner.picture(QStringLiteral("fresh.png"));
    EXPECT_EQ(addRecentBackground(fresh, corner.store()), (QStringList{fresh, kept}));

    // Every file deleted: the list reads empty, storage is untouched.
    QFile::remove(kept);
    QFile::remove(fresh);
    EXPECT_TRUE(loadRecentBackgrounds(corner.store()).isEmpty());
    EXPECT_EQ(corner.stored(), (QStringList{fresh, kept}));
}

TEST(RecentBackgrounds, StoredValuesAreReadAsTheyWereWritten)
{
    BackgroundCorner corner;
    const QString only = corner.picture(QStringLiteral("only one, with a comma.png"));
    const QString other = corner.picture(QStringLiteral("other.png"));
    // The INI file written by another run: a one-element list reads back as a string.
    writeFile(corner.iniPath(), "[General]\nrecentBackgroundImagePaths=" + QFile::encodeName(other) + "\n");
    EXPECT_EQ(loadRecentBackgrounds(corner.store()), QStringList{other});
    EXPECT_EQ(addRecentBackground(only, corner.store()), (QStringList{only, other}));
    EXPECT_EQ(loadRecentBackgrounds(corner.store()), (QStringList{only, other}));

    // A value of another kind is no list.
    corner.store()()->setValue(QLatin1String(recentBackgroundsKey), QVariantMap{{QStringLiteral("a"), other}});
    EXPECT_TRUE(loadRecentBackgrounds(corner.store()).isEmpty());
    EXPECT_EQ(addRecentBackground(other, corner.store()), QStringList{other});
}
