#include "project/VorlapProject.h"

namespace vorlap {

namespace {

// Pulls a coordinate to at least `half` inside [0, bound]. The far edge is applied first,
// so an icon larger than the window ends at `half`.
double clampCoordinate(double c, double bound, double half)
{
    const double upper = bound - half;
    const double belowUpper = c < upper ? c : upper;
    return belowUpper >= half ? belowUpper : half;
}

Point clampPoint(Point p, double half)
{
    return {clampCoordinate(p.x, fixedCanvasSize.width, half), clampCoordinate(p.y, fixedCanvasSize.height, half)};
}

} // namespace

bool VorlapProject::operator==(const VorlapProject& other) const
{
    return appName.normalized(QString::NormalizationForm_C) == other.appName.normalized(QString::NormalizationForm_C)
        && windowSize == other.windowSize
        && backgroundImagePath == other.backgroundImagePath
        && iconPositions == other.iconPositions
        && iconSize == other.iconSize;
}

VorlapProject VorlapProject::normalized() const
{
    // Positions stored for another window size mean nothing on the fixed canvas.
    const IconPositions start = windowSize == fixedCanvasSize ? iconPositions : IconPositions{};
    const double half = iconSize * 0.5;

    VorlapProject result = *this;
    result.windowSize = fixedCanvasSize;
    result.iconPositions = {clampPoint(start.app, half), clampPoint(start.applications, half)};
    return result;
}

void clampIconsToCanvas(VorlapProject& project)
{
    const double half = project.iconSize * 0.5;
    project.windowSize = fixedCanvasSize;
    project.iconPositions = {clampPoint(project.iconPositions.app, half),
                             clampPoint(project.iconPositions.applications, half)};
}

} // namespace vorlap
