// The preview's background picture is rendered once and reused until its file,
// the file's size or modification time, or the window size changes.
#include "support/TestEnvironment.h"
#include "ui/BackgroundPreviewCache.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vorlap;

TEST(BackgroundPreviewCache, RendersOnceForEachPathSizeAndFileVersion)
{
    QTemporaryDir dir;
    int renders = 0;
    BackgroundPreviewCache cache([&](const QString& path, Size size, double scale) {
        ++renders;
        EXPECT_EQ(scale, 1.0); // the preview is drawn in points
        return BackgroundImageRenderer::renderImage(path, size, scale);
    });
    const QDateTime when = QDateTime::currentDateTime().addSecs(-100);
    // Uncompressed, so that a picture of the same size has the same file size.
    const auto write = [&](const char* name, QColor colour, QSize size, const QDateTime& modified) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = dir.filePath(QString::fromUtf8(name));
        EXPECT_TRUE(image.save(path, "BMP"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadWrite) && file.setFileTime(modified, QFileDevice::FileModificationTime));
        return path;
    };
    const auto expectShown = [&](const QString& path, Size size, QColor colour, int rendersSoFar) {
        const QImage image = cache.picture(path, size);
        EXPECT_EQ(image.size(), QSize(int(size.width), int(size.height)));
        EXPECT_EQ(image.pixelColor(5, 5), colour);
        EXPECT_EQ(renders, rendersSoFar);
    };
    const QString a = write("a.bmp", Qt::green, {60, 40}, when);
    const QString b = write("b.bmp", Qt::blue, {60, 40}, when);
    for (int i = 0; i < 3; ++i)
        expectShown(a, {540, 380}, Qt::green, 1);
    expectShown(b, {540, 380}, Qt::blue, 2);
    expectShown(a, {540, 380}, Qt::green, 3);
    expectShown(a, {300, 200}, Qt::green, 4);
    // Rewritten in place with the same size; only the modification time tells.
    write("a.bmp", Qt::red, {60, 40}, when);
    expectShown(a, {300, 200}, Qt::green, 4); // stale by design
    write("a.bmp", Qt::red, {60, 40}, when.addSecs(1));
    expectShown(a, {300, 200}, Qt::red, 5);
    write("a.bmp", Qt::yellow, {80, 40}, when.addSecs(1)); // another file size, the same time
    expectShown(a, {300, 200}, Qt::yellow, 6);

    // No picture without a readable file; a picture that goes away stops showing at once,
    // and a failed rendering is remembered too.
    QFile::remove(a);
    vorlap::test::writeFile(dir.filePath("text.png"), "plain text");
    for (const QString& path : {QString(), a, dir.path(), dir.filePath("text.png"), dir.filePath("text.png")})
        EXPECT_TRUE(cache.picture(path, {540, 380}).isNull()) << path.toStdString();
    EXPECT_TRUE(cache.picture(std::nullopt, {540, 380}).isNull());
    EXPECT_EQ(renders, 7);
}
