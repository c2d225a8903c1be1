#include "pipeline/DMGBuilderError.h"

namespace vorlap {

QString DMGBuilderError::description() const
{
    switch (kind) {
    case Case::appNotFound:
        return QStringLiteral("App not found: ") + detail;
    case Case::backgroundImageNotFound:
        return QStringLiteral("Background image not found: ") + detail;
    case Case::backgroundImageInvalid:
        return QStringLiteral("Background image is invalid: ") + detail;
    case Case::backgroundImageResizeFailed:
        return QStringLiteral("Failed to resize background image: ") + detail;
    case Case::hdiutilFailed:
        return QStringLiteral("hdiutil failed: ") + detail;
    case Case::buildFailed:
        return QStringLiteral("Build failed: ") + detail;
    }
    return detail;
}

} // namespace vorlap
