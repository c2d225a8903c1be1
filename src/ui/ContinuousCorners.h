#pragma once
// Rounded rectangles with continuous ("squircle") corners: the straight edges
// flow into the curve without the visible kink of a circular arc, as macOS
// draws its windows and drop areas.
#include <QPainterPath>
#include <QRectF>

namespace vorlap {

// The outline of `rect` with corners of the given radius. The curve reaches about
// 1.53 × radius along each edge; the radius shrinks when the rectangle is too small.
QPainterPath continuousRoundedRect(const QRectF& rect, double radius);

} // namespace vorlap
