#include "ui/WindowShadow.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace vorlap {

namespace {

// One pass of a running-sum box blur of width 2r+1 over one row or column of alpha.
void boxBlurLine(uchar* data, int count, int stride, int r, std::vector<int>& scratch)
{
    scratch.assign(static_cast<size_t>(count), 0);
    for (int i = 0; i < count; ++i)
        scratch[static_cast<size_t>(i)] = data[i * stride];
    const int window = 2 * r + 1;
    int sum = 0;
    const auto at = [&](int i) { return (i < 0 || i >= count) ? 0 : scratch[static_cast<size_t>(i)]; };
    for (int i = -r; i <= r; ++i)
        sum += at(i);
    for (int i = 0; i < count; ++i) {
        data[i * stride] = static_cast<uchar>((sum + window / 2) / window);
        sum += at(i + r + 1) - at(i - r);
    }
}

// Three box passes each way come close to a Gaussian of the given deviation.
void blurAlpha(QImage& alpha, double sigma)
{
    const int r = std::max(1, static_cast<int>(std::lround((std::sqrt(4.0 * sigma * sigma + 1.0) - 1.0) / 2.0)));
    std::vector<int> scratch;
    const int stride = static_cast<int>(alpha.bytesPerLine());
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < alpha.height(); ++y)
            boxBlurLine(alpha.scanLine(y), alpha.width(), 1, r, scratch);
        for (int x = 0; x < alpha.width(); ++x)
            boxBlurLine(alpha.bits() + x, alpha.height(), stride, r, scratch);
    }
}

} // namespace

WindowShadow::WindowShadow(const QPainterPath& shape, const QColor& color, double blurRadius)
{
    const double sigma = std::max(blurRadius, 0.0) / 2.0;
    m_margin = static_cast<int>(std::ceil(3.0 * sigma)) + 1;
    const QRectF bounds = shape.boundingRect();
    const QSize size(static_cast<int>(std::ceil(bounds.width())) + 2 * m_margin,
                     static_cast<int>(std::ceil(bounds.height())) + 2 * m_margin);

    QImage alpha(size, QImage::Format_Alpha8);
    alpha.fill(0);
    {
        QPainter painter(&alpha);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.translate(m_margin - bounds.left(), m_margin - bounds.top());
        painter.fillPath(shape, Qt::black);
    }
    if (sigma > 0)
        blurAlpha(alpha, sigma);

    m_image = QImage(size, QImage::Format_ARGB32_Premultiplied);
    m_image.fill(Qt::transparent);
    QPainter painter(&m_image);
    painter.fillRect(m_image.rect(), color);
    painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    painter.drawImage(0, 0, alpha);
}

} // namespace vorlap
