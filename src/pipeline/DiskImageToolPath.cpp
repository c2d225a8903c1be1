#include "pipeline/DiskImageToolPath.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace vorlap {

void makeBundledDiskImageToolFindable(const QString& bundledToolFolder)
{
    if (!QStandardPaths::findExecutable(QStringLiteral("hdiutil")).isEmpty())
        return;
    QByteArray path = qgetenv("PATH");
    if (!path.isEmpty())
        path += ':';
    path += QFile::encodeName(QDir::cleanPath(bundledToolFolder));
    qputenv("PATH", path);
}

} // namespace vorlap
