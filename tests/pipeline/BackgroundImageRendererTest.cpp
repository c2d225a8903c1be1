// The background picture scaled to cover the window and cropped equally on both sides,
// checked pixel by pixel, and its PNG decoded by an independent reader.
#include "pipeline/BackgroundImageRenderer.h"
#include "support/Shell.h"
#include "support/TestPaths.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>

using namespace vorlap;

namespace {

constexpr QRgb red = 0xffff0000, green = 0xff00ff00, yellow = 0xffffff00, blue = 0xff0000ff;

struct Band {
    int start; // first column (vertical bands) or row (horizontal bands)
    QRgb colour;
};

// A picture made of bands of solid colour, each running to the next band's start.
QImage bands(QSize size, Qt::Orientation orientation, const std::vector<Band>& list)
{
    QImage image(size, QImage::Format_ARGB32);
    for (size_t i = 0; i < list.size(); ++i) {
        const int end = i + 1 < list.size() ? list[i + 1].start
                                            : (orientation == Qt::Horizontal ? size.width() : size.height());
        for (int a = list[i].start; a < end; ++a)
            for (int b = 0; b < (orientation == Qt::Horizontal ? size.height() : size.width()); ++b)
                image.setPixel(orientation == Qt::Horizontal ? QPoint(a, b) : QPoint(b, a), list[i].colour);
    }
    return image;
}

class BackgroundImageRendererTest : public ::testing::Test {
protected:
    QString save(const QImage& image, const QString& name)
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(image.save(path)) << path.toStdString();
        return path;
    }

    QString write(const QByteArray& bytes, const QString& name)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    QImage render(const QString& path, Size size, double scale = 1.0)
    {
        const auto image = BackgroundImageRenderer::renderImage(path, size, scale);
        EXPECT_TRUE(image) << image.error().description().toStdString();
        return image ? *image : QImage();
    }

    QTemporaryDir dir;
};

QByteArray pngChunk(const char* kind, const QByteArray& body)
{
    QByteArray chunk;
    char length[4];
    qToBigEndian<quint32>(quint32(body.size()), length);
    chunk.append(length, 4).append(kind, 4).append(body);
    const QByteArray covered = QByteArray(kind, 4) + body;
    char crc[4];
    qToBigEndian<quint32>(quint32(crc32(0, reinterpret_cast<const Bytef*>(covered.constData()), uInt(covered.size()))), crc);
    return chunk.append(crc, 4);
}

} // namespace

TEST_F(BackgroundImageRendererTest, PictureCoversTheWindowCroppedEquallyOnBothSides)
{
    EXPECT_EQ(BackgroundImageRenderer::cropRect({1200, 800}, {600, 400}), QRect(0, 0, 1200, 800));
    EXPECT_EQ(BackgroundImageRenderer::cropRect({3, 1000}, {1000, 1}), QRect(0, 499, 3, 2));
    // Bands the crop must cut away are red or blue; what remains runs green to yellow.
    const struct {
        QSize source;
        Qt::Orientation orientation;
        std::vector<Band> bands;
        QRect crop;
        std::vector<std::pair<int, QRgb>> lines; // columns (horizontal bands) or rows
    } cases[] = {
        // 1920 x 1080 into 600 x 400 keeps the full height from x = 150; the green/yellow
        // edge at source column 960 lands at (960 - 150) / 2.7 = 300.
        {{1920, 1080}, Qt::Horizontal, {{0, red}, {150, green}, {960, yellow}, {1770, blue}},
         {150, 0, 1620, 1080}, {{0, green}, {298, green}, {301, yellow}, {599, yellow}}},
        // h = 666.67 at y = 166.67, made whole: rows 166 to 833.
        {{1000, 1000}, Qt::Vertical, {{0, red}, {166, green}, {500, yellow}, {834, blue}},
         {0, 166, 1000, 668}, {{0, green}, {399, yellow}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source.width());
        EXPECT_EQ(BackgroundImageRenderer::cropRect(c.source, {600, 400}), c.crop);
        const QImage image = render(save(bands(c.source, c.orientation, c.bands), QStringLiteral("bands.png")), {600, 400});
        ASSERT_EQ(image.size(), QSize(600, 400));
        int stray = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                stray += qGreen(p) != 255 || qBlue(p) != 0 || qAlpha(p) != 255;
            }
        EXPECT_EQ(stray, 0);
        for (const auto& [line, colour] : c.lines)
            for (int along = 0; along < (c.orientation == Qt::Horizontal ? 400 : 600); ++along) {
                const QPoint at = c.orientation == Qt::Horizontal ? QPoint(line, along) : QPoint(along, line);
                ASSERT_EQ(image.pixel(at), colour) << at.x() << ", " << at.y();
            }
    }

    // Scaled up without a border: the corner pixels reach the corners.
    QImage small(30, 20, QImage::Format_RGB32);
    small.fill(green);
    small.setPixel(0, 0, red);
    small.setPixel(29, 19, blue);
    const QImage image = render(save(small, QStringLiteral("small.png")), {600, 400});
    EXPECT_EQ(image.pixel(0, 0), red);
    EXPECT_EQ(image.pixel(599, 399), blue);
    EXPECT_EQ(image.pixel(599, 0), green);
}

TEST_F(BackgroundImageRendererTest, ScalingDownBlendsNeighbouringPixels)
{
    // Alternating black and white columns halved: a smooth scale gives grey, not stripes.
    QImage stripes(200, 100, QImage::Format_RGB32);
    for (int x = 0; x < 200; ++x)
        for (int y = 0; y < 100; ++y)
            stripes.setPixel(x, y, x % 2 ? 0xffffffff : 0xff000000);
    const QImage image = render(save(stripes, QStringLiteral("stripes.png")), {100, 50});
    for (const QPoint p : {QPoint(0, 0), QPoint(37, 20), QPoint(99, 49)}) {
        EXPECT_GT(qGray(image.pixel(p)), 100);
        EXPECT_LT(qGray(image.pixel(p)), 155);
    }
}

TEST_F(BackgroundImageRendererTest, PixelSizeRoundsHalvesUpAndRefusesAbsurdSizes)
{
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(yellow);
    const QString path = save(picture, QStringLiteral("p.png"));

    const struct {
        Size size;
        double scale;
        QSize pixels; // empty: refused
    } cases[] = {
        {{599.5, 399.5}, 1.0, {600, 400}}, {{0.4, 0.4}, 1.0, {1, 1}}, {{-20, 0}, 1.0, {1, 1}},
        {{270, 190}, 2.0, {540, 380}}, {{NAN, 400}, 1.0, {}}, {{600, INFINITY}, 1.0, {}}, {{600, 400}, NAN, {}},
        {{1e300, 1e300}, 1.0, {}}, {{1e6, 1e6}, 1.0, {}}, {{9000, 9000}, 1.0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.size.width) + " x " + std::to_string(c.size.height));
        const auto image = BackgroundImageRenderer::renderImage(path, c.size, c.scale);
        if (c.pixels.isEmpty()) {
            ASSERT_FALSE(image);
            EXPECT_EQ(image.error().description(), "Failed to resize background image: " + path);
        } else {
            ASSERT_TRUE(image);
            EXPECT_EQ(image->size(), c.pixels);
            EXPECT_EQ(image->pixel(0, 0), yellow);
        }
    }
    EXPECT_EQ(BackgroundImageRenderer::pixelSize({8192, 8192}, 1.0), QSize(8192, 8192)); // exactly the limit
    EXPECT_FALSE(BackgroundImageRenderer::pixelSize({8192, 8192.5}, 1.0));
}

TEST_F(BackgroundImageRendererTest, UnreadablePicturesAreInvalid)
{
    // A valid PNG header claiming 100000 x 100000 RGBA pixels (40 GB) over a few bytes of
    // data must be refused without allocating.
    QByteArray header(13, '\0');
    qToBigEndian<quint32>(100000, header.data());
    qToBigEndian<quint32>(100000, header.data() + 4);
    header[8] = 8;
    header[9] = 6;
    const QByteArray bomb = QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header)
        + pngChunk("IDAT", QByteArray::fromHex("789c030000000001")) + pngChunk("IEND", {});
    for (const QString& path : {write("not a picture at all\n", QStringLiteral("notes.png")), write({}, QStringLiteral("empty.jpg")),
                                dir.filePath(QStringLiteral("missing.png")), dir.path(), write(bomb, QStringLiteral("bomb.png"))}) {
        const auto image = BackgroundImageRenderer::renderImage(path, {600, 400}, 1.0);
        ASSERT_FALSE(image) << path.toStdString();
        EXPECT_EQ(image.error().description(), "Background image is invalid: " + path);
        const auto png = BackgroundImageRenderer::renderPNG(path, {600, 400}, 1.0);
        ASSERT_FALSE(png);
        EXPECT_EQ(png.error(), PipelineError::backgroundImageInvalid(path));
    }
}

TEST_F(BackgroundImageRendererTest, OrientationTagIsHonoured)
{
    // Stored 40 × 20 with red on the left; the EXIF tag 6 says "turn 90° clockwise to show",
    // so the shown picture is 20 × 40 with red on top.
    QImage stored(40, 20, QImage::Format_RGB32);
    stored.fill(blue);
    QPainter(&stored).fillRect(0, 0, 20, 20, QColor(red));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(stored.save(&buffer, "jpg", 100));
    const QByteArray exif = QByteArray::fromHex("ffe10022" "457869660000" "4d4d002a00000008"
                                                "0001" "011200030000000100060000" "00000000");
    const QString path = write(jpeg.left(2) + exif + jpeg.mid(2), QStringLiteral("turned.jpg"));

    const QImage image = render(path, {20, 40});
    ASSERT_EQ(image.size(), QSize(20, 40));
    const QColor top = image.pixelColor(10, 5), bottom = image.pixelColor(10, 35);
    EXPECT_GT(top.red(), 230);
    EXPECT_LT(top.blue(), 25);
    EXPECT_GT(bottom.blue(), 230);
    EXPECT_LT(bottom.red(), 25);
}

TEST_F(BackgroundImageRendererTest, EmbeddedProfileIsConvertedToSRgb)
{
    // Display P3 (200, 100, 50) in sRGB, computed with the published P3-to-sRGB matrix
    // (both spaces share the sRGB transfer curve).
    const auto toLinear = [](double v) { v /= 255; return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    const auto toEncoded = [](double v) {
        v = std::clamp(v, 0.0, 1.0);
        return 255 * (v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055);
    };
    const double r = toLinear(200), g = toLinear(100), b = toLinear(50);
    const double expected[3] = {toEncoded(1.2249401 * r - 0.2249404 * g),
                                toEncoded(-0.0420569 * r + 1.0420571 * g),
                                toEncoded(-0.0196376 * r - 0.0786361 * g + 1.0982735 * b)};

    QImage picture(16, 16, QImage::Format_RGB32);
    picture.fill(qRgb(200, 100, 50));
    picture.setColorSpace(QColorSpace(QColorSpace::DisplayP3));
    const QImage image = render(save(picture, QStringLiteral("p3.png")), {4, 4});
    const QColor pixel = image.pixelColor(2, 2);
    EXPECT_NEAR(pixel.red(), expected[0], 2.0);
    EXPECT_NEAR(pixel.green(), expected[1], 2.0);
    EXPECT_NEAR(pixel.blue(), expected[2], 2.0);
    EXPECT_EQ(image.colorSpace(), QColorSpace(QColorSpace::SRgb));
}

TEST_F(BackgroundImageRendererTest, IconFileUsesItsLargestImage)
{
    // An .ico holding a 16 × 16 red and a 64 × 64 green PNG.
    const auto pngOf = [](int side, QRgb colour) {
        QImage image(side, side, QImage::Format_ARGB32);
        image.fill(colour);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "png");
        return bytes;
    };
    const QByteArray small = pngOf(16, red), large = pngOf(64, green);
    QByteArray ico = QByteArray::fromHex("000001000200");
    const auto entry = [](int side, qsizetype size, qsizetype offset) {
        QByteArray e(16, '\0');
        e[0] = char(side);
        e[1] = char(side);
        qToLittleEndian<quint16>(1, e.data() + 4);
        qToLittleEndian<quint16>(32, e.data() + 6);
        qToLittleEndian<quint32>(quint32(size), e.data() + 8);
        qToLittleEndian<quint32>(quint32(offset), e.data() + 12);
        return e;
    };
    ico += entry(16, small.size(), 6 + 32) + entry(64, large.size(), 6 + 32 + small.size()) + small + large;
    const QImage image = render(write(ico, QStringLiteral("icon.ico")), {10, 10});
    ASSERT_EQ(image.size(), QSize(10, 10));
    EXPECT_EQ(image.pixel(5, 5), green);
}

TEST_F(BackgroundImageRendererTest, PngDecodesIndependentlyToTheSamePixels)
{
    if (!test::haveProgram("python3"))
        GTEST_SKIP() << "python3 not found";
    QImage picture = bands({90, 50}, Qt::Horizontal, {{0, red}, {20, green}, {45, qRgba(0, 0, 255, 128)}, {70, yellow}});
    picture.setPixel(44, 10, qRgba(10, 20, 30, 0));
    const QString path = save(picture, QStringLiteral("source.png"));

    const auto png = BackgroundImageRenderer::renderPNG(path, {37, 23}, 1.0);
    ASSERT_TRUE(png) << png.error().description().toStdString();
    const QString output = write(*png, QStringLiteral("rendered.png"));
    const test::ShellResult decoded =
        test::runProgram({"python3", test::sourcePath("tests/pipeline/png_pixels.py"), output.toStdString()});
    ASSERT_EQ(decoded.exitCode, 0) << decoded.output;

    // The header line (size, colour type 6 = RGBA, chunks), then every pixel as RRGGBBAA.
    const QImage expected = render(path, {37, 23}).convertToFormat(QImage::Format_RGBA8888);
    std::string pixels;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            pixels += QByteArray(reinterpret_cast<const char*>(expected.constScanLine(y)) + 4 * x, 4).toHex().toStdString()
                + (x + 1 < expected.width() ? " " : "\n");
    const size_t headerEnd = decoded.output.find('\n') + 1;
    EXPECT_EQ(decoded.output.substr(0, 8), "37 23 6 ");
    EXPECT_EQ(decoded.output.substr(headerEnd), pixels);
}
