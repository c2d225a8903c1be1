#pragma once
// Multi-resolution TIFF: the form in which the Finder takes one picture at several screen
// scales and draws the page whose resolution suits the screen.
#include <QByteArray>
#include <QImage>

#include <optional>
#include <vector>

namespace vorlap {

struct TiffPage {
    QImage image;       // any format; written as 8-bit RGB(A)
    double dotsPerInch; // 72 for a 1× screen, 144 for 2×
};

// The pages in order, each one directory of the file: 8-bit RGB, with an associated
// (premultiplied) alpha channel only when the page is not opaque, LZW-compressed with the
// horizontal predictor (lossless), tagged sRGB by an embedded ICC profile. The bytes depend
// on the pixels alone (no dates, no host names). Empty when libtiff fails.
std::optional<QByteArray> encodeTiff(const std::vector<TiffPage>& pages);

} // namespace vorlap
