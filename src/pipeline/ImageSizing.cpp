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

constexpr qint64 blockBytes = 4096; // the allocation block every fork is rounded up to
constexpr qint64 mebibyte = 1 << 20;
constexpr qint64 minimumImageMegabytes = 16;

// Catalog records as the HFS+ writer lays them out (TN1150): a key of length, parent ID
// and name, then a file record (248 bytes; folders take 88) or a thread record naming the
// item again, each with a 2-byte offset at the end of its node.
constexpr qint64 recordKeyBytes = 2 + 4 + 2;
constexpr qint64 fileRecordBytes = 248;
constexpr qint64 threadRecordBytes = 2 + 2 + 4 + 2;
constexpr qint64 recordOffsetBytes = 2;
constexpr qint64 catalogNodeBytes = 4096;
// A node holds 4096 bytes less its descriptor; as records are never split, up to one
// whole record (a 255-unit name) can be left unused at the end of every node.
constexpr qint64 usableNodeBytes = catalogNodeBytes - 14 - 2 - (recordKeyBytes + 510 + fileRecordBytes);

// What the volume holds beside the application: root folder and its thread, the
// Applications link, the layout file, the background folder, picture and volume icon.
constexpr qint64 fixedItems = 10;
constexpr qint64 layoutFileBytes = 256 * 1024;
// The picture and the volume icon: each may end in a part block.
constexpr qint64 addedFiles = 2;
// macOS's tool journals the volume it creates (8 MiB for small volumes); ours does not,
// but one rule serves both.
constexpr qint64 journalBytes = 8 * mebibyte;
constexpr qint64 marginPercent = 5;
constexpr qint64 marginBytes = mebibyte;

qint64 blocksFor(qint64 bytes) { return (bytes + blockBytes - 1) / blockBytes; }

qint64 catalogBytesFor(qint64 nameUnits)
{
    return 2 * (recordKeyBytes + 2 * nameUnits + recordOffsetBytes) + fileRecordBytes + threadRecordBytes + 2 * nameUnits;
}

// Leaf nodes plus every index level above them, each index record a key with a pointer.
qint64 catalogNodes(qint64 leafBytes, qint64 items)
{
    qint64 level = (leafBytes + usableNodeBytes - 1) / usableNodeBytes;
    qint64 total = 1 + level; // the header node
    const qint64 indexRecordBytes = recordKeyBytes + 510 + 4 + recordOffsetBytes;
    while (level > 1) {
        level = (level * indexRecordBytes + usableNodeBytes - 1) / usableNodeBytes;
        total += level;
    }
    // Map nodes once the header's bitmap of nodes runs out (about 2,000 nodes each).
    return total + total / 2000 + (items > 0 ? 1 : 0);
}

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

// The name an item gets in the volume, in decomposed UTF-16 units as HFS+ stores it.
qint64 nameUnits(const FTSENT* entry)
{
    return QFile::decodeName(QByteArray(entry->fts_name, entry->fts_namelen)).normalized(QString::NormalizationForm_D).size();
}

} // namespace

Expected<VolumeContent, PipelineError> measureVolumeContent(const QString& folder)
{
    VolumeContent content;
    Walk walk(folder);
    if (!walk.get())
        return content;
    for (;;) {
        errno = 0;
        const FTSENT* entry = ::fts_read(walk.get());
        if (!entry) {
            if (errno != 0 && errno != ENOENT)
                return unexpected(PipelineError::fromErrno(errno, folder));
            return content;
        }
        switch (entry->fts_info) {
        case FTS_DP: // a folder seen again on the way out
            continue;
        case FTS_NS:
        case FTS_ERR:
            if (entry->fts_errno == EACCES || entry->fts_errno == ENOENT || entry->fts_errno == EPERM)
                continue;
            return unexpected(PipelineError::fromErrno(entry->fts_errno, QFile::decodeName(entry->fts_path)));
        case FTS_F:
        case FTS_SL:
        case FTS_SLNONE:
            content.dataBlocks += blocksFor(entry->fts_statp->st_size);
            break;
        default: // folders (read or not) and special files hold no data
            break;
        }
        ++content.items;
        content.catalogBytes += catalogBytesFor(nameUnits(entry));
    }
}

qint64 imageSizeBytes(const VolumeContent& content, qint64 addedFileBytes)
{
    const qint64 items = content.items + fixedItems;
    const qint64 leafBytes = content.catalogBytes + fixedItems * catalogBytesFor(255);
    const qint64 fixedData = blocksFor(layoutFileBytes) + blocksFor(addedFileBytes) + addedFiles;
    const qint64 treeBytes = catalogNodes(leafBytes, items) * catalogNodeBytes
                           + blockBytes       // the extents tree: every fork is contiguous
                           + 2 * blockBytes;  // the attributes tree's 8 KiB header node
    const qint64 layoutBytes = (content.dataBlocks + fixedData) * blockBytes + treeBytes;
    // One bit per block, with the header and alternate header in their own blocks.
    const qint64 bitmapBytes = blocksFor(layoutBytes / blockBytes / 8 + 1) * blockBytes * 2;
    const qint64 needed = layoutBytes + bitmapBytes + 2 * blockBytes + journalBytes;
    return needed + needed / 100 * marginPercent + marginBytes;
}

Expected<qint64, PipelineError> imageSizeMegabytes(const QString& appPath, qint64 addedFileBytes)
{
    VORLAP_TRY_LET(content, measureVolumeContent(appPath));
    // Beyond 2^52 bytes the sums below could overflow; no volume comes near (HFS+ ends at
    // 2^32 blocks of 4 KiB).
    constexpr qint64 limit = qint64(1) << 52;
    if (content.dataBlocks > limit / blockBytes || content.catalogBytes > limit || addedFileBytes > limit)
        return unexpected(tooLarge(QStringLiteral("The application, the background and the margin")));
    const qint64 bytes = imageSizeBytes(content, addedFileBytes);
    return std::max((bytes + mebibyte - 1) / mebibyte, minimumImageMegabytes);
}

} // namespace vorlap
