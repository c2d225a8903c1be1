#pragma once
// Scales and crops a background picture to exactly fill the installer window.
#include "common/Expected.h"
#include "project/Geometry.h"

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>

namespace vorlap {

struct BackgroundImageRendererError {
    enum class Case { invalid, resizeFailed };

    Case kind;
    QString detail; // the picture's path

    static BackgroundImageRendererError invalid(const QString& path) { return {Case::invalid, path}; }
    static BackgroundImageRendererError resizeFailed(const QString& path) { return {Case::resizeFailed, path}; }

    // "Background image is invalid: <path>" or "Failed to resize background image: <path>".
    QString description() const;

    bool operator==(const BackgroundImageRendererError&) const = default;
};

class BackgroundImageRenderer {
public:
    // An sRGB, 8-bit RGBA premultiplied bitmap of round(size × scale) pixels (at least 1 × 1),
    // filled by the picture scaled to cover it and cropped equally on both sides.
    // The picture's orientation tag is honoured and another embedded colour profile is
    // converted to sRGB. Sizes that are not finite, or larger than maxOutputPixels, fail
    // with resizeFailed.
    static Expected<QImage, BackgroundImageRendererError> renderImage(const QString& path, Size size, double scale);

    // The same bitmap encoded as PNG.
    static Expected<QByteArray, BackgroundImageRendererError> renderPNG(const QString& path, Size size, double scale);

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
};

} // namespace vorlap
