#include "ui/DropZonePainter.h"

#include "ui/ContinuousCorners.h"
#include "ui/Palette.h"
#include "ui/SymbolImages.h"
#include "ui/SystemFont.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPen>

namespace vorlap::DropZonePainter {

namespace {

void paintBorder(QPainter& painter, const QRectF& canvas, bool targeted)
{
    const QRectF area = canvas.adjusted(kInset, kInset, -kInset, -kInset);
    if (area.isEmpty())
        return;
    // The stroke lies inside the outline: its centre line runs half a width in.
    const double half = kBorderWidth / 2;
    const QPainterPath path = continuousRoundedRect(area.adjusted(half, half, -half, -half), kCornerRadius - half);

    QPen pen(targeted ? Palette::accent() : Palette::separator());
    pen.setWidthF(kBorderWidth);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    pen.setMiterLimit(10);
    // Qt measures dashes in pen widths.
    pen.setDashPattern({kDashLength / kBorderWidth, kDashLength / kBorderWidth});
    pen.setDashOffset(0);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
}

} // namespace

void paint(QPainter& painter, const QRectF& canvas, bool targeted)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    paintBorder(painter, canvas, targeted);

    const QFont titleFont = SystemFont::title3(painter.device());
    const QFont captionFont = SystemFont::caption(painter.device());
    const double titleHeight = QFontMetricsF(titleFont, painter.device()).height();
    const double captionHeight = QFontMetricsF(captionFont, painter.device()).height();
    const QSizeF symbol = SymbolImages::appBadgePlus.size(kSymbolSize);
    const double stackHeight = symbol.height() + kStackGap + titleHeight + kStackGap + captionHeight;

    double y = canvas.center().y() - stackHeight / 2;
    const double cx = canvas.center().x();
    SymbolImages::appBadgePlus.paint(
        painter, QRectF(cx - symbol.width() / 2, y, symbol.width(), symbol.height()),
        targeted ? Palette::accent() : Palette::withOpacity(Palette::secondaryText(), 0.5));
    y += symbol.height() + kStackGap;

    painter.setFont(titleFont);
    painter.setPen(targeted ? Palette::accent() : Palette::accentLight());
    painter.drawText(QRectF(canvas.left(), y, canvas.width(), titleHeight), Qt::AlignCenter,
                     QStringLiteral("Drop .app here"));
    y += titleHeight + kStackGap;

    painter.setFont(captionFont);
    painter.setPen(Palette::withOpacity(Palette::secondaryText(), 0.5));
    painter.drawText(QRectF(canvas.left(), y, canvas.width(), captionHeight), Qt::AlignCenter,
                     QStringLiteral("or click to browse"));
    painter.restore();
}

} // namespace vorlap::DropZonePainter
