#pragma once
// One build request, handed from the main window (or `vorlap build`) to DMGBuilder.
#include "project/Geometry.h"
#include "project/VorlapProject.h"

#include <QString>

#include <optional>

namespace vorlap {

struct BuildConfig {
    QString appPath;                            // the application folder to package
    QString outputPath;                         // where the finished image goes (replaced if present)
    QString volumeName;                         // the new volume's name
    Size windowSize;                            // the Finder window's content, in points
    std::optional<QString> backgroundImagePath; // the user's picture, if any
    IconPositions iconPositions;                // icon centres in window points
    double iconSize = 128;                      // icon edge in points
    ImageFormat format = ImageFormat::udzo;     // the finished image's kind

    // The request for building `project` (already normalised by the caller): the volume is
    // named after the project's application, everything else is taken as it stands.
    static BuildConfig forProject(const VorlapProject& project, const QString& appPath, const QString& outputPath);
};

} // namespace vorlap
