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

// The sidebar's symbols: outlines of about a twelfth of the font size, like the
// regular-weight system symbols they stand for.

namespace vorlap::SymbolImages {

namespace {

double strokeFor(const QRectF& box) { return std::max(0.085 * std::min(box.width(), box.height()), 1.1); }

} // namespace

QSizeF photoSize(double fontSize) { return {fontSize * 1.25, fontSize}; }
QSizeF docOnClipboardSize(double fontSize) { return {fontSize, fontSize * 1.15}; }
QSizeF xmarkCircleSize(double fontSize) { return {fontSize, fontSize}; }
QSizeF clockSize(double fontSize) { return {fontSize, fontSize}; }
QSizeF folderSize(double fontSize) { return {fontSize * 1.25, fontSize}; }
QSizeF squareAndArrowDownSize(double fontSize) { return {fontSize, fontSize * 1.15}; }

void paintPhoto(QPainter& painter, const QRectF& box, const QColor& color)
{
    const double stroke = strokeFor(box);
    const QRectF frame = box.adjusted(stroke / 2, box.height() * 0.1, -stroke / 2, -box.height() * 0.1);
    QPainterPath outline;
    outline.addRoundedRect(frame, 0.16 * frame.height(), 0.16 * frame.height());
    QPainterPath shape = outlineOf(outline, stroke);

    // Two hills across the bottom and a sun above them.
    const auto at = [&](double x, double y) { return frame.topLeft() + QPointF(x * frame.width(), y * frame.height()); };
    QPainterPath hills;
    hills.moveTo(at(0.0, 0.86));
    hills.lineTo(at(0.34, 0.46));
    hills.lineTo(at(0.56, 0.7));
    hills.lineTo(at(0.7, 0.56));
    hills.lineTo(at(1.0, 0.86));
    hills.lineTo(at(1.0, 1.0));
    hills.lineTo(at(0.0, 1.0));
    hills.closeSubpath();
    QPainterPath inside;
    inside.addRoundedRect(frame, 0.16 * frame.height(), 0.16 * frame.height());
    shape = shape.united(hills.intersected(inside));
    QPainterPath sun;
    sun.addEllipse(at(0.72, 0.3), 0.1 * frame.height(), 0.1 * frame.height());
    shape = shape.united(sun);
    fill(painter, shape, color);
}

void paintDocOnClipboard(QPainter& painter, const QRectF& box, const QColor& color)
{
    const double stroke = strokeFor(box);
    const double w = box.width();
    const double h = box.height();
    const QRectF board(box.left() + stroke / 2, box.top() + 0.1 * h, 0.78 * w, 0.86 * h);
    QPainterPath boardPath;
    boardPath.addRoundedRect(board, 0.14 * w, 0.14 * w);

    // The sheet lies over the board's lower right; the board's outline stops at it.
    const QRectF sheet(box.left() + 0.42 * w, box.top() + 0.42 * h, 0.56 * w - stroke / 2, 0.56 * h - stroke / 2);
    QPainterPath sheetPath;
    sheetPath.addRoundedRect(sheet, 0.1 * w, 0.1 * w);
    QPainterPath clearing;
    clearing.addRoundedRect(sheet.adjusted(-stroke, -stroke, stroke, stroke), 0.14 * w, 0.14 * w);

    QPainterPath shape = outlineOf(boardPath, stroke).subtracted(clearing);
    shape = shape.united(outlineOf(sheetPath, stroke));

    // The clip at the top of the board.
    QPainterPath clip;
    const QRectF clipRect(board.left() + 0.24 * board.width(), box.top(), 0.52 * board.width(), 0.18 * h);
    clip.addRoundedRect(clipRect, 0.06 * w, 0.06 * w);
    shape = shape.united(clip);

    // Lines of text on the sheet.
    QPainterPath lines;
    for (double y : {0.36, 0.62}) {
        const double ly = sheet.top() + y * sheet.height();
        lines.moveTo(sheet.left() + 0.26 * sheet.width(), ly);
        lines.lineTo(sheet.right() - 0.26 * sheet.width(), ly);
    }
    shape = shape.united(outlineOf(lines, stroke * 0.8));
    fill(painter, shape, color);
}

void paintXmarkCircle(QPainter& painter, const QRectF& box, const QColor& color)
{
    const double stroke = strokeFor(box);
    const double r = std::min(box.width(), box.height()) / 2 - stroke / 2;
    const QPointF c = box.center();
    QPainterPath ring;
    ring.addEllipse(c, r, r);
    QPainterPath cross;
    const double arm = 0.36 * r;
    cross.moveTo(c + QPointF(-arm, -arm));
    cross.lineTo(c + QPointF(arm, arm));
    cross.moveTo(c + QPointF(arm, -arm));
    cross.lineTo(c + QPointF(-arm, arm));
    fill(painter, outlineOf(ring, stroke).united(outlineOf(cross, stroke)), color);
}

void paintClock(QPainter& painter, const QRectF& box, const QColor& color)
{
    const double stroke = strokeFor(box);
    const double r = std::min(box.width(), box.height()) / 2 - stroke / 2;
    const QPointF c = box.center();
    QPainterPath ring;
    ring.addEllipse(c, r, r);
    // Two hands: one up to twelve, a shorter one towards four.
    QPainterPath hands;
    hands.moveTo(c + QPointF(0, -0.58 * r));
    hands.lineTo(c);
    hands.lineTo(c + QPointF(0.42 * r, 0.22 * r));
    fill(painter, outlineOf(ring, stroke).united(outlineOf(hands, stroke)), color);
}

void paintFolder(QPainter& painter, const QRectF& box, const QColor& color)
{
    const double stroke = strokeFor(box);
    const QRectF body = box.adjusted(stroke / 2, 0.14 * box.height(), -stroke / 2, -0.1 * box.height());
    const auto at = [&](double x, double y) { return body.topLeft() + QPointF(x * body.width(), y * body.height()); };
    // The outline: a tab on the left of the top edge, then the body.
    QPainterPath outline;
    outline.moveTo(at(0, 0.12));
    outline.quadTo(at(0, 0), at(0.08, 0));
    outline.lineTo(at(0.34, 0));
    outline.lineTo(at(0.44, 0.14));
    outline.lineTo(at(0.92, 0.14));
    outline.quadTo(at(1, 0.14), at(1, 0.26));
    outline.lineTo(at(1, 0.88));
    outline.quadTo(at(1, 1), at(0.92, 1));
    outline.lineTo(at(0.08, 1));
    outline.quadTo(at(0, 1), at(0, 0.88));
    outline.closeSubpath();
    QPainterPath rim;
    rim.moveTo(at(0, 0.32));
    rim.lineTo(at(1, 0.32));
    fill(painter, outlineOf(outline, stroke).united(outlineOf(rim, stroke)), color);
}

void paintSquareAndArrowDown(QPainter& painter, const QRectF& box, const QColor& color)
{
    const double stroke = strokeFor(box);
    const double w = box.width();
    const double h = box.height();
    // A tray open at the top, with an arrow coming down into it.
    QPainterPath tray;
    const double top = box.top() + 0.36 * h;
    const double bottom = box.bottom() - stroke / 2;
    const double left = box.left() + stroke / 2;
    const double right = box.right() - stroke / 2;
    const double radius = 0.16 * w;
    tray.moveTo(left + 0.26 * w, top);
    tray.lineTo(left + radius, top);
    tray.quadTo(left, top, left, top + radius);
    tray.lineTo(left, bottom - radius);
    tray.quadTo(left, bottom, left + radius, bottom);
    tray.lineTo(right - radius, bottom);
    tray.quadTo(right, bottom, right, bottom - radius);
    tray.lineTo(right, top + radius);
    tray.quadTo(right, top, right - radius, top);
    tray.lineTo(right - 0.26 * w, top);

    QPainterPath arrow;
    const QPointF tip(box.center().x(), box.top() + 0.7 * h);
    arrow.moveTo(box.center().x(), box.top() + stroke / 2);
    arrow.lineTo(tip);
    arrow.moveTo(tip + QPointF(-0.2 * w, -0.2 * w));
    arrow.lineTo(tip);
    arrow.lineTo(tip + QPointF(0.2 * w, -0.2 * w));
    fill(painter, outlineOf(tray, stroke).united(outlineOf(arrow, stroke)), color);
}

} // namespace vorlap::SymbolImages
