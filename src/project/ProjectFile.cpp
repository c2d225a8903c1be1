#include "project/ProjectFile.h"

#include <QFile>
#include <QSaveFile>

namespace vorlap {

namespace {

ProjectCodingError fileError(const QString& path, const QString& reason)
{
    return {path + QStringLiteral(": ") + reason};
}

} // namespace

Expected<VorlapProject, ProjectCodingError> readProjectFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return unexpected(fileError(path, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return unexpected(fileError(path, file.errorString()));
    return VorlapProject::decode(bytes);
}

Expected<void, ProjectCodingError> writeProjectFile(const VorlapProject& project, const QString& path)
{
    const auto bytes = project.encode();
    if (!bytes)
        return unexpected(bytes.error());
    QSaveFile file(path);
    // A folder we may not create files in still lets us rewrite a file we own in it.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return unexpected(fileError(path, file.errorString()));
    if (file.write(*bytes) != bytes->size() || !file.commit())
        return unexpected(fileError(path, file.errorString()));
    return {};
}

} // namespace vorlap
