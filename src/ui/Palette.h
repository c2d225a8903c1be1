#pragma once
// The nine named colours every view of the interface draws with: a dark,
// blue-grey scheme with a blue accent. All are sRGB with opacity 1.
#include <QColor>

namespace vorlap {

class Palette {
public:
    static const QColor& sidebarBackground();
    static const QColor& windowBackground();
    static const QColor& canvasFill();
    static const QColor& separator();
    static const QColor& outline();
    static const QColor& primaryText();
    static const QColor& secondaryText();
    static const QColor& accentLight();
    static const QColor& accent();

    // The colour with its opacity multiplied by `opacity` (0...1).
    static QColor withOpacity(const QColor& color, double opacity);
};

} // namespace vorlap
