// The preview's background picture is rendered once and reused until its file,
// the file's size or modification time, or the window size changes.
#include "ui/BackgroundPreviewCache.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vorlap;

namespace {

class BackgroundPreviewCacheTest : public ::testing::Test {
protected:
    BackgroundPreviewCacheTest()
        : cache([this](const QString& path, Size size, double scale) {
              ++renders;
              EXPECT_EQ(scale, 1.0);
              return BackgroundImageRenderer::renderImage(path, size, scale);
          })
    {
    }

    QString writePicture(const char* name, QColor colour, QSize size = {60, 40})
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        // Uncompressed, so that a picture of the same size has the same file size.
        const QString path = dir.filePath(QString::fromUtf8(name) + QStringLiteral(".bmp"));
        EXPECT_TRUE(image.save(path));
        return path;
    }

    static void setModified(const QString& path, const QDateTime& when)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(when, QFileDevice::FileModificationTime));
    }

    QTemporaryDir dir;
    int renders = 0;
    BackgroundPreviewCache cache;
};

} // namespace

TEST_F(BackgroundPreviewCacheTest, RendersOnceForUnchangedInputs)
{
    const QString path = writePicture("a", Qt::green);
    for (int i = 0; i < 5; ++i) {
        const QImage image = cache.picture(path, {540, 380});
        ASSERT_EQ(image.size(), QSize(540, 380));
        EXPECT_EQ(image.pixelColor(10, 10), QColor(Qt::green));
    }
    EXPECT_EQ(renders, 1);
}

TEST_F(BackgroundPreviewCacheTest, FollowsEachPartOfTheKey)
{
    const QString a = writePicture("a", Qt::green);
    const QString b = writePicture("b", Qt::blue);
    const QDateTime when = QDateTime::currentDateTime().addSecs(-100);
    setModified(a, when);
    cache.picture(a, {540, 380});

    EXPECT_EQ(cache.picture(b, {540, 380}).pixelColor(5, 5), QColor(Qt::blue)); // another path
    EXPECT_EQ(renders, 2);
    EXPECT_EQ(cache.picture(a, {540, 380}).pixelColor(5, 5), QColor(Qt::green));
    EXPECT_EQ(renders, 3);
    EXPECT_EQ(cache.picture(a, {300, 200}).size(), QSize(300, 200)); // another window size
    EXPECT_EQ(renders, 4);

    // Rewritten in place with the same size; only the modification time tells.
    writePicture("a", Qt::red);
    setModified(a, when);
    EXPECT_EQ(cache.picture(a, {300, 200}).pixelColor(5, 5), QColor(Qt::green)); // stale by design
    setModified(a, when.addSecs(1));
    EXPECT_EQ(cache.picture(a, {300, 200}).pixelColor(5, 5), QColor(Qt::red));
    EXPECT_EQ(renders, 5);

    // A different size with the same time.
    writePicture("a", Qt::yellow, {80, 40});
    setModified(a, when.addSecs(1));
    EXPECT_EQ(cache.picture(a, {300, 200}).pixelColor(5, 5), QColor(Qt::yellow));
    EXPECT_EQ(renders, 6);
}

TEST_F(BackgroundPreviewCacheTest, NoPictureWithoutAReadableFile)
{
    EXPECT_TRUE(cache.picture(std::nullopt, {540, 380}).isNull());
    EXPECT_TRUE(cache.picture(QString(), {540, 380}).isNull());
    EXPECT_TRUE(cache.picture(dir.filePath(QStringLiteral("missing.png")), {540, 380}).isNull());
    EXPECT_TRUE(cache.picture(dir.path(), {540, 380}).isNull());
    EXPECT_EQ(renders, 0);

    // A picture that goes away stops showing at once.
    const QString path = writePicture("a", Qt::green);
    EXPECT_FALSE(cache.picture(path, {540, 380}).isNull());
    QFile::remove(path);
    EXPECT_TRUE(cache.picture(path, {540, 380}).isNull());
}

TEST_F(BackgroundPreviewCacheTest, FailureIsRememberedToo)
{
    const QString path = dir.filePath(QStringLiteral("text.png"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("plain text");
    file.close();
    EXPECT_TRUE(cache.picture(path, {540, 380}).isNull());
    EXPECT_TRUE(cache.picture(path, {540, 380}).isNull());
    EXPECT_EQ(renders, 1);
}
