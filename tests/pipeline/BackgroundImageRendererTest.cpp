// The background picture scaled to cover the window and cropped equally on both sides,
// checked pixel by pixel, its PNG decoded by an independent reader, and pictures written
// by other programs.
#include "pipeline/BackgroundImageRenderer.h"
#include "support/Shell.h"
#include "support/TestEnvironment.h"
#include "support/TestPaths.h"

#include <QBuffer>
#include <QImageReader>
#include <QColorSpace>
#include <QPainter>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>

using namespace vorlap;
using namespace vorlap::test;

namespace {

constexpr QRgb red = 0xffff0000, green = 0xff00ff00, yellow = 0xffffff00, blue = 0xff0000ff;

// A picture of vertical bands of solid colour, each from its column to the next band's.
QImage bands(QSize size, const std::vector<std::pair<int, QRgb>>& list)
{
    QImage image(size, QImage::Format_ARGB32);
    for (size_t i = 0; i < list.size(); ++i) {
        const int end = i + 1 < list.size() ? list[i + 1].first : size.width();
        for (int x = list[i].first; x < end; ++x)
            for (int y = 0; y < size.height(); ++y)
                image.setPixel(x, y, list[i].second);
    }
    return image;
}

QByteArray encoded(const QImage& image, const char* format, int quality = -1)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format, quality));
    return bytes;
}

QByteArray pngChunk(const char* kind, const QByteArray& body)
{
    QByteArray chunk(4, '\0'), crc(4, '\0');
    qToBigEndian<quint32>(quint32(body.size()), chunk.data());
    const QByteArray covered = QByteArray(kind, 4) + body;
    qToBigEndian<quint32>(quint32(crc32(0, reinterpret_cast<const Bytef*>(covered.constData()), uInt(covered.size()))), crc.data());
    return chunk + covered + crc;
}

// Raw deflate data that ends on a byte and refers to nothing before it (a full flush), so
// that copies of it may follow one another in a stream.
QByteArray deflateSegment(const QByteArray& data)
{
    z_stream z{};
    deflateInit2(&z, 1, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(qsizetype(deflateBound(&z, uLong(data.size()))) + 64, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    z.avail_in = uInt(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    EXPECT_EQ(deflate(&z, Z_FULL_FLUSH), Z_OK);
    out.truncate(out.size() - z.avail_out);
    deflateEnd(&z);
    return out;
}

// An 8-bit RGB PNG of `width` × 2·(1 + 100·runs) pixels, `top` above and `bottom` below,
// made in milliseconds: each half is one row of its colour, then copies of the compressed
// run of 100 rows that repeat the row above.
QByteArray twoColourPng(int width, int runs, QRgb top, QRgb bottom)
{
    const QByteArray same = (QByteArray(1, '\2') + QByteArray(3 * width, '\0')).repeated(100);
    const QByteArray compressedSame = deflateSegment(same);
    const auto adler = [](const QByteArray& bytes) {
        return adler32(1, reinterpret_cast<const Bytef*>(bytes.constData()), uInt(bytes.size()));
    };
    QByteArray idat("\x78\x01", 2);
    uLong check = 1;
    for (const QRgb colour : {top, bottom}) {
        const char rgb[] = {char(qRed(colour)), char(qGreen(colour)), char(qBlue(colour))};
        const QByteArray first = QByteArray(1, '\0') + QByteArray(rgb, 3).repeated(width);
        idat += deflateSegment(first);
        check = adler32_combine(check, adler(first), first.size());
        for (int i = 0; i < runs; ++i) {
            idat += compressedSame;
            check = adler32_combine(check, adler(same), same.size());
        }
    }
    idat += QByteArray("\x03\x00", 2) + QByteArray(4, '\0'); // an empty last block, the checksum
    qToBigEndian<quint32>(quint32(check), idat.data() + idat.size() - 4);
    QByteArray header(13, '\0');
    qToBigEndian<quint32>(quint32(width), header.data());
    qToBigEndian<quint32>(quint32(2 * (1 + 100 * runs)), header.data() + 4);
    header[8] = 8;
    header[9] = 2;
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) + pngChunk("IDAT", idat) +
           pngChunk("IEND", {});
}

class BackgroundImageRendererTest : public ::testing::Test {
protected:
    QString write(const QByteArray& bytes, const QString& name)
    {
        writeFile(dir.filePath(name), bytes);
        return dir.filePath(name);
    }

    QString save(const QImage& image, const QString& name) { return write(encoded(image, "png"), name); }

    QImage render(const QString& path, Size size, double scale = 1.0)
    {
        const auto image = BackgroundImageRenderer::renderImage(path, size, scale);
        EXPECT_TRUE(image) << image.error().description().toStdString();
        return image ? *image : QImage();
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(BackgroundImageRendererTest, PictureCoversTheWindowCroppedEquallyOnBothSides)
{
    const struct {
        QSize source, window;
        QRect crop;
    } crops[] = {
        {{1200, 800}, {600, 400}, {0, 0, 1200, 800}},
        {{3, 1000}, {1000, 1}, {0, 499, 3, 2}},
        {{1920, 1080}, {600, 400}, {150, 0, 1620, 1080}},
        {{1000, 1000}, {600, 400}, {0, 166, 1000, 668}}, // h = 666.67 at y = 166.67, made whole
    };
    for (const auto& c : crops)
        EXPECT_EQ(BackgroundImageRenderer::cropRect(c.source, c.window), c.crop) << c.source.width();

    // 1920 x 1080 into 600 x 400 keeps the full height from x = 150; the green/yellow edge
    // at source column 960 lands at (960 - 150) / 2.7 = 300. Red and blue must be cut away.
    const QImage image = render(save(bands({1920, 1080}, {{0, red}, {150, green}, {960, yellow}, {1770, blue}}), "bands.png"),
                                {600, 400});
    ASSERT_EQ(image.size(), QSize(600, 400));
    for (int y = 0; y < 400; ++y)
        for (const auto& [x, colour] : {std::pair{0, green}, {298, green}, {301, yellow}, {599, yellow}})
            ASSERT_EQ(image.pixel(x, y), colour) << x << ", " << y;

    // Scaled up without a border: the corner pixels reach the corners.
    QImage small(30, 20, QImage::Format_RGB32);
    small.fill(green);
    small.setPixel(0, 0, red);
    small.setPixel(29, 19, blue);
    const QImage up = render(save(small, "small.png"), {600, 400});
    EXPECT_EQ(up.pixel(0, 0), red);
    EXPECT_EQ(up.pixel(599, 399), blue);
    EXPECT_EQ(up.pixel(599, 0), green);
}

TEST_F(BackgroundImageRendererTest, ScalingDownBlendsNeighbouringPixels)
{
    // Alternating black and white columns halved: a smooth scale gives grey, not stripes.
    QImage stripes(200, 100, QImage::Format_RGB32);
    for (int x = 0; x < 200; ++x)
        for (int y = 0; y < 100; ++y)
            stripes.setPixel(x, y, x % 2 ? 0xffffffff : 0xff000000);
    const QImage image = render(save(stripes, "stripes.png"), {100, 50});
    for (const QPoint p : {QPoint(0, 0), QPoint(37, 20), QPoint(99, 49)}) {
        EXPECT_GT(qGray(image.pixel(p)), 100);
        EXPECT_LT(qGray(image.pixel(p)), 155);
    }
}

TEST_F(BackgroundImageRendererTest, PixelSizeRoundsHalvesUpAndRefusesAbsurdSizes)
{
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(yellow);
    const QString path = save(picture, "p.png");
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
    const QByteArray bomb = QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", QByteArray::fromHex("000186a0000186a00806000000"))
        + pngChunk("IDAT", QByteArray::fromHex("789c030000000001")) + pngChunk("IEND", {});
    for (const QString& path : {write("not a picture at all\n", "notes.png"), write({}, "empty.jpg"),
                                dir.filePath("missing.png"), dir.path(), write(bomb, "bomb.png")}) {
        const auto image = BackgroundImageRenderer::renderImage(path, {600, 400}, 1.0);
        ASSERT_FALSE(image) << path.toStdString();
        EXPECT_EQ(image.error().description(), "Background image is invalid: " + path);
    }
}

TEST_F(BackgroundImageRendererTest, OrientationProfileAndLargestIconImageAreHonoured)
{
    // Stored 40 × 20 with red on the left; the EXIF tag 6 says "turn 90° clockwise to show",
    // so the shown picture is 20 × 40 with red on top.
    const QByteArray jpeg = encoded(bands({40, 20}, {{0, red}, {20, blue}}), "jpg", 100);
    const QByteArray exif = QByteArray::fromHex("ffe10022457869660000" "4d4d002a00000008" "0001011200030000000100060000" "00000000");
    const QImage turned = render(write(jpeg.left(2) + exif + jpeg.mid(2), "turned.jpg"), {20, 40});
    ASSERT_EQ(turned.size(), QSize(20, 40));
    const QColor top = turned.pixelColor(10, 5), bottom = turned.pixelColor(10, 35);
    EXPECT_GT(top.red(), 230);
    EXPECT_LT(top.blue(), 25);
    EXPECT_GT(bottom.blue(), 230);
    EXPECT_LT(bottom.red(), 25);

    // Display P3 (200, 100, 50) in sRGB, computed with the published P3-to-sRGB matrix
    // (both spaces share the sRGB transfer curve).
    const auto toLinear = [](double v) { v /= 255; return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    const auto toEncoded = [](double v) {
        v = std::clamp(v, 0.0, 1.0);
        return 255 * (v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055);
    };
    const double r = toLinear(200), g = toLinear(100), b = toLinear(50);
    QImage p3(16, 16, QImage::Format_RGB32);
    p3.fill(qRgb(200, 100, 50));
    p3.setColorSpace(QColorSpace(QColorSpace::DisplayP3));
    const QImage converted = render(save(p3, "p3.png"), {4, 4});
    const QColor pixel = converted.pixelColor(2, 2);
    EXPECT_NEAR(pixel.red(), toEncoded(1.2249401 * r - 0.2249404 * g), 2.0);
    EXPECT_NEAR(pixel.green(), toEncoded(-0.0420569 * r + 1.0420571 * g), 2.0);
    EXPECT_NEAR(pixel.blue(), toEncoded(-0.0196376 * r - 0.0786361 * g + 1.0982735 * b), 2.0);
    EXPECT_EQ(converted.colorSpace(), QColorSpace(QColorSpace::SRgb));

    // An .ico holding a 16 × 16 red and a 64 × 64 green PNG: the largest is used.
    const QByteArray small = encoded(bands({16, 16}, {{0, red}}), "png"), large = encoded(bands({64, 64}, {{0, green}}), "png");
    const auto entry = [](int side, qsizetype size, qsizetype offset) {
        QByteArray e = QByteArray(1, char(side)) + char(side) + QByteArray::fromHex("000001002000") + QByteArray(8, '\0');
        qToLittleEndian<quint32>(quint32(size), e.data() + 8);
        qToLittleEndian<quint32>(quint32(offset), e.data() + 12);
        return e;
    };
    const QByteArray ico = QByteArray::fromHex("000001000200") + entry(16, small.size(), 6 + 32)
                         + entry(64, large.size(), 6 + 32 + small.size()) + small + large;
    const QImage icon = render(write(ico, "icon.ico"), {10, 10});
    ASSERT_EQ(icon.size(), QSize(10, 10));
    EXPECT_EQ(icon.pixel(5, 5), green);
}

TEST_F(BackgroundImageRendererTest, PngDecodesIndependentlyToTheSamePixels)
{
    QImage picture = bands({90, 50}, {{0, red}, {20, green}, {45, qRgba(0, 0, 255, 128)}, {70, yellow}});
    picture.setPixel(44, 10, qRgba(10, 20, 30, 0));
    const QString path = save(picture, "source.png");
    const auto png = BackgroundImageRenderer::renderPNG(path, {37, 23}, 1.0);
    ASSERT_TRUE(png) << png.error().description().toStdString();
    const ShellResult decoded =
        runProgram({"python3", sourcePath("tests/pipeline/png_pixels.py"), write(*png, "rendered.png").toStdString()});
    ASSERT_EQ(decoded.exitCode, 0) << decoded.output;

    // The header line (size, colour type 6 = RGBA, chunks), then every pixel as RRGGBBAA.
    const QImage expected = render(path, {37, 23}).convertToFormat(QImage::Format_RGBA8888);
    std::string pixels;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            pixels += QByteArray(reinterpret_cast<const char*>(expected.constScanLine(y)) + 4 * x, 4).toHex().toStdString()
                + (x + 1 < expected.width() ? " " : "\n");
    EXPECT_EQ(decoded.output.substr(0, 8), "37 23 6 ");
    EXPECT_EQ(decoded.output.substr(decoded.output.find('\n') + 1), pixels);
}

TEST_F(BackgroundImageRendererTest, SixteenBitAndEightBitBackgroundsKeepTheirPixels)
{
    // PNGs written here, not by Qt: 4 x 4 pixels of one colour in every layout.
    const struct {
        int colourType, depth;
        std::vector<int> samples;
        QColor premultiplied; // expected, within 1 per channel
    } cases[] = {
        {6, 16, {64250, 51400, 0, 32896}, QColor(126, 100, 0, 128)},
        {4, 16, {51400, 32896}, QColor(100, 100, 100, 128)},
        {6, 8, {250, 200, 0, 128}, QColor(125, 100, 0, 128)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.colourType) + " at " + std::to_string(c.depth) + " bits");
        QByteArray pixel;
        for (const int sample : c.samples)
            pixel += c.depth == 16 ? QByteArray(1, char(sample >> 8)) + char(sample) : QByteArray(1, char(sample));
        const QByteArray header = QByteArray::fromHex("0000000400000004") + char(c.depth) + char(c.colourType) + QByteArray(3, '\0');
        const QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header)
            + pngChunk("IDAT", qCompress(('\0' + pixel.repeated(4)).repeated(4)).mid(4)) + pngChunk("IEND", {});
        const QImage image = render(write(png, "pixels.png"), {4, 4}).convertToFormat(QImage::Format_RGBA8888_Premultiplied);
        const int channels[] = {c.premultiplied.red(), c.premultiplied.green(), c.premultiplied.blue(), c.premultiplied.alpha()};
        for (int channel = 0; channel < 4; ++channel)
            EXPECT_NEAR(image.constScanLine(2)[2 * 4 + channel], channels[channel], 1) << "channel " << channel;
    }
}

// A picture with the pixels for a 2× screen becomes a TIFF whose pages are exactly the
// renderings at scale 1 and 2 (read back by libtiff's tiffinfo and Qt's TIFF plugin);
// any smaller picture stays the PNG of scale 1.
TEST_F(BackgroundImageRendererTest, RetinaPicturesBecomeATwoPageTiffAndOthersStayPng)
{
    const Size window{54, 38};
    const struct {
        QSize picture;
        bool translucent;
        const char* extension;
    } cases[] = {
        {{108, 76}, false, "tiff"},  // exactly twice
        {{300, 76}, false, "tiff"},  // wide: its crop is 108 × 76
        {{108, 400}, true, "tiff"},  // tall, with an alpha channel
        {{107, 76}, false, "png"},   // one column short
        {{300, 75}, false, "png"},   // one row short after the crop
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QString("%1x%2").arg(c.picture.width()).arg(c.picture.height()).toStdString());
        QImage picture = bands(c.picture, {{0, red}, {c.picture.width() / 3, green}, {c.picture.width() / 2, blue}});
        for (int y = 0; y < c.picture.height(); y += 3)
            picture.setPixel(y % c.picture.width(), y, c.translucent ? qRgba(250, 200, 0, 128) : yellow);
        const QString path = save(picture, "picture.png");
        const auto file = BackgroundImageRenderer::renderFile(path, window);
        ASSERT_TRUE(file) << file.error().description().toStdString();
        EXPECT_EQ(file->extension, c.extension);
        if (file->extension == "png") {
            EXPECT_EQ(file->bytes, *BackgroundImageRenderer::renderPNG(path, window, 1.0));
            continue;
        }
        const std::string info = runProgram({"tiffinfo", write(file->bytes, "picture.tiff").toStdString()}).output;
        const std::string samples = c.translucent ? "Samples/Pixel: 4" : "Samples/Pixel: 3";
        for (const char* line : {"TIFF directory 0", "Image Width: 54 Image Length: 38", "Resolution: 72, 72 pixels/inch",
                                 "TIFF directory 1", "Image Width: 108 Image Length: 76", "Resolution: 144, 144 pixels/inch",
                                 "Compression Scheme: LZW", "ICC Profile: <present>", samples.c_str()})
            EXPECT_NE(info.find(line), std::string::npos) << line << "\n" << info;
        EXPECT_EQ(info.find("TIFF directory 2"), std::string::npos);
        if (c.translucent)
            continue; // premultiplied pages round-trip through Qt only to within a step
        QByteArray bytes = file->bytes;
        QBuffer buffer(&bytes);
        QImageReader pages(&buffer, "tiff");
        ASSERT_EQ(pages.imageCount(), 2);
        for (const double scale : {1.0, 2.0}) {
            ASSERT_TRUE(scale == 1.0 || pages.jumpToImage(1));
            const QImage page = pages.read().convertToFormat(QImage::Format_RGB32);
            EXPECT_EQ(page, render(path, window, scale).convertToFormat(QImage::Format_RGB32)) << scale;
        }
    }
}

// 11600 × 11602 pixels take 538 MB decoded whole, beyond the decoder's limit: decoded
// scaled down, the picture still makes both pages of the TIFF, and the preview's bitmap.
TEST_F(BackgroundImageRendererTest, HugePicturesAreDecodedScaledDown)
{
    const QString path = write(twoColourPng(11600, 58, red, blue), "huge.png");
    const auto file = BackgroundImageRenderer::renderFile(path, {540, 380});
    ASSERT_TRUE(file) << file.error().description().toStdString();
    ASSERT_EQ(file->extension, "tiff");
    QByteArray bytes = file->bytes;
    QBuffer buffer(&bytes);
    QImageReader pages(&buffer, "tiff");
    ASSERT_EQ(pages.imageCount(), 2);
    std::vector<QImage> images{pages.read()};
    images.push_back(pages.jumpToImage(1) ? pages.read() : QImage());
    images.push_back(render(path, {540, 380}, 1.5));
    for (const QImage& image : images) {
        SCOPED_TRACE(image.width());
        ASSERT_FALSE(image.isNull());
        const int h = image.height(), w = image.width();
        EXPECT_EQ(image.pixel(w / 2, h / 50), red);
        EXPECT_EQ(image.pixel(w / 3, h / 2 - h / 50), red);
        EXPECT_EQ(image.pixel(w / 3, h / 2 + h / 50), blue);
        EXPECT_EQ(image.pixel(w - 1, h - 1), blue);
    }
    EXPECT_EQ(images[1].size(), QSize(1080, 760));
}
