#include "ui/DrawnIcons.h"

#include "ui/ContinuousCorners.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace vorlap::DrawnIcons {

namespace {

QImage blank(int side)
{
    QImage image(std::max(side, 1), std::max(side, 1), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// The letter "A" of three strokes, as application icons and the Applications
// folder carry it; drawn in unit coordinates around (0.5, 0.5) with the given size.
void paintLetterA(QPainter& painter, QPointF centre, double size, const QColor& color, double width)
{
    QPen pen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const QPointF top = centre + QPointF(0, -0.5 * size);
    const QPointF left = centre + QPointF(-0.42 * size, 0.5 * size);
    const QPointF right = centre + QPointF(0.42 * size, 0.5 * size);
    painter.drawLine(top, left);
    painter.drawLine(top, right);
    painter.drawLine(centre + QPointF(-0.3 * size, 0.18 * size), centre + QPointF(0.3 * size, 0.18 * size));
}

} // namespace

QImage genericApplication(int side)
{
    QImage image = blank(side);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(image.width(), image.height());

    // The tile follows the usual icon grid: about 80 % of the canvas, centred.
    const QRectF tile(0.1, 0.1, 0.8, 0.8);
    const QPainterPath shape = continuousRoundedRect(tile, 0.18);
    QLinearGradient face(tile.topLeft(), tile.bottomLeft());
    face.setColorAt(0, QColor(232, 236, 244));
    face.setColorAt(1, QColor(196, 204, 220));
    painter.fillPath(shape, face);

    // A faint drafting grid.
    painter.save();
    painter.setClipPath(shape);
    painter.setPen(QPen(QColor(120, 140, 180, 70), 0.006));
    for (int i = 1; i < 8; ++i) {
        const double d = 0.1 + 0.1 * i;
        painter.drawLine(QPointF(d, 0.1), QPointF(d, 0.9));
        painter.drawLine(QPointF(0.1, d), QPointF(0.9, d));
    }
    painter.restore();

    painter.setPen(QPen(QColor(110, 120, 140, 120), 0.008));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(shape);
    paintLetterA(painter, QPointF(0.5, 0.52), 0.46, QColor(70, 110, 190), 0.07);
    return image;
}

QImage applicationsFolder(int side)
{
    QImage image = blank(side);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(image.width(), image.height());

    // Back panel with its tab.
    QPainterPath back;
    back.addRoundedRect(QRectF(0.06, 0.2, 0.88, 0.64), 0.05, 0.05);
    QPainterPath tab;
    tab.addRoundedRect(QRectF(0.06, 0.15, 0.36, 0.12), 0.04, 0.04);
    painter.fillPath(back.united(tab), QColor(74, 152, 214));

    // Front panel.
    QPainterPath front;
    front.addRoundedRect(QRectF(0.06, 0.29, 0.88, 0.55), 0.05, 0.05);
    QLinearGradient face(QPointF(0, 0.29), QPointF(0, 0.84));
    face.setColorAt(0, QColor(132, 200, 246));
    face.setColorAt(1, QColor(96, 176, 236));
    painter.fillPath(front, face);
    painter.setPen(QPen(QColor(255, 255, 255, 110), 0.008));
    painter.drawLine(QPointF(0.09, 0.3), QPointF(0.91, 0.3));

    paintLetterA(painter, QPointF(0.5, 0.57), 0.28, QColor(50, 120, 190, 200), 0.045);
    return image;
}

} // namespace vorlap::DrawnIcons
