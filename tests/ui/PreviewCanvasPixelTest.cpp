// What the mock-up face draws, read back pixel by pixel: the window at each scale with
// its title, content and status bar, the background clipped above the status bar (and
// rendered again only when its file, the file's size or time, or the window size changes).
#include "support/TestEnvironment.h"
#include "ui/BackgroundPreviewCache.h"
#include "ui/Palette.h"
#include "ui/UiTestSupport.h"

#include <QFile>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

using namespace vorlap;
using namespace vorlap::test;

namespace {

// The light grey of the title and status bars, against the dark content and surround.
bool isBar(QColor c) { return c.red() > 120 && std::abs(c.red() - c.blue()) < 12; }

// The rows down one column where bar colour starts or stops.
std::vector<int> barEdgesDown(const QImage& image, int x)
{
    std::vector<int> edges;
    for (int y = 1; y < image.height(); ++y)
        if (isBar(image.pixelColor(x, y)) != isBar(image.pixelColor(x, y - 1)))
            edges.push_back(y);
    return edges;
}

} // namespace

TEST(PreviewCanvasPixels, WindowIsScaledToFitAndCentred)
{
    // Title 24, content 330 and status bar 28 points, times the scale, with the window's
    // 1-point border over the first and last row; the scale never goes below a tenth.
    const struct {
        QSize canvas;
        int column;
        double scale;
    } cases[] = {{{540, 382}, 500, 1}, {{700, 500}, 550, 1}, {{270, 191}, 240, 0.5}, {{400, 400}, 360, 400.0 / 540.0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.canvas.width() << "x" << c.canvas.height());
        Canvas canvas(true, c.canvas);
        const double top = (c.canvas.height() - 382 * c.scale) / 2;
        const std::vector<int> edges = barEdgesDown(picture(canvas.view), c.column);
        ASSERT_EQ(edges.size(), 4u);
        const double expected[] = {top + 1, top + 24 * c.scale, top + 354 * c.scale, top + 382 * c.scale - 1};
        for (size_t i = 0; i < 4; ++i)
            EXPECT_NEAR(edges[i], expected[i], 1) << "edge " << i;
    }
    EXPECT_DOUBLE_EQ(Canvas(true, {20, 20}).view.mockupLayout().scale, 0.1);
}

TEST(PreviewCanvasPixels, BackgroundStopsAtTheStatusBarAndUnreadableOnesShowThePlainFill)
{
    // The picture's rows from 330 down are blue and must stay hidden under the status bar.
    QTemporaryDir dir;
    QImage bands(540, 380, QImage::Format_RGB32);
    bands.fill(Qt::green);
    QPainter(&bands).fillRect(0, 330, 540, 50, Qt::blue);
    const QString tall = dir.filePath(QStringLiteral("bands.png"));
    ASSERT_TRUE(bands.save(tall));
    Canvas canvas;
    canvas.update([&](VorlapProject& p) { p.backgroundImagePath = tall; });
    QImage image = picture(canvas.view);
    EXPECT_EQ(image.pixelColor(500, 26), QColor(Qt::green));
    EXPECT_EQ(image.pixelColor(500, 351), QColor(Qt::green));
    EXPECT_TRUE(isBar(image.pixelColor(500, 360)));

    const QString broken = dir.filePath(QStringLiteral("broken.png"));
    writeFile(broken, "not a picture");
    for (const QString& path : {dir.filePath(QStringLiteral("gone.png")), broken, dir.path()}) {
        canvas.update([&](VorlapProject& p) { p.backgroundImagePath = path; });
        image = picture(canvas.view);
        EXPECT_TRUE(near(image.pixelColor(500, 100), Palette::canvasFill(), 1)) << path.toStdString();
        EXPECT_TRUE(near(image.pixelColor(30, 340), Palette::canvasFill(), 1)) << path.toStdString();
    }
}

TEST(PreviewCanvasPixels, IconsAndLabelsAreDrawnWhereTheLayoutPutsThem)
{
    Canvas canvas;
    canvas.update([](VorlapProject& p) { p.iconPositions = {{100, 120}, {400, 250}}; p.iconSize = 64; });
    const MockupLayout layout = canvas.view.mockupLayout();
    EXPECT_DOUBLE_EQ(layout.app.icon.center().x(), 100);
    EXPECT_DOUBLE_EQ((layout.applications.icon.top() + layout.applications.label.bottom()) / 2, 24 + 250);

    const QImage image = picture(canvas.view);
    const auto drawnIn = [&](const QRectF& rect) {
        return rect.width() * rect.height() - countNear(image.copy(rect.toRect()), Palette::canvasFill(), 2);
    };
    EXPECT_GT(drawnIn(layout.app.icon), 64 * 64 / 3);
    EXPECT_GT(drawnIn(layout.applications.icon), 64 * 64 / 3);
    EXPECT_GT(drawnIn(layout.app.label), 10);
    EXPECT_EQ(drawnIn(QRectF(180, 60, 150, 80)), 0); // between the groups the content is empty
}

TEST(PreviewCanvasPixels, EmptyNameShowsVorlapAndApp)
{
    Canvas canvas;
    canvas.update([](VorlapProject& p) { p.appName.clear(); });
    EXPECT_EQ(canvas.view.mockupLayout().app.labelText, QStringLiteral("App"));

    // The title is drawn the same as for an app named "Vorlap".
    const QImage empty = picture(canvas.view).copy(0, 0, 540, 24);
    canvas.update([](VorlapProject& p) { p.appName = QStringLiteral("Vorlap"); });
    EXPECT_EQ(picture(canvas.view).copy(0, 0, 540, 24), empty);
    canvas.update([](VorlapProject& p) { p.appName = QStringLiteral("Other"); });
    EXPECT_NE(picture(canvas.view).copy(0, 0, 540, 24), empty);
}

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
        EXPECT_EQ(cache.picture(path, size).pixelColor(5, 5), colour);
        EXPECT_EQ(renders, rendersSoFar);
    };
    const QString a = write("a.bmp", Qt::green, {60, 40}, when);
    expectShown(a, {540, 380}, Qt::green, 1);
    expectShown(a, {540, 380}, Qt::green, 1);
    expectShown(write("b.bmp", Qt::blue, {60, 40}, when), {540, 380}, Qt::blue, 2);
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
