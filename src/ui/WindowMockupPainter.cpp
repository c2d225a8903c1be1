#include "ui/WindowMockupPainter.h"

#include "ui/ContinuousCorners.h"
#include "ui/Palette.h"
#include "ui/SymbolImages.h"
#include "ui/SystemFont.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace vorlap {

namespace {

constexpr double kShadowOpacity = 0.45;
constexpr double kShadowBlur = 12;
// The largest icon bitmap we make; bigger icons are drawn stretched from it.
constexpr int kMaxIconPixels = 2048;

QColor black(double opacity) { return QColor::fromRgbF(0, 0, 0, static_cast<float>(opacity)); }

// The title and status bars share one light-grey gradient, top to bottom.
QLinearGradient barGradient(const QRectF& bar)
{
    QLinearGradient gradient(bar.topLeft(), bar.bottomLeft());
    gradient.setColorAt(0, QColor::fromRgbF(0.83f, 0.83f, 0.84f));
    gradient.setColorAt(1, QColor::fromRgbF(0.7f, 0.7f, 0.72f));
    return gradient;
}

// A 1-point hairline across the bar, at its top or bottom edge.
void edgeLine(QPainter& painter, const QRectF& bar, bool top, double opacity)
{
    const QRectF line(bar.left(), top ? bar.top() : bar.bottom() - 1, bar.width(), 1);
    painter.fillRect(line, black(opacity));
}

QString windowTitle(const VorlapProject& project)
{
    return project.appName.isEmpty() ? QStringLiteral("Vorlap") : project.appName;
}

} // namespace

void WindowMockupPainter::paint(QPainter& painter, const MockupLayout& layout, const VorlapProject& project,
                                const QString& appPath, const QImage& background)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    paintShadow(painter, layout);

    paintWindowLayer(painter, layout, project, appPath, background);

    // A 1-point border inside the outline.
    painter.setPen(QPen(Palette::outline(), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(continuousRoundedRect(layout.window.adjusted(0.5, 0.5, -0.5, -0.5), MockupLayout::kCornerRadius - 0.5));
    painter.restore();
}

void WindowMockupPainter::paintShadow(QPainter& painter, const MockupLayout& layout)
{
    if (!m_shadow || m_shadowSize != layout.window.size()) {
        m_shadow.emplace(continuousRoundedRect(QRectF(QPointF(0, 0), layout.window.size()), MockupLayout::kCornerRadius),
                         black(kShadowOpacity), kShadowBlur);
        m_shadowSize = layout.window.size();
    }
    // The window covers the shape itself, so only the halo around it shows.
    painter.drawImage(layout.window.topLeft() - QPointF(m_shadow->margin(), m_shadow->margin()), m_shadow->image());
}

void WindowMockupPainter::paintWindowLayer(QPainter& painter, const MockupLayout& layout,
                                           const VorlapProject& project, const QString& appPath,
                                           const QImage& background)
{
    // The layer covers the window in whole device pixels.
    const double dpr = painter.device()->devicePixelRatioF();
    const QPointF origin(std::floor(layout.window.left()), std::floor(layout.window.top()));
    const QSize pixels(static_cast<int>(std::ceil((layout.window.right() - origin.x()) * dpr)),
                       static_cast<int>(std::ceil((layout.window.bottom() - origin.y()) * dpr)));
    if (pixels.isEmpty())
        return;
    if (m_layer.size() != pixels || m_layer.devicePixelRatio() != dpr) {
        m_layer = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        m_layer.setDevicePixelRatio(dpr);
    }
    if (m_mask.size() != pixels || m_mask.devicePixelRatio() != dpr || m_maskWindow != layout.window) {
        m_mask = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        m_mask.setDevicePixelRatio(dpr);
        m_mask.fill(Qt::transparent);
        QPainter mask(&m_mask);
        mask.setRenderHint(QPainter::Antialiasing);
        mask.translate(-origin);
        mask.fillPath(continuousRoundedRect(layout.window, MockupLayout::kCornerRadius), Qt::black);
        m_maskWindow = layout.window;
    }

    m_layer.fill(Qt::transparent);
    {
        QPainter layer(&m_layer);
        layer.setRenderHints(painter.renderHints());
        layer.translate(-origin);
        layer.setClipRect(layout.window);
        paintContent(layer, layout, project, appPath, background);
        paintTitleBar(layer, layout, windowTitle(project));
        paintStatusBar(layer, layout, windowTitle(project));
        layer.setClipping(false);
        layer.resetTransform();
        layer.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        layer.drawImage(0, 0, m_mask);
    }
    painter.drawImage(origin, m_layer);
}

void WindowMockupPainter::paintTitleBar(QPainter& painter, const MockupLayout& layout, const QString& title)
{
    const QRectF bar = layout.titleBar;
    const double k = std::max(layout.scale, 0.1);
    painter.fillRect(bar, barGradient(bar));

    // The three window buttons at the left.
    const double diameter = std::max(9 * k, 5.0);
    const double gap = std::max(7 * k, 4.0);
    const double padding = std::max(12 * k, 8.0);
    const QColor buttons[] = {QColor::fromRgbF(1.0f, 0.36f, 0.32f), QColor::fromRgbF(1.0f, 0.75f, 0.22f),
                              QColor::fromRgbF(0.21f, 0.8f, 0.31f)};
    painter.setPen(Qt::NoPen);
    double x = bar.left() + padding;
    for (const QColor& colour : buttons) {
        painter.setBrush(colour);
        painter.drawEllipse(QRectF(x, bar.center().y() - diameter / 2, diameter, diameter));
        x += diameter + gap;
    }

    // The title, centred over the whole bar.
    const QFont font = SystemFont::ofSize(std::max(12 * k, 9.0), QFont::DemiBold, painter.device());
    const QFontMetricsF metrics(font, painter.device());
    const double maxWidth = 220 * k;
    const QString text = metrics.elidedText(title, Qt::ElideRight, maxWidth);
    painter.setFont(font);
    painter.setPen(black(0.72));
    painter.drawText(QRectF(bar.center().x() - maxWidth / 2, bar.top(), maxWidth, bar.height()), Qt::AlignCenter, text);

    edgeLine(painter, bar, false, 0.18);
}

void WindowMockupPainter::paintStatusBar(QPainter& painter, const MockupLayout& layout, const QString& title)
{
    const QRectF bar = layout.statusBar;
    const double k = layout.scale;
    painter.fillRect(bar, barGradient(bar));
    edgeLine(painter, bar, true, 0.16);

    // A row at the left: the drive symbol, then the volume's name.
    const double fontSize = std::max(11 * k, 9.0);
    const double gap = std::max(4 * k, 3.0);
    const double padding = std::max(12 * k, 9.0);
    const QColor colour = black(0.62);
    const QSizeF symbol = SymbolImages::internalDrive.size(fontSize);
    double x = bar.left() + padding;
    SymbolImages::internalDrive.paint(
        painter, QRectF(x, bar.center().y() - symbol.height() / 2, symbol.width(), symbol.height()), colour);
    x += symbol.width() + gap;

    const QFont font = SystemFont::ofSize(fontSize, QFont::Medium, painter.device());
    const QFontMetricsF metrics(font, painter.device());
    const double available = std::max(bar.right() - padding - x, 0.0);
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(QRectF(x, bar.top(), available, bar.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(title, Qt::ElideRight, available));
}

void WindowMockupPainter::paintContent(QPainter& painter, const MockupLayout& layout, const VorlapProject& project,
                                       const QString& appPath, const QImage& background)
{
    painter.save();
    painter.setClipRect(layout.content, Qt::IntersectClip);
    const double s = layout.scale;
    if (background.isNull()) {
        painter.fillRect(layout.content, Palette::canvasFill());
    } else {
        // The picture has the window's size; it fills the whole (partly hidden) area.
        const QRectF area(layout.contentOrigin, QSizeF(project.windowSize.width * s, project.windowSize.height * s));
        painter.drawImage(area, background);
    }

    const double dpr = painter.device()->devicePixelRatioF();
    const int pixels = std::clamp(static_cast<int>(std::ceil(layout.app.icon.width() * dpr)), 1, kMaxIconPixels);
    paintIconGroup(painter, layout, layout.app, m_icons.application(appPath, pixels));
    paintIconGroup(painter, layout, layout.applications, m_icons.applicationsFolder(pixels));
    painter.restore();
}

void WindowMockupPainter::paintIconGroup(QPainter& painter, const MockupLayout& layout, const IconGroupLayout& group,
                                         const QImage& icon)
{
    if (!group.icon.isEmpty())
        painter.drawImage(group.icon, icon);
    painter.setFont(layout.labelFont);
    painter.setPen(Qt::black);
    painter.drawText(group.label, Qt::AlignCenter | Qt::TextDontClip, group.labelText);
}

} // namespace vorlap
