#pragma once
// Points and sizes in window points. Equality is exact floating-point equality
// (Qt's QPointF/QSizeF compare fuzzily, which a design file must not do).

namespace vorlap {

struct Point {
    double x = 0;
    double y = 0;

    bool operator==(const Point&) const = default;
};

struct Size {
    double width = 0;
    double height = 0;

    bool operator==(const Size&) const = default;
};

} // namespace vorlap
