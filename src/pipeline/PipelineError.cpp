#include "pipeline/PipelineError.h"

#include <cstring>

namespace vorlap {

PipelineError PipelineError::fromErrno(int errnum, const QString& what)
{
    const QString reason = QString::fromLocal8Bit(std::strerror(errnum));
    return {Code::systemFailed, what.isEmpty() ? reason : what + QStringLiteral(": ") + reason, errnum};
}

QString PipelineError::description() const
{
    switch (code) {
    case Code::appNotFound:
        return QStringLiteral("App not found: ") + detail;
    case Code::backgroundImageNotFound:
        return QStringLiteral("Background image not found: ") + detail;
    case Code::backgroundImageInvalid:
        return QStringLiteral("Background image is invalid: ") + detail;
    case Code::backgroundImageResizeFailed:
        return QStringLiteral("Failed to resize background image: ") + detail;
    case Code::hdiutilFailed:
        return QStringLiteral("hdiutil failed: ") + detail;
    case Code::buildFailed:
        return QStringLiteral("Build failed: ") + detail;
    case Code::layoutFailed:
    case Code::systemFailed:
        return detail;
    }
    return detail;
}

} // namespace vorlap
