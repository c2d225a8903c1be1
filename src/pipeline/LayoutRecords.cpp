#include "pipeline/LayoutRecords.h"

#include "project/IconRules.h"

#include <cmath>
#include <limits>

namespace vorlap {

namespace {

constexpr double windowOrigin = 100;
constexpr double titleBarHeight = 28;

PipelineError invalidLayout(const QString& what)
{
    return PipelineError::buildFailed(what);
}

std::optional<uint32_t> roundToUInt32(double value)
{
    const double rounded = std::round(value); // halves away from zero
    if (!std::isfinite(rounded) || rounded < 0 || rounded > std::numeric_limits<uint32_t>::max())
        return std::nullopt;
    return static_cast<uint32_t>(rounded);
}

} // namespace

Expected<IconLocation, PipelineError> clampedIconLocation(Point centre, Size window, double iconSize)
{
    const bool finite = std::isfinite(centre.x) && std::isfinite(centre.y) && std::isfinite(iconSize);
    const Point clamped = clampIconCentre(centre, window, iconSize);
    const auto x = roundToUInt32(clamped.x);
    const auto y = roundToUInt32(clamped.y);
    if (!finite || !x || !y)
        return unexpected(invalidLayout(QStringLiteral("The icon position (%1, %2) with icon size %3 is outside the window")
                                            .arg(centre.x)
                                            .arg(centre.y)
                                            .arg(iconSize)));
    return IconLocation{*x, *y};
}

Expected<QString, PipelineError> windowBoundsText(Size window)
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

Expected<QList<DSStoreRecord>, PipelineError> layoutRecords(const BuildConfig& config, const QString& appFileName,
                                                           const std::optional<QByteArray>& backgroundAlias)
{
    VORLAP_TRY_LET(bounds, windowBoundsText(config.windowSize));
    VORLAP_TRY_LET(app, clampedIconLocation(config.iconPositions.app, config.windowSize, config.iconSize));
    VORLAP_TRY_LET(applications,
                   clampedIconLocation(config.iconPositions.applications, config.windowSize, config.iconSize));

    return QList<DSStoreRecord>{
        DSStoreRecord::vSrn(),
        DSStoreRecord::icvl(),
        DSStoreRecord::bwsp(bounds),
        DSStoreRecord::iloc(appFileName, app.x, app.y),
        DSStoreRecord::iloc(QStringLiteral("Applications"), applications.x, applications.y),
        backgroundAlias ? DSStoreRecord::icvp(config.iconSize, 2, backgroundAlias)
                        : DSStoreRecord::icvp(config.iconSize, 0),
    };
}

} // namespace vorlap
