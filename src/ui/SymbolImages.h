#pragma once
// Vector drawings standing in for the symbol images the interface shows:
// "app.badge.plus" (an application tile with a plus at its corner),
// "internaldrive" (a disk drive seen from the front), and the sidebar's
// "photo", "doc.on.clipboard", "xmark.circle", "clock", "folder" and
// "square.and.arrow.down". Each fills the given box in one colour, so an
// opacity in the colour applies evenly to the whole symbol.
#include <QColor>
#include <QRectF>
#include <QSizeF>

class QPainter;

namespace vorlap::SymbolImages {

// The box a symbol takes when shown at the given font size, in points.
QSizeF appBadgePlusSize(double fontSize);
QSizeF internalDriveSize(double fontSize);

QSizeF photoSize(double fontSize);
QSizeF docOnClipboardSize(double fontSize);
QSizeF xmarkCircleSize(double fontSize);
QSizeF clockSize(double fontSize);
QSizeF folderSize(double fontSize);
QSizeF squareAndArrowDownSize(double fontSize);

void paintAppBadgePlus(QPainter& painter, const QRectF& box, const QColor& color);
void paintInternalDrive(QPainter& painter, const QRectF& box, const QColor& color);
void paintPhoto(QPainter& painter, const QRectF& box, const QColor& color);
void paintDocOnClipboard(QPainter& painter, const QRectF& box, const QColor& color);
void paintXmarkCircle(QPainter& painter, const QRectF& box, const QColor& color);
void paintClock(QPainter& painter, const QRectF& box, const QColor& color);
void paintFolder(QPainter& painter, const QRectF& box, const QColor& color);
void paintSquareAndArrowDown(QPainter& painter, const QRectF& box, const QColor& color);

// A symbol as a value: its box at a font size and its drawing.
struct Symbol {
    QSizeF (*size)(double fontSize) = nullptr;
    void (*paint)(QPainter& painter, const QRectF& box, const QColor& color) = nullptr;
};

inline constexpr Symbol photo{&photoSize, &paintPhoto};
inline constexpr Symbol docOnClipboard{&docOnClipboardSize, &paintDocOnClipboard};
inline constexpr Symbol xmarkCircle{&xmarkCircleSize, &paintXmarkCircle};
inline constexpr Symbol clock{&clockSize, &paintClock};
inline constexpr Symbol folder{&folderSize, &paintFolder};
inline constexpr Symbol squareAndArrowDown{&squareAndArrowDownSize, &paintSquareAndArrowDown};

} // namespace vorlap::SymbolImages
