#include "ui/SystemFont.h"

#include <QGuiApplication>
#include <QPaintDevice>
#include <QScreen>

namespace vorlap::SystemFont {

namespace {

double logicalDpi(const QPaintDevice* device)
{
    if (device)
        return device->logicalDpiY();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return screen->logicalDotsPerInchY();
    return 96.0;
}

} // namespace

QFont ofSize(double points, QFont::Weight weight, const QPaintDevice* device)
{
    QFont font = QGuiApplication::font();
    // QFont's points are typographic (1/72 inch); ours are device-independent pixels.
    font.setPointSizeF(points * 72.0 / logicalDpi(device));
    font.setWeight(weight);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

QFont headline(const QPaintDevice* device) { return ofSize(13, QFont::DemiBold, device); }
QFont title3(const QPaintDevice* device) { return ofSize(15, QFont::Normal, device); }
QFont caption(const QPaintDevice* device) { return ofSize(10, QFont::Normal, device); }

} // namespace vorlap::SystemFont
