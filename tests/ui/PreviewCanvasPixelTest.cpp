// What the mock-up face draws, read back pixel by pixel: where the window sits at
// each scale, the heights of its title bar, content and status bar, the background
// picture's crop and clipping, and the plain fill without a picture.
#include "CanvasTestSupport.h"
#include "ui/Palette.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace vorlap;
using namespace vorlap::test;

namespace {

// The light grey of the title and status bars, against the dark content and surround.
bool isBar(QColor c) { return c.red() > 120 && std::abs(c.red() - c.blue()) < 12; }

// Runs of rows down one column that are bar-coloured or not: [first, end) each.
struct RowRun {
    bool bar;
    int first;
    int end;
};

std::vector<RowRun> runsDown(const QImage& image, int x, int fromY, int toY)
{
    std::vector<RowRun> runs;
    for (int y = fromY; y < toY; ++y) {
        const bool bar = isBar(image.pixelColor(x, y));
        if (runs.empty() || runs.back().bar != bar)
            runs.push_back({bar, y, y + 1});
        else
            runs.back().end = y + 1;
    }
    return runs;
}

QImage bands(QSize size, const std::vector<std::pair<int, QColor>>& rows)
{
    QImage image(size, QImage::Format_RGB32);
    for (size_t i = 0; i < rows.size(); ++i) {
        const int end = i + 1 < rows.size() ? rows[i + 1].first : size.height();
        for (int y = rows[i].first; y < end; ++y)
            for (int x = 0; x < size.width(); ++x)
                image.setPixelColor(x, y, rows[i].second);
    }
    return image;
}

class PreviewCanvasPixels : public ::testing::Test {
protected:
    QString save(const QImage& image, const char* name)
    {
        const QString path = dir.filePath(QString::fromUtf8(name));
        EXPECT_TRUE(image.save(path));
        return path;
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(PreviewCanvasPixels, WindowIsScaledToFitAndCentred)
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
        const MockupLayout layout = canvas.view.mockupLayout();
        const double top = (c.canvas.height() - 382 * c.scale) / 2;
        EXPECT_DOUBLE_EQ(layout.scale, c.scale);
        EXPECT_DOUBLE_EQ(layout.window.top(), top);
        const std::vector<RowRun> runs = runsDown(picture(canvas.view), c.column, 0, c.canvas.height());
        ASSERT_EQ(runs.size(), 5u);
        EXPECT_TRUE(runs[1].bar);
        EXPECT_NEAR(runs[1].first, top + 1, 1);
        EXPECT_NEAR(runs[1].end, top + 24 * c.scale, 1);
        EXPECT_NEAR(runs[3].first, top + (24 + 330) * c.scale, 1);
        EXPECT_NEAR(runs[3].end, top + 382 * c.scale - 1, 1);
    }
    Canvas tiny(true, {20, 20});
    EXPECT_DOUBLE_EQ(tiny.view.mockupLayout().scale, 0.1);
}

TEST_F(PreviewCanvasPixels, BorderHairlinesAndShadowUseTheirColours)
{
    Canvas canvas(true, {700, 500}); // window 540 x 382 at (80, 59)
    const QImage image = picture(canvas.view);
    for (const QPoint border : {QPoint(80, 200), QPoint(619, 200), QPoint(500, 59), QPoint(500, 59 + 381)})
        EXPECT_TRUE(near(image.pixelColor(border), Palette::outline(), 2)) << border.x() << "," << border.y();
    EXPECT_TRUE(near(image.pixelColor(81, 200), Palette::canvasFill(), 1));
    EXPECT_TRUE(near(image.pixelColor(618, 200), Palette::canvasFill(), 1));
    // Outside: the surround, darkened by the shadow close to the window only.
    const QColor surround = Palette::windowBackground();
    EXPECT_LT(image.pixelColor(78, 200).blue(), surround.blue());
    EXPECT_TRUE(near(image.pixelColor(20, 200), surround, 1));
    EXPECT_TRUE(near(image.pixelColor(350, 5), surround, 1));

    // Hairlines: black 18 % under the title, black 16 % over the status bar.
    EXPECT_NEAR(image.pixelColor(500, 59 + 23).red(), 0.82 * 0.7 * 255 + 0.5, 5);
    EXPECT_NEAR(image.pixelColor(500, 59 + 354).red(), 0.84 * 0.83 * 255, 5);
}

TEST_F(PreviewCanvasPixels, BackgroundIsCroppedToTheWindowAndClippedAt330)
{
    // 1080 × 1000 for a 540 × 380 window: the full width is kept and 120 rows are cut
    // at top and bottom. Inside the kept part the lower 100 rows (window rows 330 and
    // below) are blue and must stay hidden under the status bar.
    const QString path = save(bands({1080, 1000}, {{0, Qt::red}, {120, Qt::green}, {780, Qt::blue}, {880, Qt::red}}),
                              "tall.png");
    Canvas canvas;
    canvas.update([&](VorlapProject& p) { p.backgroundImagePath = path; });
    const QImage image = picture(canvas.view);
    EXPECT_EQ(image.pixelColor(500, 26), QColor(Qt::green));
    EXPECT_EQ(image.pixelColor(500, 351), QColor(Qt::green));
    // The status bar covers the rest.
    EXPECT_TRUE(isBar(image.pixelColor(500, 360)));
}

TEST_F(PreviewCanvasPixels, MissingOrBrokenPictureShowsThePlainFill)
{
    const QString broken = dir.filePath(QStringLiteral("broken.png"));
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a picture");
    file.close();

    for (const QString& path : {dir.filePath(QStringLiteral("gone.png")), broken, dir.path()}) {
        Canvas canvas;
        canvas.update([&](VorlapProject& p) { p.backgroundImagePath = path; });
        const QImage image = picture(canvas.view);
        EXPECT_TRUE(near(image.pixelColor(500, 100), Palette::canvasFill(), 1)) << path.toStdString();
        EXPECT_TRUE(near(image.pixelColor(30, 340), Palette::canvasFill(), 1)) << path.toStdString();
    }
}

TEST_F(PreviewCanvasPixels, IconsAndLabelsSitAtTheirCentres)
{
    Canvas canvas;
    canvas.update([](VorlapProject& p) { p.iconPositions = {{100, 120}, {400, 250}}; p.iconSize = 64; });
    const MockupLayout layout = canvas.view.mockupLayout();
    // The group (icon, gap of 4, label) is centred on the stored position.
    for (const auto* group : {&layout.app, &layout.applications}) {
        EXPECT_DOUBLE_EQ(group->icon.width(), 64);
        EXPECT_DOUBLE_EQ(group->label.top() - group->icon.bottom(), 4);
    }
    EXPECT_DOUBLE_EQ((layout.app.icon.top() + layout.app.label.bottom()) / 2, 24 + 120);
    EXPECT_DOUBLE_EQ(layout.app.icon.center().x(), 100);
    EXPECT_DOUBLE_EQ((layout.applications.icon.top() + layout.applications.label.bottom()) / 2, 24 + 250);

    const QImage image = picture(canvas.view);
    const auto drawnIn = [&](const QRectF& rect) {
        int count = 0;
        for (int y = int(rect.top()) + 1; y < int(rect.bottom()) - 1; ++y)
            for (int x = int(rect.left()) + 1; x < int(rect.right()) - 1; ++x)
                count += near(image.pixelColor(x, y), Palette::canvasFill(), 2) ? 0 : 1;
        return count;
    };
    EXPECT_GT(drawnIn(layout.app.icon), 64 * 64 / 3);
    EXPECT_GT(drawnIn(layout.applications.icon), 64 * 64 / 3);
    EXPECT_GT(drawnIn(layout.app.label), 10);
    // Between the groups the content is empty.
    EXPECT_EQ(drawnIn(QRectF(180, 60, 150, 80)), 0);
}

TEST_F(PreviewCanvasPixels, EmptyNameShowsVorlapAndApp)
{
    Canvas canvas;
    canvas.update([](VorlapProject& p) { p.appName.clear(); });
    EXPECT_EQ(canvas.view.mockupLayout().app.labelText, QStringLiteral("App"));
    EXPECT_EQ(canvas.view.mockupLayout().applications.labelText, QStringLiteral("Applications"));

    // The title is drawn the same as for an app named "Vorlap".
    const QImage empty = picture(canvas.view).copy(0, 0, 540, 24);
    canvas.update([](VorlapProject& p) { p.appName = QStringLiteral("Vorlap"); });
    EXPECT_EQ(picture(canvas.view).copy(0, 0, 540, 24), empty);
    canvas.update([](VorlapProject& p) { p.appName = QStringLiteral("Other"); });
    EXPECT_NE(picture(canvas.view).copy(0, 0, 540, 24), empty);
}
