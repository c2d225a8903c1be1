#pragma once
// The symbol images the interface shows: "app.badge.plus" (an application tile with a
// plus at its corner), "internaldrive" (a disk drive seen from the front), and the
// sidebar's "photo", "doc.on.clipboard", "xmark.circle", "clock", "folder" and
// "square.and.arrow.down". Each is an SVG file in the resources, drawn in black and
// painted in one colour, so an opacity in the colour applies evenly to the whole symbol.
#include <QColor>
#include <QRectF>
#include <QSizeF>

class QPainter;
class QSvgRenderer;

namespace vorlap::SymbolImages {

struct Symbol {
    const char* resource = nullptr;

    // The box the symbol takes at the given font size: its SVG view box, whose
    // smaller side is 100 units, scaled so that 100 units are the font size.
    QSizeF size(double fontSize) const;
    void paint(QPainter& painter, const QRectF& box, const QColor& color) const;
};

// The renderer of an SVG file in the resources, parsed once (the sidebar repaints its
// symbols on every hover). For the interface's thread only.
QSvgRenderer& svgRenderer(const char* resource);

inline constexpr Symbol appBadgePlus{":/symbols/app-badge-plus.svg"};
inline constexpr Symbol internalDrive{":/symbols/internaldrive.svg"};
inline constexpr Symbol photo{":/symbols/photo.svg"};
inline constexpr Symbol docOnClipboard{":/symbols/doc-on-clipboard.svg"};
inline constexpr Symbol xmarkCircle{":/symbols/xmark-circle.svg"};
inline constexpr Symbol clock{":/symbols/clock.svg"};
inline constexpr Symbol folder{":/symbols/folder.svg"};
inline constexpr Symbol squareAndArrowDown{":/symbols/square-and-arrow-down.svg"};

} // namespace vorlap::SymbolImages
