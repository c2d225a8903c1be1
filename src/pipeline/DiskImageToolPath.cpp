#include "pipeline/DiskImageToolPath.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace vorlap {

QString bundledDiskImageToolFolder(const QString& programFolder)
{
    const QDir folder(programFolder);
    if (QFileInfo(folder.filePath(QStringLiteral("hdiutil"))).isExecutable())
        return QDir::cleanPath(programFolder);
    return QDir::cleanPath(folder.filePath(QStringLiteral(VORLAP_INSTALLED_TOOL_FOLDER)));
}

void makeBundledDiskImageToolFindable(const QString& programFolder)
{
    if (!QStandardPaths::findExecutable(QStringLiteral("hdiutil")).isEmpty())
        return;
    QByteArray path = qgetenv("PATH");
    if (!path.isEmpty())
        path += ':';
    path += QFile::encodeName(bundledDiskImageToolFolder(programFolder));
    qputenv("PATH", path);
}

} // namespace vorlap
