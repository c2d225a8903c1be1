#include "pipeline/BackgroundImageRenderer.h"

#include "common/posix/UniqueFd.h"
#include "pipeline/TiffEncoder.h"

#include <QBuffer>
#include <QFile>
#include <QColorSpace>
#include <QImageReader>
#include <QImageWriter>
#include <QtEndian>

#include <algorithm>
#include <cmath>

#include <fcntl.h>
#include <sys/stat.h>

namespace vorlap {

namespace {

// Files holding one picture at several resolutions (icons) offer them as separate images;
// the largest gives the best result. Animations and single pictures use their first image.
QImage readLargestImage(QImageReader& reader)
{
    const int count = reader.imageCount();
    if (count <= 1 || reader.supportsAnimation())
        return reader.read();

    QImage best;
    for (int index = 0; index < count; ++index) {
        if (index > 0 && !reader.jumpToImage(index))
            break;
        QImage image = reader.read();
        if (!image.isNull() && qint64(image.width()) * image.height() > qint64(best.width()) * best.height())
            best = std::move(image);
    }
    return best;
}

bool hasWideComponents(QImage::Format format)
{
    switch (format) {
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA64_Premultiplied:
    case QImage::Format_Grayscale16:
    case QImage::Format_RGBX16FPx4:
    case QImage::Format_RGBA16FPx4:
    case QImage::Format_RGBA16FPx4_Premultiplied:
    case QImage::Format_RGBX32FPx4:
    case QImage::Format_RGBA32FPx4:
    case QImage::Format_RGBA32FPx4_Premultiplied:
        return true;
    default:
        return false;
    }
}

// The decoded picture in a premultiplied format that colour conversion and smooth scaling
// handle directly, with its colours in sRGB. A null image when memory runs out.
QImage toPremultipliedSRgb(const QImage& decoded)
{
    // Qt 6.4 premultiplies 16-bit pictures wrongly ((250,200,0,128) comes out as
    // (255,255,0,64)); narrowing to 8 bits without premultiplying first is right, and the
    // result is 8-bit anyway.
    QImage image = hasWideComponents(decoded.format()) ? decoded.convertToFormat(QImage::Format_ARGB32) : decoded;
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return image;
    // A picture without a profile is taken to be sRGB already.
    const QColorSpace sRgb(QColorSpace::SRgb);
    if (image.colorSpace().isValid() && image.colorSpace() != sRgb)
        image.convertToColorSpace(sRgb);
    return image;
}

// A PNG whose chunks do not run whole up to IEND. libpng reports such a file on standard
// error before Qt sees the failure; finding it first keeps the build's one line the only one.
bool isCutShortPng(QFile& file)
{
    static const QByteArray signature("\x89PNG\r\n\x1a\n", 8);
    const qint64 size = file.size();
    if (file.read(8) != signature)
        return !file.seek(0);
    qint64 at = 8;
    for (;;) {
        const QByteArray header = file.read(8);
        if (header.size() != 8)
            return true;
        const qint64 length = qFromBigEndian<quint32>(header.constData());
        at += 8 + length + 4; // the data and its CRC
        if (at > size)
            return true;
        if (header.mid(4) == "IEND")
            return !file.seek(0);
        if (!file.seek(at))
            return true;
    }
}

} // namespace

std::optional<QSize> BackgroundImageRenderer::pixelSize(Size size, double scale)
{
    const double width = std::round(size.width * scale);
    const double height = std::round(size.height * scale);
    if (!std::isfinite(width) || !std::isfinite(height))
        return std::nullopt;
    const double pixelWidth = std::max(1.0, width);
    const double pixelHeight = std::max(1.0, height);
    // Both sides are at least 1, so neither can exceed the pixel limit on its own if the
    // product does not; comparing in double avoids any integer overflow.
    if (pixelWidth * pixelHeight > double(maxOutputPixels))
        return std::nullopt;
    return QSize(int(pixelWidth), int(pixelHeight));
}

QRect BackgroundImageRenderer::cropRect(QSize source, QSize target)
{
    const double sw = source.width();
    const double sh = source.height();
    const double sourceAspect = sw / sh;
    const double targetAspect = double(target.width()) / double(target.height());

    double x = 0, y = 0, w = sw, h = sh;
    if (targetAspect >= sourceAspect) {
        h = sw / targetAspect;
        y = (sh - h) / 2;
    } else {
        w = targetAspect * sh;
        x = (sw - w) / 2;
    }

    const double left = std::floor(x);
    const double top = std::floor(y);
    const double right = std::ceil(x + w);
    const double bottom = std::ceil(y + h);
    // Rounding in the divisions can push an edge a hair outside the picture; clip like a
    // crop of the picture would.
    const QRect whole(QPoint(0, 0), source);
    return QRect(QPoint(int(left), int(top)), QPoint(int(right) - 1, int(bottom) - 1)).intersected(whole);
}

namespace {

// The size to decode a picture of `stored` pixels at (as stored, before turning it
// upright), when it is over maxDecodePixels: scaled down to that many pixels, but never
// below what covers `needed` (upright) pixels. Nullopt: decode it whole.
std::optional<QSize> scaledDecodeSize(QSize stored, QSize needed, bool turned)
{
    const double pixels = double(stored.width()) * stored.height();
    if (stored.isEmpty() || pixels <= double(BackgroundImageRenderer::maxDecodePixels))
        return std::nullopt;
    if (turned)
        needed.transpose();
    const double cover = std::max(double(needed.width()) / stored.width(), double(needed.height()) / stored.height());
    const double scale = std::max(cover, std::sqrt(double(BackgroundImageRenderer::maxDecodePixels) / pixels));
    if (scale >= 1)
        return std::nullopt;
    return QSize(std::max(1, int(std::ceil(stored.width() * scale))),
                 std::max(1, int(std::ceil(stored.height() * scale))));
}

// The picture at `path`, decoded, turned upright and converted to premultiplied sRGB. A
// huge one is decoded scaled down, but still covers `needed` pixels when given.
Expected<QImage, PipelineError> decodePicture(const QString& path, std::optional<QSize> needed)
{
    // Opened without blocking and read only when it is a regular file: a FIFO or a device
    // named as the picture would otherwise wait forever or read without end.
    posix::UniqueFd fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!fd.isOpen() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return unexpected(PipelineError::backgroundImageInvalid(path));
    QFile file;
    if (!file.open(fd.get(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle) || isCutShortPng(file))
        return unexpected(PipelineError::backgroundImageInvalid(path));
    QImageReader reader(&file);
    reader.setAutoTransform(true);
    reader.setAllocationLimit(BackgroundImageRenderer::maxDecodeMegabytes);
    // Files of several pictures (icons) hold small ones; only a single one is scaled.
    if (needed && (reader.imageCount() <= 1 || reader.supportsAnimation())) {
        const bool turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
        if (const std::optional<QSize> scaled = scaledDecodeSize(reader.size(), *needed, turned))
            reader.setScaledSize(*scaled);
    }
    const QImage decoded = readLargestImage(reader);
    if (decoded.isNull() || decoded.width() < 1 || decoded.height() < 1)
        return unexpected(PipelineError::backgroundImageInvalid(path));
    QImage source = toPremultipliedSRgb(decoded);
    if (source.isNull())
        return unexpected(PipelineError::backgroundImageResizeFailed(path));
    return source;
}

// The decoded picture scaled to cover `target` pixels and cropped equally on both sides.
Expected<QImage, PipelineError> coverAndCrop(const QImage& source, QSize target, const QString& path)
{
    const QRect crop = BackgroundImageRenderer::cropRect(source.size(), target);
    if (crop.isEmpty())
        return unexpected(PipelineError::backgroundImageResizeFailed(path));
    const QImage cropped = source.copy(crop);
    if (cropped.isNull())
        return unexpected(PipelineError::backgroundImageResizeFailed(path));

    const QImage scaled = cropped.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (scaled.isNull() || scaled.size() != target)
        return unexpected(PipelineError::backgroundImageResizeFailed(path));

    QImage result = scaled.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    if (result.isNull())
        return unexpected(PipelineError::backgroundImageResizeFailed(path));
    result.setColorSpace(QColorSpace(QColorSpace::SRgb));
    return result;
}

Expected<QByteArray, PipelineError> encodePng(const QImage& image, const QString& path)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image) || bytes.isEmpty())
        return unexpected(PipelineError::backgroundImageResizeFailed(path));
    return bytes;
}

} // namespace

Expected<QImage, PipelineError> BackgroundImageRenderer::renderImage(const QString& path, Size size, double scale)
{
    const std::optional<QSize> target = pixelSize(size, scale);
    VORLAP_TRY_LET(source, decodePicture(path, target));
    if (!target)
        return unexpected(PipelineError::backgroundImageResizeFailed(path));
    return coverAndCrop(source, *target, path);
}

Expected<QByteArray, PipelineError> BackgroundImageRenderer::renderPNG(const QString& path, Size size, double scale)
{
    VORLAP_TRY_LET(image, renderImage(path, size, scale));
    return encodePng(image, path);
}

Expected<BackgroundFile, PipelineError> BackgroundImageRenderer::renderFile(const QString& path, Size size)
{
    const std::optional<QSize> single = pixelSize(size, 1.0);
    const std::optional<QSize> twice = pixelSize(size, 2.0);
    // Decoded with the pixels of the 2× page, so that scaling at read time never turns a
    // picture that holds them into a PNG.
    VORLAP_TRY_LET(source, decodePicture(path, twice ? twice : single));
    if (!single)
        return unexpected(PipelineError::backgroundImageResizeFailed(path));
    VORLAP_TRY_LET(image, coverAndCrop(source, *single, path));

    const QSize crop = cropRect(source.size(), *single).size();
    if (!twice || crop.width() < twice->width() || crop.height() < twice->height()) {
        VORLAP_TRY_LET(png, encodePng(image, path));
        return BackgroundFile{std::move(png), QStringLiteral("png")};
    }
    VORLAP_TRY_LET(retina, coverAndCrop(source, *twice, path));
    std::optional<QByteArray> tiff = encodeTiff({{image, 72}, {retina, 144}});
    if (!tiff)
        return unexpected(PipelineError::backgroundImageResizeFailed(path));
    return BackgroundFile{std::move(*tiff), QStringLiteral("tiff")};
}

} // namespace vorlap
