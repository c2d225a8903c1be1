#include "pipeline/SystemError.h"

#include <cstring>

namespace vorlap {

SystemError SystemError::fromErrno(int errnum, const QString& what)
{
    const QString reason = QString::fromLocal8Bit(std::strerror(errnum));
    return SystemError{what.isEmpty() ? reason : what + QStringLiteral(": ") + reason};
}

} // namespace vorlap
