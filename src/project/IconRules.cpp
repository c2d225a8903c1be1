#include "project/IconRules.h"

#include <algorithm>
#include <cmath>

namespace vorlap {

bool isOfferedIconSize(double size)
{
    return std::isfinite(size) && size >= smallestIconSize && size <= largestIconSize
        && std::fmod(size - smallestIconSize, iconSizeStep) == 0;
}

int nearestOfferedIconSize(int size)
{
    const int steps = int(std::lround(double(size - smallestIconSize) / iconSizeStep));
    return std::clamp(smallestIconSize + steps * iconSizeStep, smallestIconSize, largestIconSize);
}

double clampIconCoordinate(double coordinate, double bound, double half)
{
    // Plain comparisons rather than std::min/std::max: a coordinate that compares with
    // nothing (NaN) lands on the far edge instead of passing through unclamped.
    const double upper = bound - half;
    const double belowUpper = coordinate < upper ? coordinate : upper;
    return belowUpper >= half ? belowUpper : half;
}

Point clampIconCentre(Point centre, Size window, double iconSize)
{
    const double half = iconSize * 0.5;
    return {clampIconCoordinate(centre.x, window.width, half), clampIconCoordinate(centre.y, window.height, half)};
}

} // namespace vorlap
