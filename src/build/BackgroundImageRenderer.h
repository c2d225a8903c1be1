#pragma once
// Scales and crops a background picture to exactly fill the installer window.
#include "common/Expected.h"
#include "project/Geometry.h"

#include <QByteArray>
#include <QImage>
#include <QString>

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
    static Expected<QImage, BackgroundImageRendererError> renderImage(const QString& path, Size size, double scale);

    // The same bitmap encoded as PNG.
    static Expected<QByteArray, BackgroundImageRendererError> renderPNG(const QString& path, Size size, double scale);
};

} // namespace vorlap
