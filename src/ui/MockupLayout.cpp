#include "ui/MockupLayout.h"

#include "ui/SystemFont.h"

#include <QFontMetricsF>

#include <algorithm>

namespace vorlap {

namespace {

// The largest icon side we lay out; larger stored sizes are drawn at this size.
constexpr double kMaxIconSide = 100000;

IconGroupLayout groupAt(QPointF centre, double side, const QString& label, const QFontMetricsF& metrics,
                        double maxLabelWidth)
{
    IconGroupLayout group;
    group.labelText = metrics.elidedText(label, Qt::ElideRight, std::max(maxLabelWidth, 0.0));
    const double labelWidth = std::min(metrics.horizontalAdvance(group.labelText), std::max(maxLabelWidth, 0.0));
    const double labelHeight = metrics.height();
    const double height = side + MockupLayout::kIconLabelGap + labelHeight;
    const double top = centre.y() - height / 2;
    group.icon = QRectF(centre.x() - side / 2, top, side, side);
    group.label = QRectF(centre.x() - labelWidth / 2, top + side + MockupLayout::kIconLabelGap, labelWidth, labelHeight);
    return group;
}

} // namespace

double MockupLayout::scaleFor(QSizeF canvas)
{
    const double s = std::min(canvas.width() / kWindowWidth, canvas.height() / kWindowHeight);
    return std::clamp(s, 0.1, 1.0);
}

MockupLayout MockupLayout::compute(QSizeF canvas, const VorlapProject& project, const QPaintDevice* device)
{
    MockupLayout layout;
    const double s = scaleFor(canvas);
    layout.scale = s;

    const QSizeF windowSize(kWindowWidth * s, kWindowHeight * s);
    layout.window = QRectF(QPointF((canvas.width() - windowSize.width()) / 2, (canvas.height() - windowSize.height()) / 2),
                           windowSize);

    // Title bar, content and status bar are stacked without gaps and centred in the
    // window; the content area is as wide as the project's window.
    const double contentWidth = std::max(project.windowSize.width, 0.0) * s;
    const double shownHeight = std::clamp(project.windowSize.height, 0.0, kMaxContentHeight) * s;
    const double stackHeight = (kTitleBarHeight + kStatusBarHeight) * s + shownHeight;
    const double top = layout.window.top() + (windowSize.height() - stackHeight) / 2;
    layout.titleBar = QRectF(layout.window.left(), top, windowSize.width(), kTitleBarHeight * s);
    layout.content = QRectF(layout.window.center().x() - contentWidth / 2, layout.titleBar.bottom(), contentWidth,
                            shownHeight);
    layout.contentOrigin = layout.content.topLeft();
    layout.statusBar = QRectF(layout.window.left(), layout.content.bottom(), windowSize.width(), kStatusBarHeight * s);

    layout.labelFont = SystemFont::ofSize(std::max(12 * s, 9.0), QFont::Normal, device);
    const QFontMetricsF metrics = device ? QFontMetricsF(layout.labelFont, device) : QFontMetricsF(layout.labelFont);
    const double side = std::clamp(project.iconSize * s, 0.0, kMaxIconSide);
    const auto centre = [&](Point p) { return layout.contentOrigin + QPointF(p.x * s, p.y * s); };
    const QString appLabel = project.appName.isEmpty() ? QStringLiteral("App") : project.appName;
    layout.app = groupAt(centre(project.iconPositions.app), side, appLabel, metrics, contentWidth);
    layout.applications =
        groupAt(centre(project.iconPositions.applications), side, QStringLiteral("Applications"), metrics, contentWidth);
    return layout;
}

std::optional<DraggedIcon> MockupLayout::iconAt(const QPointF& point) const
{
    if (!content.contains(point))
        return std::nullopt;
    if (applications.contains(point))
        return DraggedIcon::applications;
    if (app.contains(point))
        return DraggedIcon::app;
    return std::nullopt;
}

} // namespace vorlap
