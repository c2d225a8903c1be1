#include "ui/DrawnIcons.h"

#include "ui/SymbolImages.h"

#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>

namespace vorlap::DrawnIcons {

namespace {

QImage rendered(const char* resource, int side)
{
    QImage image(std::max(side, 1), std::max(side, 1), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    SymbolImages::svgRenderer(resource).render(&painter, QRectF(image.rect()));
    return image;
}

} // namespace

QImage genericApplication(int side) { return rendered(":/symbols/generic-application.svg", side); }

QImage applicationsFolder(int side) { return rendered(":/symbols/applications-folder.svg", side); }

} // namespace vorlap::DrawnIcons
