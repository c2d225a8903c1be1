#include "ui/SymbolImages.h"

#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

#include <map>
#include <memory>
#include <string>

// The resources live in a static library: registered by hand, as nothing else
// would pull their object file into the program.
static void registerResources() { Q_INIT_RESOURCE(resources); }

namespace vorlap::SymbolImages {

namespace {

constexpr double kUnitsPerFontSize = 100;

} // namespace

QSvgRenderer& svgRenderer(const char* resource)
{
    static std::map<std::string, std::unique_ptr<QSvgRenderer>> renderers;
    if (renderers.empty())
        registerResources();
    auto& renderer = renderers[resource];
    if (!renderer)
        renderer = std::make_unique<QSvgRenderer>(QString::fromLatin1(resource));
    return *renderer;
}

QSizeF Symbol::size(double fontSize) const
{
    return svgRenderer(resource).viewBoxF().size() * (fontSize / kUnitsPerFontSize);
}

void Symbol::paint(QPainter& painter, const QRectF& box, const QColor& color) const
{
    // The symbol is drawn in black into an image of the device pixels it covers, then
    // coloured there, so overlapping strokes and opacity come out as one flat shape.
    const QTransform toDevice = painter.deviceTransform();
    const QRectF onDevice = toDevice.mapRect(box);
    const QRect pixels = onDevice.toAlignedRect();
    if (pixels.isEmpty())
        return;
    QImage image(pixels.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter imagePainter(&image);
        imagePainter.setRenderHint(QPainter::Antialiasing);
        svgRenderer(resource).render(&imagePainter, onDevice.translated(-pixels.topLeft()));
        imagePainter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        imagePainter.fillRect(image.rect(), color);
    }
    painter.drawImage(toDevice.inverted().mapRect(QRectF(pixels)), image);
}

} // namespace vorlap::SymbolImages
