#include "ui/Palette.h"

namespace vorlap {

// Each colour is made once, on first use, and shared for the life of the process.

const QColor& Palette::sidebarBackground()
{
    static const QColor colour = QColor::fromRgbF(0.086f, 0.086f, 0.11f);
    return colour;
}

const QColor& Palette::windowBackground()
{
    static const QColor colour = QColor::fromRgbF(0.102f, 0.102f, 0.133f);
    return colour;
}

const QColor& Palette::canvasFill()
{
    static const QColor colour = QColor::fromRgbF(0.118f, 0.118f, 0.141f);
    return colour;
}

const QColor& Palette::separator()
{
    static const QColor colour = QColor::fromRgbF(0.165f, 0.165f, 0.204f);
    return colour;
}

const QColor& Palette::outline()
{
    static const QColor colour = QColor::fromRgbF(0.2f, 0.2f, 0.243f);
    return colour;
}

const QColor& Palette::primaryText()
{
    static const QColor colour = QColor::fromRgbF(0.816f, 0.816f, 0.878f);
    return colour;
}

const QColor& Palette::secondaryText()
{
    static const QColor colour = QColor::fromRgbF(0.596f, 0.596f, 0.659f);
    return colour;
}

const QColor& Palette::accentLight()
{
    static const QColor colour = QColor::fromRgbF(0.482f, 0.624f, 0.961f);
    return colour;
}

const QColor& Palette::accent()
{
    static const QColor colour = QColor::fromRgbF(0.357f, 0.498f, 0.961f);
    return colour;
}

QColor Palette::withOpacity(const QColor& color, double opacity)
{
    QColor result = color;
    result.setAlphaF(static_cast<float>(color.alphaF() * opacity));
    return result;
}

} // namespace vorlap
