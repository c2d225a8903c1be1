#include "pipeline/BuildConfig.h"

#include "project/BundlePaths.h"

namespace vorlap {

BuildConfig BuildConfig::forProject(const VorlapProject& project, const QString& appPath, const QString& outputPath)
{
    BuildConfig config;
    config.appPath = appPath;
    config.outputPath = outputPath;
    config.volumeName = BundlePaths::effectiveApplicationName(project.appName, appPath);
    config.windowSize = project.windowSize;
    config.backgroundImagePath = project.backgroundImagePath;
    config.iconPositions = project.iconPositions;
    config.iconSize = project.iconSize;
    config.format = project.format;
    return config;
}

} // namespace vorlap
