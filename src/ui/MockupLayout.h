#pragma once
// Where every piece of the installer-window mock-up lies on a canvas of a given
// size: the scale, the window with its title bar, content area and status bar,
// and the two icon groups. Painting and hit-testing both read this one layout.
#include "project/VorlapProject.h"
#include "ui/DraggedIcon.h"

#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <optional>

class QPaintDevice;

namespace vorlap {

// An icon stacked over its one-line label, in canvas coordinates.
struct IconGroupLayout {
    QRectF icon;
    QRectF label;
    QString labelText; // shortened at the end when wider than the content area

    bool contains(const QPointF& point) const { return icon.contains(point) || label.contains(point); }
};

struct MockupLayout {
    // The mock-up window in points at scale 1, and its fixed pieces.
    static constexpr double kWindowWidth = 540;
    static constexpr double kWindowHeight = 382;
    static constexpr double kTitleBarHeight = 24;
    static constexpr double kStatusBarHeight = 28;
    static constexpr double kMaxContentHeight = 330;
    static constexpr double kIconLabelGap = 4;
    static constexpr double kCornerRadius = 9;

    double scale = 1;        // s: canvas points per window point
    QRectF window;           // 540·s × 382·s, centred on the canvas
    QRectF titleBar;
    QRectF content;          // the shown part of the content area
    QPointF contentOrigin;   // the content area's top left: window point (0, 0)
    QRectF statusBar;
    QFont labelFont;
    IconGroupLayout app;
    IconGroupLayout applications;

    // s = min(W / 540, H / 382), kept within 0.1 ... 1.
    static double scaleFor(QSizeF canvas);

    // `device` is the one the mock-up will be drawn on (for text measurement).
    static MockupLayout compute(QSizeF canvas, const VorlapProject& project, const QPaintDevice* device = nullptr);

    const IconGroupLayout& group(DraggedIcon icon) const { return icon == DraggedIcon::app ? app : applications; }

    // The icon group under a canvas point, if any. Only the shown part of the content
    // area counts; where the groups overlap, the Applications group (drawn on top) wins.
    std::optional<DraggedIcon> iconAt(const QPointF& point) const;
};

} // namespace vorlap
