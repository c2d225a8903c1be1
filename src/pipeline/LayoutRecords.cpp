#include "pipeline/LayoutRecords.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vorlap {

namespace {

constexpr double windowOrigin = 100;
constexpr double titleBarHeight = 28;

BuildError invalidLayout(const QString& what)
{
    return DMGBuilderError::buildFailed(what);
}

std::optional<uint32_t> roundToUInt32(double value)
{
    const double rounded = std::round(value); // halves away from zero
    if (!std::isfinite(rounded) || rounded < 0 || rounded > std::numeric_limits<uint32_t>::max())
        return std::nullopt;
    return static_cast<uint32_t>(rounded);
}

double clampCoordinate(double c, double bound, double half)
{
    return std::max(half, std::min(c, bound - half));
}

} // namespace

Expected<IconLocation, BuildError> clampedIconLocation(Point centre, Size window, double iconSize)
{
    const double half = iconSize * 0.5;
    const bool finite = std::isfinite(centre.x) && std::isfinite(centre.y) && std::isfinite(iconSize);
    const auto x = roundToUInt32(clampCoordinate(centre.x, window.width, half));
    const auto y = roundToUInt32(clampCoordinate(centre.y, window.height, half));
    if (!finite || !x || !y)
        return unexpected(invalidLayout(QStringLiteral("The icon position (%1, %2) with icon size %3 is outside the window")
                                            .arg(centre.x)
                                            .arg(centre.y)
                                            .arg(iconSize)));
    return IconLocation{*x, *y};
}

Expected<QString, BuildError> windowBoundsText(Size window)
{
    const double width = std::round(window.width);
    const double height = std::round(window.height + titleBarHeight);
    // Comfortably inside the signed 64-bit range the text is written from.
    constexpr double limit = 9.0e15;
    if (!std::isfinite(width) || !std::isfinite(height) || std::abs(width) > limit || std::abs(height) > limit)
        return unexpected(invalidLayout(QStringLiteral("The window size %1 × %2 is not a usable size")
                                            .arg(window.width)
                                            .arg(window.height)));
    return QStringLiteral("{{%1, %2}, {%3, %4}}")
        .arg(static_cast<qint64>(windowOrigin))
        .arg(static_cast<qint64>(windowOrigin))
        .arg(static_cast<qint64>(width))
        .arg(static_cast<qint64>(height));
}

Expected<QList<DSStoreRecord>, BuildError> layoutRecords(const BuildConfig& config, const QString& appFileName,
                                                        const std::optional<QByteArray>& backgroundAlias)
{
    const auto bounds = windowBoundsText(config.windowSize);
    if (!bounds)
        return unexpected(bounds.error());
    const auto app = clampedIconLocation(config.iconPositions.app, config.windowSize, config.iconSize);
    if (!app)
        return unexpected(app.error());
    const auto applications = clampedIconLocation(config.iconPositions.applications, config.windowSize, config.iconSize);
    if (!applications)
        return unexpected(applications.error());

    return QList<DSStoreRecord>{
        DSStoreRecord::vSrn(),
        DSStoreRecord::icvl(),
        DSStoreRecord::bwsp(*bounds),
        DSStoreRecord::iloc(appFileName, app->x, app->y),
        DSStoreRecord::iloc(QStringLiteral("Applications"), applications->x, applications->y),
        backgroundAlias ? DSStoreRecord::icvp(config.iconSize, 2, backgroundAlias)
                        : DSStoreRecord::icvp(config.iconSize, 0),
    };
}

} // namespace vorlap
