// Pasting a background: a picture file named by the clipboard (as a URL, a path or a
// file-URL text) is used where it lies; otherwise picture data becomes a new PNG in the
// pasted-backgrounds folder. Either way the path becomes the project's background and
// the first recent entry. Anything else changes nothing.
#include "project/BackgroundChoice.h"
#include "project/PastedBackgrounds.h"
#include "support/BackgroundTestSupport.h"
#include "support/QtPrinters.h"

#include <QMimeData>
#include <QRegularExpression>
#include <QUrl>

#include <gtest/gtest.h>

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

    QStringList pastedFiles() const
    {
        return QDir(corner.pastedFolder()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }

    QImage screenshot() const
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

TEST_F(PastedBackgroundsTest, CopiedPictureFileIsUsedWhereItLies)
{
    const QString picture = corner.picture(QStringLiteral("in/copied picture.png"));
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(picture)});
    mime.setImageData(screenshot()); // a file manager may offer a thumbnail too

    EXPECT_EQ(imagePathFromPasteboard(&mime), picture);
    ASSERT_TRUE(paste(mime));
    EXPECT_EQ(project.backgroundImagePath, picture);
    EXPECT_EQ(recent, QStringList{picture});
    EXPECT_FALSE(QFileInfo::exists(corner.pastedFolder()));
}

TEST_F(PastedBackgroundsTest, TextIsTriedAsATrimmedPathThenAsAFileUrl)
{
    const QString picture = corner.picture(QStringLiteral("in/back ground.png"));
    QMimeData path;
    path.setText(QStringLiteral("  \t") + picture + QStringLiteral("\n"));
    EXPECT_EQ(imagePathFromPasteboard(&path), picture);

    QMimeData fileUrl;
    fileUrl.setText(QUrl::fromLocalFile(picture).toString(QUrl::FullyEncoded) + QStringLiteral("\r\n"));
    ASSERT_TRUE(fileUrl.text().contains(QStringLiteral("%20")));
    EXPECT_EQ(imagePathFromPasteboard(&fileUrl), picture);

    // A relative path is taken from the current folder.
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(corner.path(QStringLiteral("in"))));
    QMimeData relative;
    relative.setText(QStringLiteral("back ground.png"));
    const std::optional<QString> found = imagePathFromPasteboard(&relative);
    QDir::setCurrent(saved);
    EXPECT_EQ(found, QFileInfo(picture).canonicalFilePath());

    ASSERT_TRUE(paste(path));
    EXPECT_EQ(project.backgroundImagePath, picture);
    EXPECT_FALSE(QFileInfo::exists(corner.pastedFolder()));
}

TEST_F(PastedBackgroundsTest, OnlyTheFirstUrlCountsThenTheText)
{
    const QString notPicture = corner.textFile(QStringLiteral("notes.png"));
    const QString second = corner.picture(QStringLiteral("second.png"));
    const QString fromText = corner.picture(QStringLiteral("from text.png"));

    QMimeData urlsOnly;
    urlsOnly.setUrls({QUrl::fromLocalFile(notPicture), QUrl::fromLocalFile(second)});
    // (QMimeData offers URLs as text too; only the first line, a non-picture, is there.)
    urlsOnly.removeFormat(QStringLiteral("text/plain"));
    EXPECT_EQ(imagePathFromPasteboard(&urlsOnly), std::nullopt);

    QMimeData withText;
    withText.setUrls({QUrl::fromLocalFile(notPicture), QUrl::fromLocalFile(second)});
    withText.setText(fromText);
    EXPECT_EQ(imagePathFromPasteboard(&withText), fromText);
}

TEST_F(PastedBackgroundsTest, WebUrlWithPictureDataStoresTheDataWithoutFetching)
{
    QMimeData mime;
    mime.setUrls({QUrl(QStringLiteral("https://example.invalid/picture.png"))});
    mime.setText(QStringLiteral("https://example.invalid/picture.png"));
    mime.setImageData(screenshot());
    EXPECT_EQ(imagePathFromPasteboard(&mime), std::nullopt);

    ASSERT_TRUE(paste(mime));
    ASSERT_EQ(pastedFiles().size(), 1);
    EXPECT_EQ(project.backgroundImagePath, QDir(corner.pastedFolder()).filePath(pastedFiles().first()));
}

TEST_F(PastedBackgroundsTest, NonPictureTextFallsBackToPictureDataOrDoesNothing)
{
    const QString notPicture = corner.textFile(QStringLiteral("readme.txt"));
    project.iconSize = 96;
    const VorlapProject before = project;

    QMimeData text;
    text.setText(notPicture);
    EXPECT_FALSE(paste(text));
    QMimeData nothing;
    EXPECT_FALSE(paste(nothing));
    QMimeData missing;
    missing.setText(corner.path(QStringLiteral("nowhere.png")));
    EXPECT_FALSE(paste(missing));
    EXPECT_EQ(project, before);
    EXPECT_TRUE(recent.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(corner.pastedFolder()));

    QMimeData textAndPicture;
    textAndPicture.setText(notPicture);
    textAndPicture.setImageData(screenshot());
    ASSERT_TRUE(paste(textAndPicture));
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
    EXPECT_EQ(loadRecentBackgrounds(corner.store()), recent);
    // Only the background changed.
    expected.backgroundImagePath = stored;
    EXPECT_EQ(project, expected);

    // The file is a PNG of the pasted pixels.
    QImage read(stored, "PNG");
    ASSERT_FALSE(read.isNull());
    EXPECT_EQ(read.size(), QSize(30, 20));
    EXPECT_EQ(read.pixelColor(0, 0), QColor(1, 2, 3));
    EXPECT_EQ(read.pixelColor(29, 19), QColor(200, 30, 60));

    // Pasting the same picture again stores a second file.
    ASSERT_TRUE(paste(mime));
    EXPECT_EQ(pastedFiles().size(), 2);
    EXPECT_NE(*project.backgroundImagePath, stored);
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
    EXPECT_EQ(project.backgroundImagePath, kept);
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
