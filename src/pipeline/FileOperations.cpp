#include "pipeline/FileOperations.h"

#include "common/posix/UniqueDir.h"
#include "common/posix/UniqueFd.h"
#include "platform/FinderInfo.h"

#include <QFile>
#include <QUuid>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlap::files {

namespace {

QByteArray native(const QString& path) { return QFile::encodeName(path); }

Unexpected<PipelineError> failure(const QString& path, int errnum = errno)
{
    return unexpected(PipelineError::fromErrno(errnum, path));
}

// Running as root, a copy keeps the item's owner and group; a file system that takes no
// owners (EPERM) leaves the copy ours. Called before the mode is set, which a change of
// owner would strip of its set-ID bits.
Expected<void, PipelineError> keepOwner(const QByteArray& to, const struct stat& st)
{
    if (::geteuid() != 0 || ::lchown(to.constData(), st.st_uid, st.st_gid) == 0 || errno == EPERM)
        return {};
    return failure(QFile::decodeName(to));
}

// Copies the bytes of `in` to `out`, which is empty. Where the file system tells
// data from holes (SEEK_DATA, SEEK_HOLE), only the data is written and the holes stay
// holes; elsewhere everything counts as data.
Expected<void, PipelineError> copyBytes(int in, int out, const QByteArray& from, const QByteArray& to)
{
    static constexpr size_t chunk = 1 << 20;
    std::unique_ptr<char[]> buffer(new char[chunk]);
    off_t at = 0;
    for (;;) {
        const off_t data = ::lseek(in, at, SEEK_DATA);
        if (data < 0 && errno == ENXIO)
            break; // nothing but a hole from here to the end
        const off_t end = data < 0 ? -1 : ::lseek(in, data, SEEK_HOLE);
        if (data >= 0)
            at = data;
        const bool toEof = end < 0; // holes not reported: read to the end
        while (toEof || at < end) {
            const size_t want = toEof ? chunk : static_cast<size_t>(std::min<off_t>(chunk, end - at));
            const ssize_t got = ::pread(in, buffer.get(), want, at);
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                return failure(QFile::decodeName(from));
            }
            if (got == 0)
                break;
            for (ssize_t done = 0; done < got;) {
                const ssize_t wrote = ::pwrite(out, buffer.get() + done, static_cast<size_t>(got - done), at + done);
                if (wrote < 0) {
                    if (errno == EINTR)
                        continue;
                    return failure(QFile::decodeName(to));
                }
                done += wrote;
            }
            at += got;
        }
        if (toEof)
            break;
    }
    // The length, holes at the end included.
    struct stat st {};
    if (::fstat(in, &st) != 0)
        return failure(QFile::decodeName(from));
    if (::ftruncate(out, std::max<off_t>(at, st.st_size)) != 0)
        return failure(QFile::decodeName(to));
    return {};
}

// Copies a regular file's bytes (its holes kept), owner (as root), mode and modification time.
Expected<void, PipelineError> copyFile(const QByteArray& from, const QByteArray& to, const struct stat& st)
{
    posix::UniqueFd in(::open(from.constData(), O_RDONLY | O_CLOEXEC));
    if (!in.isOpen())
        return failure(QFile::decodeName(from));
    posix::UniqueFd out(::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!out.isOpen())
        return failure(QFile::decodeName(to));
    VORLAP_TRY(copyBytes(in.get(), out.get(), from, to));
    VORLAP_TRY(keepOwner(to, st));
    if (::fchmod(out.get(), st.st_mode & 07777) != 0)
        return failure(QFile::decodeName(to));
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out.get(), times); // a time we cannot keep is no reason to fail the copy
    if (out.close() != 0)
        return failure(QFile::decodeName(to));
    return {};
}

Expected<void, PipelineError> copyItem(const QByteArray& from, const QByteArray& to, const struct stat& st, int depth)
{
    if (depth > 256)
        return unexpected(PipelineError::systemFailed(QFile::decodeName(from) + QStringLiteral(": folders nested too deeply")));

    if (S_ISREG(st.st_mode))
        return copyFile(from, to, st);

    if (S_ISLNK(st.st_mode)) {
        QByteArray target(static_cast<qsizetype>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t length = ::readlink(from.constData(), target.data(), static_cast<size_t>(target.size()));
        if (length < 0)
            return failure(QFile::decodeName(from));
        target.truncate(length);
        if (::symlink(target.constData(), to.constData()) != 0)
            return failure(QFile::decodeName(to));
        VORLAP_TRY(keepOwner(to, st));
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        ::utimensat(AT_FDCWD, to.constData(), times, AT_SYMLINK_NOFOLLOW);
        return {};
    }

    if (S_ISDIR(st.st_mode)) {
        if (::mkdir(to.constData(), 0700) != 0)
            return failure(QFile::decodeName(to));
        posix::UniqueDir dir(::opendir(from.constData()));
        if (!dir)
            return failure(QFile::decodeName(from));
        errno = 0;
        while (const dirent* entry = ::readdir(dir.get())) {
            const QByteArray name(entry->d_name);
            if (name == "." || name == "..")
                continue;
            const QByteArray childFrom = from + '/' + name;
            const QByteArray childTo = to + '/' + name;
            struct stat child {};
            if (::lstat(childFrom.constData(), &child) != 0)
                return failure(QFile::decodeName(childFrom));
            VORLAP_TRY(copyItem(childFrom, childTo, child, depth + 1));
            errno = 0;
        }
        if (errno != 0)
            return failure(QFile::decodeName(from));
        VORLAP_TRY(keepOwner(to, st));
        if (::chmod(to.constData(), st.st_mode & 07777) != 0)
            return failure(QFile::decodeName(to));
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        ::utimensat(AT_FDCWD, to.constData(), times, 0);
        return {};
    }

    return unexpected(PipelineError::systemFailed(
        QFile::decodeName(from) + QStringLiteral(": not a file, folder or symbolic link, and cannot be copied")));
}

} // namespace

bool exists(const QString& path)
{
    struct stat st {};
    return !path.isEmpty() && ::stat(native(path).constData(), &st) == 0;
}

Expected<void, PipelineError> createFolder(const QString& path)
{
    QByteArray p = native(path);
    for (qsizetype i = 1; i <= p.size(); ++i) {
        if (i < p.size() && p[i] != '/')
            continue;
        const QByteArray prefix = p.left(i);
        if (::mkdir(prefix.constData(), 0755) != 0 && errno != EEXIST)
            return failure(QFile::decodeName(prefix));
    }
    struct stat st {};
    if (::stat(p.constData(), &st) != 0)
        return failure(path);
    if (!S_ISDIR(st.st_mode))
        return failure(path, ENOTDIR);
    return {};
}

Expected<void, PipelineError> copyRecursively(const QString& source, const QString& destination)
{
    struct stat st {};
    if (::stat(native(source).constData(), &st) != 0)
        return failure(source);
    return copyItem(native(source), native(destination), st, 0);
}

Expected<void, PipelineError> createSymbolicLink(const QString& path, const QString& target)
{
    if (::symlink(native(target).constData(), native(path).constData()) != 0)
        return failure(path);
    return {};
}

Expected<void, PipelineError> writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    const auto failed = [&] { return unexpected(PipelineError::systemFailed(path + QStringLiteral(": ") + file.errorString())); };
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return failed();
    if (file.write(bytes) != bytes.size() || !file.flush())
        return failed();
    file.close();
    if (file.error() != QFileDevice::NoError)
        return failed();
    return {};
}

Expected<void, PipelineError> setCustomIconFlag(const QString& folder)
{
    const int error = platform::setCustomIconFlag(QFile::encodeName(folder).toStdString());
    if (error == 0 || error == ENOTSUP || error == EOPNOTSUPP)
        return {};
    return unexpected(PipelineError::fromErrno(error, folder));
}

namespace {

// The file's bytes and the folder's entry reach the disk before the image is called done.
int syncPath(const QByteArray& path, int flags)
{
    posix::UniqueFd fd(::open(path.constData(), flags | O_CLOEXEC));
    if (!fd.isOpen() || ::fsync(fd.get()) != 0)
        return errno;
    return 0;
}

QByteArray folderOf(const QString& path)
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    return native(slash > 0 ? path.left(slash) : slash == 0 ? QStringLiteral("/") : QStringLiteral("."));
}

// Renames `from` over `to` once `from` is on disk, then makes the new entry durable.
Expected<void, PipelineError> publish(const QByteArray& from, const QString& destination)
{
    const QByteArray to = native(destination);
    if (int err = syncPath(from, O_RDONLY))
        return failure(destination, err);
    if (::rename(from.constData(), to.constData()) != 0)
        return failure(destination);
    if (int err = syncPath(folderOf(destination), O_RDONLY | O_DIRECTORY))
        return failure(destination, err);
    return {};
}

} // namespace

Expected<void, PipelineError> checkOutputPath(const QString& destination)
{
    const QByteArray to = native(destination);
    struct stat existing {};
    if (::lstat(to.constData(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode))
            return failure(destination, EISDIR);
        if (!S_ISREG(existing.st_mode))
            return unexpected(PipelineError::systemFailed(
                destination + QStringLiteral(": not a regular file; only a regular file is replaced by the image")));
    } else if (errno != ENOENT) {
        return failure(destination);
    }
    const QByteArray folder = folderOf(destination);
    struct stat st {};
    if (::stat(folder.constData(), &st) != 0)
        return failure(destination);
    if (!S_ISDIR(st.st_mode))
        return failure(destination, ENOTDIR);
    if (::access(folder.constData(), W_OK | X_OK) != 0)
        return failure(destination);
    return {};
}

Expected<void, PipelineError> moveReplacing(const QString& source, const QString& destination)
{
    const QByteArray from = native(source);
    // Checked again here: something may have appeared at the output while the image was built.
    VORLAP_TRY(checkOutputPath(destination));

    auto moved = publish(from, destination);
    if (moved || moved.error().errnum != EXDEV)
        return moved;

    // Another file system: copy beside the destination, then rename over it.
    struct stat st {};
    if (::stat(from.constData(), &st) != 0)
        return failure(source);
    const int slash = destination.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash >= 0 ? destination.left(slash + 1) : QString();
    const QByteArray temporary = native(folder + QStringLiteral(".vorlap-") +
                                        QUuid::createUuid().toString(QUuid::WithoutBraces) + QStringLiteral(".part"));
    auto copied = copyFile(from, temporary, st);
    if (!copied) {
        const int err = copied.error().errnum;
        ::unlink(temporary.constData());
        // The hidden name is ours; the user chose the output.
        return err ? failure(destination, err) : copied;
    }
    auto published = publish(temporary, destination);
    if (!published) {
        ::unlink(temporary.constData());
        return published;
    }
    ::unlink(from.constData());
    return {};
}

} // namespace vorlap::files
