#pragma once
// The canvas face shown before an application is chosen: a dashed, rounded drop
// area with a symbol and two lines of text, in accent colours while a file drag
// hovers over it.
#include <QRectF>

class QPainter;

namespace vorlap::DropZonePainter {

inline constexpr double kInset = 24;
inline constexpr double kCornerRadius = 16;
inline constexpr double kBorderWidth = 2;
inline constexpr double kDashLength = 8;
inline constexpr double kStackGap = 12;
inline constexpr double kSymbolSize = 48;

// Draws the face over the whole canvas rectangle (the surround is already filled).
void paint(QPainter& painter, const QRectF& canvas, bool targeted);

} // namespace vorlap::DropZonePainter
