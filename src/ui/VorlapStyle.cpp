#include "ui/VorlapStyle.h"

#include "ui/Palette.h"

#include <QApplication>
#include <QWidget>

namespace vorlap {

namespace {

// Dynamic properties rather than subclasses: any widget can carry a role, and a widget
// without one is left to the base style.
constexpr const char* kSurfaceProperty = "vorlapSurface";
constexpr const char* kTextProperty = "vorlapText";

void applySurface(QWidget* widget, VorlapStyle::Surface surface)
{
    QPalette palette = widget->palette();
    switch (surface) {
    case VorlapStyle::Surface::window:
        palette.setColor(QPalette::Window, Palette::windowBackground());
        palette.setColor(QPalette::WindowText, Palette::primaryText());
        palette.setColor(QPalette::Highlight, Palette::accent());
        break;
    case VorlapStyle::Surface::sidebar:
        palette.setColor(QPalette::Window, Palette::sidebarBackground());
        palette.setColor(QPalette::Highlight, Palette::accent());
        break;
    case VorlapStyle::Surface::separator:
        palette.setColor(QPalette::Window, Palette::separator());
        break;
    }
    widget->setAutoFillBackground(true);
    widget->setPalette(palette);
}

QColor textColour(VorlapStyle::Text text)
{
    switch (text) {
    case VorlapStyle::Text::primary:
        return Palette::primaryText();
    case VorlapStyle::Text::secondary:
        return Palette::secondaryText();
    case VorlapStyle::Text::value:
        return Palette::accentLight();
    case VorlapStyle::Text::subheading:
        return Palette::withOpacity(Palette::secondaryText(), 0.65);
    case VorlapStyle::Text::caption:
        return Palette::withOpacity(Palette::secondaryText(), 0.55);
    }
    return Palette::primaryText();
}

void applyText(QWidget* widget, VorlapStyle::Text text)
{
    const QColor colour = textColour(text);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

} // namespace

void VorlapStyle::setSurface(QWidget* widget, Surface surface)
{
    widget->setProperty(kSurfaceProperty, int(surface));
}

void VorlapStyle::setText(QWidget* widget, Text text) { widget->setProperty(kTextProperty, int(text)); }

void VorlapStyle::install()
{
    if (!dynamic_cast<VorlapStyle*>(QApplication::style()))
        QApplication::setStyle(new VorlapStyle);
}

void VorlapStyle::polish(QWidget* widget)
{
    QProxyStyle::polish(widget);
    const QVariant surface = widget->property(kSurfaceProperty);
    if (surface.isValid())
        applySurface(widget, Surface(surface.toInt()));
    const QVariant text = widget->property(kTextProperty);
    if (text.isValid())
        applyText(widget, Text(text.toInt()));
}

} // namespace vorlap
