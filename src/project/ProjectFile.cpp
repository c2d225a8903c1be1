#include "project/ProjectFile.h"

#include "common/posix/UniqueFd.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>

namespace vorlap {

namespace {

constexpr qint64 maxProjectFileBytes = 4 * 1000 * 1000;

Unexpected<ProjectError> fileFailure(const QString& path, const QFileDevice& file)
{
    return unexpected(ProjectError{ProjectError::Code::fileFailed, path + QStringLiteral(": ") + file.errorString()});
}

} // namespace

Expected<VorlapProject, ProjectError> readProjectFile(const QString& path)
{
    // Opened without blocking, and read only when it is a regular file of sane size: a FIFO
    // would wait forever and a device could be read without end.
    posix::UniqueFd fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!fd.isOpen() || ::fstat(fd.get(), &st) != 0)
        return unexpected(ProjectError{ProjectError::Code::fileFailed, path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno))});
    if (!S_ISREG(st.st_mode))
        return unexpected(ProjectError{ProjectError::Code::fileFailed, path + QStringLiteral(": not a regular file")});
    if (st.st_size > maxProjectFileBytes)
        return unexpected(ProjectError{ProjectError::Code::fileFailed, path + QStringLiteral(": larger than 4 MB, too large for a project")});
    QFile file;
    if (!file.open(fd.get(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        return fileFailure(path, file);
    const QByteArray bytes = file.read(maxProjectFileBytes + 1);
    if (bytes.size() > maxProjectFileBytes)
        return unexpected(ProjectError{ProjectError::Code::fileFailed, path + QStringLiteral(": larger than 4 MB, too large for a project")});
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
