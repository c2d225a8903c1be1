#include "pipeline/ImageSizing.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <limits>

#include <fts.h>
#include <sys/stat.h>

namespace vorlap {

namespace {

constexpr qint64 imageMarginBytes = 10'000'000;
constexpr qint64 bytesPerMegabyte = 1'000'000;
constexpr qint64 minimumImageMegabytes = 16;

PipelineError tooLarge(const QString& what)
{
    return PipelineError::buildFailed(
        QStringLiteral("%1 add up to more than %2 bytes.").arg(what).arg(std::numeric_limits<qint64>::max()));
}

class Walk {
public:
    explicit Walk(const QString& folder) : m_path(QFile::encodeName(folder))
    {
        char* roots[] = {m_path.data(), nullptr};
        // Physical walk: symbolic links are reported, never followed (the folder itself is
        // followed when it is a link). No chdir, so other threads keep their directory.
        m_fts = ::fts_open(roots, FTS_PHYSICAL | FTS_COMFOLLOW | FTS_NOCHDIR, nullptr);
    }
    ~Walk()
    {
        if (m_fts)
            ::fts_close(m_fts);
    }
    Walk(const Walk&) = delete;
    Walk& operator=(const Walk&) = delete;

    FTS* get() const { return m_fts; }

private:
    QByteArray m_path;
    FTS* m_fts = nullptr;
};

// The number of bytes a file yields when read to its end; 0 when it is not a regular file
// or cannot be read in full.
qint64 readableLength(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return 0;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    qint64 total = 0;
    char buffer[65536];
    for (;;) {
        const qint64 count = file.read(buffer, sizeof buffer);
        if (count < 0)
            return 0;
        if (count == 0)
            return total;
        total += count;
    }
}

} // namespace

Expected<qint64, PipelineError> directorySize(const QString& folder)
{
    Walk walk(folder);
    if (!walk.get())
        return qint64(0);

    qint64 total = 0;
    for (;;) {
        errno = 0;
        const FTSENT* entry = ::fts_read(walk.get());
        if (!entry) {
            if (errno != 0)
                return unexpected(PipelineError::fromErrno(errno, folder));
            return total;
        }
        if (entry->fts_level == FTS_ROOTLEVEL) {
            // The folder itself is not counted, and a missing one gives 0. A plain file in
            // the folder's place is copied into the image all the same, so its size counts.
            if (entry->fts_info == FTS_F)
                total = entry->fts_statp->st_size;
            continue;
        }

        switch (entry->fts_info) {
        case FTS_D:   // folders count 0 ...
        case FTS_DP:  // ... and are seen again on the way out
        case FTS_DC:  // a folder that contains itself (bind mounts) is not entered again
        case FTS_DNR: // a folder that cannot be read: its content is skipped
            continue;
        case FTS_NS:
        case FTS_ERR:
            // Entries that vanished or that we may not look at are skipped; any other
            // failure to learn an entry's size ends the walk.
            if (entry->fts_errno == EACCES || entry->fts_errno == ENOENT || entry->fts_errno == EPERM)
                continue;
            return unexpected(PipelineError::fromErrno(entry->fts_errno, QFile::decodeName(entry->fts_path)));
        default: // files, symbolic links (their own size) and special files
            if (__builtin_add_overflow(total, qint64(entry->fts_statp->st_size), &total))
                return unexpected(tooLarge(QStringLiteral("The files in ") + folder));
        }
    }
}

Expected<qint64, PipelineError> imageSizeMegabytes(const QString& appPath, const std::optional<QString>& backgroundPath)
{
    VORLAP_TRY_LET(appBytes, directorySize(appPath));
    const qint64 backgroundBytes = backgroundPath ? readableLength(*backgroundPath) : 0;

    qint64 total = 0;
    if (__builtin_add_overflow(appBytes, backgroundBytes, &total)
        || __builtin_add_overflow(total, imageMarginBytes, &total))
        return unexpected(tooLarge(QStringLiteral("The application, the background and the margin")));
    return std::max(total / bytesPerMegabyte + 1, minimumImageMegabytes);
}

} // namespace vorlap
