#include "project/VorlapProject.h"

#include "project/IconRules.h"

namespace vorlap {

namespace {

IconPositions clampedToCanvas(const IconPositions& positions, double iconSize)
{
    return {clampIconCentre(positions.app, fixedCanvasSize, iconSize),
            clampIconCentre(positions.applications, fixedCanvasSize, iconSize)};
}

} // namespace

bool VorlapProject::operator==(const VorlapProject& other) const
{
    return appName.normalized(QString::NormalizationForm_C) == other.appName.normalized(QString::NormalizationForm_C)
        && windowSize == other.windowSize
        && backgroundImagePath == other.backgroundImagePath
        && iconPositions == other.iconPositions
        && iconSize == other.iconSize
        && format == other.format;
}

VorlapProject VorlapProject::normalized() const
{
    // Positions stored for another window size mean nothing on the fixed canvas.
    const IconPositions start = windowSize == fixedCanvasSize ? iconPositions : IconPositions{};
    VorlapProject result = *this;
    result.windowSize = fixedCanvasSize;
    result.iconPositions = clampedToCanvas(start, iconSize);
    return result;
}

void clampIconsToCanvas(VorlapProject& project)
{
    project.windowSize = fixedCanvasSize;
    project.iconPositions = clampedToCanvas(project.iconPositions, project.iconSize);
}

} // namespace vorlap
