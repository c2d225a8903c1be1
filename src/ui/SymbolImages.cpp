#include "ui/SymbolImages.h"

#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>

#include <algorithm>

namespace vorlap::SymbolImages {

namespace {

QPainterPath outlineOf(const QPainterPath& path, double width)
{
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(path);
}

void fill(QPainter& painter, const QPainterPath& shape, const QColor& color)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawPath(shape.simplified());
    painter.restore();
}

} // namespace

QSizeF appBadgePlusSize(double fontSize) { return {fontSize, fontSize}; }

QSizeF internalDriveSize(double fontSize) { return {fontSize * 1.25, fontSize}; }

void paintAppBadgePlus(QPainter& painter, const QRectF& box, const QColor& color)
{
    // Drawn in a square of side `u`, centred in the box.
    const double u = std::min(box.width(), box.height());
    const QPointF o = box.center() - QPointF(u / 2, u / 2);
    const auto at = [&](double x, double y) { return o + QPointF(x * u, y * u); };
    const double stroke = 0.075 * u;

    QPainterPath tile;
    const QRectF tileRect(at(0.06, 0.20), at(0.80, 0.94));
    tile.addRoundedRect(tileRect, 0.2 * u, 0.2 * u);
    QPainterPath shape = outlineOf(tile, stroke);

    // The plus sits on the tile's top-right corner, with clear space around it.
    const QPointF badge = at(0.78, 0.22);
    QPainterPath clearing;
    clearing.addEllipse(badge, 0.24 * u, 0.24 * u);
    shape = shape.subtracted(clearing);

    QPainterPath plus;
    const double arm = 0.15 * u;
    plus.moveTo(badge - QPointF(arm, 0));
    plus.lineTo(badge + QPointF(arm, 0));
    plus.moveTo(badge - QPointF(0, arm));
    plus.lineTo(badge + QPointF(0, arm));
    shape = shape.united(outlineOf(plus, stroke));

    fill(painter, shape, color);
}

void paintInternalDrive(QPainter& painter, const QRectF& box, const QColor& color)
{
    const double w = box.width();
    const double h = box.height();
    const double stroke = std::max(0.09 * h, 1.0);
    const QRectF body(box.left() + 0.06 * w, box.top() + 0.22 * h, 0.88 * w, 0.58 * h);

    QPainterPath outline;
    outline.addRoundedRect(body, 0.16 * h, 0.16 * h);
    QPainterPath shape = outlineOf(outline, stroke);

    // The seam of the drive's front panel, and its activity light below it.
    QPainterPath seam;
    const double seamY = body.top() + 0.56 * body.height();
    seam.moveTo(body.left(), seamY);
    seam.lineTo(body.right(), seamY);
    shape = shape.united(outlineOf(seam, stroke * 0.8));
    QPainterPath light;
    light.addEllipse(QPointF(body.right() - 0.16 * body.width(), (seamY + body.bottom()) / 2), 0.06 * h, 0.06 * h);
    shape = shape.united(light);

    fill(painter, shape, color);
}

} // namespace vorlap::SymbolImages
