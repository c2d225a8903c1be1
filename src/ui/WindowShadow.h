#pragma once
// A soft drop shadow for a window shape: the shape filled in the shadow colour and
// blurred. The result is larger than the shape by `margin()` on every side and is
// drawn with its top left at the shape's top left minus that margin.
#include <QColor>
#include <QImage>
#include <QPainterPath>

namespace vorlap {

class WindowShadow {
public:
    // `blurRadius` in pixels, as the platform's shadows take it (about two standard
    // deviations of a Gaussian).
    WindowShadow(const QPainterPath& shape, const QColor& color, double blurRadius);

    const QImage& image() const { return m_image; }
    int margin() const { return m_margin; }

private:
    QImage m_image;
    int m_margin = 0;
};

} // namespace vorlap
