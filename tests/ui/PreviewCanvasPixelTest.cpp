// What the mock-up face draws, read back pixel by pixel: where the window sits at
// each scale, the heights of its title bar, content and status bar, the background
// picture clipped above the status bar, and the plain fill without a picture.
#include "ui/UiTestSupport.h"
#include "support/TestEnvironment.h"
#include "ui/Palette.h"

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

TEST(PreviewCanvasPixels, BorderAndShadowUseTheirColours)
{
    Canvas canvas(true, {700, 500}); // window 540 x 382 at (80, 59)
    const QImage image = picture(canvas.view);
    for (const QPoint border : {QPoint(80, 200), QPoint(619, 200), QPoint(500, 59), QPoint(500, 59 + 381)})
        EXPECT_TRUE(near(image.pixelColor(border), Palette::outline(), 2)) << border.x() << "," << border.y();
    EXPECT_TRUE(near(image.pixelColor(81, 200), Palette::canvasFill(), 1));
    // Outside: the surround, darkened by the shadow close to the window only.
    EXPECT_LT(image.pixelColor(78, 200).blue(), Palette::windowBackground().blue());
    EXPECT_TRUE(near(image.pixelColor(20, 200), Palette::windowBackground(), 1));
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
