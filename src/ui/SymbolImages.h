#pragma once
// Vector drawings standing in for the two symbol images the interface shows:
// "app.badge.plus" (an application tile with a plus at its corner) and
// "internaldrive" (a disk drive seen from the front). Both fill the given box
// in one colour, so an opacity in the colour applies evenly to the whole symbol.
#include <QColor>
#include <QRectF>
#include <QSizeF>

class QPainter;

namespace vorlap::SymbolImages {

// The box a symbol takes when shown at the given font size, in points.
QSizeF appBadgePlusSize(double fontSize);
QSizeF internalDriveSize(double fontSize);

void paintAppBadgePlus(QPainter& painter, const QRectF& box, const QColor& color);
void paintInternalDrive(QPainter& painter, const QRectF& box, const QColor& color);

} // namespace vorlap::SymbolImages
