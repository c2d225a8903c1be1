#include "ui/ContinuousCorners.h"

#include <algorithm>
#include <array>
#include <functional>

namespace vorlap {

namespace {

// How far the corner curve reaches along each edge, in radii.
constexpr double kReach = 1.52866483;

// One corner in corner-local units of the radius: u runs along the edge the outline
// arrives on, v along the edge it leaves on, both measured from the corner.
struct CornerPoint {
    double u;
    double v;
};

// Three cubic segments, symmetric about the corner's diagonal: each entry holds
// the two control points and the end point.
constexpr std::array<std::array<CornerPoint, 3>, 3> kCorner{{
    {{{1.08849299, 0.0}, {0.86840701, 0.0}, {0.66993427, 0.06549600}}},
    {{{0.37282392, 0.16905899}, {0.16905899, 0.37282392}, {0.06549600, 0.66993427}}},
    {{{0.0, 0.86840701}, {0.0, 1.08849299}, {0.0, kReach}}},
}};

} // namespace

QPainterPath continuousRoundedRect(const QRectF& rect, double radius)
{
    QPainterPath path;
    if (rect.isEmpty())
        return path;
    const double r = std::clamp(radius, 0.0, std::min(rect.width(), rect.height()) / 2.0 / kReach);
    if (r <= 0) {
        path.addRect(rect);
        return path;
    }
    const double l = rect.left(), t = rect.top(), ri = rect.right(), b = rect.bottom();
    // Clockwise from the top edge: top-right, bottom-right, bottom-left, top-left.
    const std::array<std::function<QPointF(CornerPoint)>, 4> corners{
        [&](CornerPoint p) { return QPointF(ri - p.u * r, t + p.v * r); },
        [&](CornerPoint p) { return QPointF(ri - p.v * r, b - p.u * r); },
        [&](CornerPoint p) { return QPointF(l + p.u * r, b - p.v * r); },
        [&](CornerPoint p) { return QPointF(l + p.v * r, t + p.u * r); },
    };
    path.moveTo(l + kReach * r, t);
    for (const auto& map : corners) {
        path.lineTo(map({kReach, 0.0}));
        for (const auto& segment : kCorner)
            path.cubicTo(map(segment[0]), map(segment[1]), map(segment[2]));
    }
    path.closeSubpath();
    return path;
}

} // namespace vorlap
