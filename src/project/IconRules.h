#pragma once
// The icon sizes a design may use, and where an icon may sit in the installer window.
// The window, `vorlap build` and the build's layout file all follow these.
#include "project/Geometry.h"

namespace vorlap {

// Icon edges offered, in points: 48, 56, ..., 256.
inline constexpr int smallestIconSize = 48;
inline constexpr int largestIconSize = 256;
inline constexpr int iconSizeStep = 8;

// True for exactly the offered sizes.
bool isOfferedIconSize(double size);

// The offered size nearest to `size` (a tie goes to the larger), within the range.
int nearestOfferedIconSize(int size);

// The coordinate pulled to at least `half` inside [0, bound]. The far edge is applied
// first, so an icon larger than the window ends at `half`.
double clampIconCoordinate(double coordinate, double bound, double half);

// The icon centre kept at least half an icon inside the window.
Point clampIconCentre(Point centre, Size window, double iconSize);

} // namespace vorlap
