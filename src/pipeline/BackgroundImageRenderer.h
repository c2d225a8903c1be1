#pragma once
// Scales and crops a background picture to exactly fill the installer window.
#include "common/Expected.h"
#include "pipeline/PipelineError.h"
#include "project/Geometry.h"

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>

namespace vorlap {

// A rendered background as the volume holds it.
struct BackgroundFile {
    QByteArray bytes;
    QString extension; // "png" or "tiff"
};

class BackgroundImageRenderer {
public:
    // An sRGB, 8-bit RGBA premultiplied bitmap of round(size × scale) pixels (at least 1 × 1),
    // filled by the picture scaled to cover it and cropped equally on both sides.
    // The picture's orientation tag is honoured and another embedded colour profile is
    // converted to sRGB; a huge picture is decoded scaled down (maxDecodePixels), keeping
    // at least the pixels the bitmap needs. A picture that cannot be decoded fails with backgroundImageInvalid;
    // sizes that are not finite, or larger than maxOutputPixels, fail with
    // backgroundImageResizeFailed.
    static Expected<QImage, PipelineError> renderImage(const QString& path, Size size, double scale);

    // The same bitmap encoded as PNG.
    static Expected<QByteArray, PipelineError> renderPNG(const QString& path, Size size, double scale);

    // The file the build writes for a window of `size` points: the PNG of scale 1, or, when
    // the picture's crop holds at least twice the window's pixels in both directions, a TIFF
    // of that crop at 1× (72 dpi) and 2× (144 dpi), from which a Retina screen's Finder
    // draws the sharp page. The 1× pixels are the PNG's either way.
    static Expected<BackgroundFile, PipelineError> renderFile(const QString& path, Size size);

    // The pixel size for a size in points at a scale: each side rounded half away from zero,
    // at least 1. Empty when not finite or when the bitmap would exceed maxOutputPixels.
    static std::optional<QSize> pixelSize(Size size, double scale);

    // The smallest rectangle of whole source pixels that holds the centred part of the
    // source with the target's aspect ratio (full width or full height kept), clipped to
    // the source.
    static QRect cropRect(QSize source, QSize target);

    // Largest bitmap made (64 Mi pixels, 256 MiB) and largest picture decoded (in MiB).
    static constexpr qint64 maxOutputPixels = qint64(1) << 26;
    static constexpr int maxDecodeMegabytes = 512;
    // A picture of more pixels (32 Mi, 128 MiB) is decoded scaled down, to this many or to
    // what the bitmaps made from it need if that is more: PNG and JPEG decode so while
    // reading, so a huge picture costs no more memory than that.
    static constexpr qint64 maxDecodePixels = qint64(1) << 25;
};

} // namespace vorlap
