#include "project/ProjectFile.h"

#include <QFile>
#include <QSaveFile>

namespace vorlap {

namespace {

Unexpected<ProjectError> fileFailure(const QString& path, const QFileDevice& file)
{
    return unexpected(ProjectError{ProjectError::Code::fileFailed, path + QStringLiteral(": ") + file.errorString()});
}

} // namespace

Expected<VorlapProject, ProjectError> readProjectFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fileFailure(path, file);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fileFailure(path, file);
    return VorlapProject::decode(bytes);
}

Expected<void, ProjectError> writeProjectFile(const VorlapProject& project, const QString& path)
{
    VORLAP_TRY_LET(bytes, project.encode());
    QSaveFile file(path);
    // A folder we may not create files in still lets us rewrite a file we own in it.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return fileFailure(path, file);
    if (file.write(bytes) != bytes.size() || !file.commit())
        return fileFailure(path, file);
    return {};
}

} // namespace vorlap
