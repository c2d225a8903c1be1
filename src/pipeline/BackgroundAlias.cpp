#include "pipeline/BackgroundAlias.h"

#include "diskimage/hfsplus/VolumeReader.h"
#include "diskimage/hfsplus/VolumeWriter.h"
#include "diskimage/udif/DiskImage.h"
#include "dsstore/AliasRecord.h"

#include <QFile>

namespace vorlap {

namespace {

std::string fileSystemPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

PipelineError engineFailed(const QString& what, const diskimage::DiskImageError& error)
{
    return PipelineError::buildFailed(what + QString::fromStdString(error.message));
}

#ifndef Q_OS_MACOS
// The IDs and dates `hdiutil detach` will give the folder and the picture.
Expected<AliasTarget, PipelineError> plannedTarget(const QString& volumeName, const QString& mountPoint,
                                                   const QString& folderName, const QString& fileName,
                                                   std::optional<int64_t> epoch)
{
    const auto options = diskimage::hfsplus::attachedFolderOptions(volumeName.toStdString(), 0, epoch);
    const std::string folder = fileSystemPath(folderName);
    const auto plan = diskimage::hfsplus::planVolume(fileSystemPath(mountPoint),
                                                     {folder, folder + '/' + fileSystemPath(fileName)}, options);
    if (!plan)
        return unexpected(engineFailed(QStringLiteral("Cannot record where the background is: "), plan.error()));
    // A reproducible alias names where the volume appears on the Mac, not where this
    // build happened to attach it.
    const QString mountPath = epoch ? QStringLiteral("/Volumes/") + volumeName : mountPoint;
    return AliasTarget{volumeName,        mountPath,         folderName,       fileName,
                       plan->items[0].id, plan->items[1].id, plan->createDate, plan->items[1].createDate};
}
#endif

} // namespace

Expected<BackgroundAlias, PipelineError> makeBackgroundAlias(const QString& volumeName, const QString& mountPoint,
                                                             const QString& folderName, const QString& fileName,
                                                             std::optional<int64_t> epoch)
{
#ifdef Q_OS_MACOS
    (void)epoch;
    VORLAP_TRY_LET(record, makeAliasRecord(volumeName, mountPoint, folderName, fileName));
    return BackgroundAlias{record, 0, 0};
#else
    VORLAP_TRY_LET(target, plannedTarget(volumeName, mountPoint, folderName, fileName, epoch));
    VORLAP_TRY_LET(record, makeAliasRecord(target));
    return BackgroundAlias{record, target.folderId, target.fileId};
#endif
}

Expected<void, PipelineError> checkBackgroundAlias(const QString& imagePath, const QString& folderName,
                                                   const QString& fileName, const BackgroundAlias& alias)
{
    if (alias.folderId == 0)
        return {}; // macOS's tool made the volume from the mount the alias was read from
    // An image that holds no volume our reader opens (a stand-in tool's) is left to the
    // conversion, which reads it next; a volume that opens must hold what the alias names.
    auto image = diskimage::udif::DiskImage::open(fileSystemPath(imagePath));
    if (!image)
        return {};
    auto volume = diskimage::hfsplus::VolumeReader::open(**image);
    if (!volume)
        return {};
    auto entries = (*volume)->list();
    if (!entries)
        return unexpected(engineFailed(QStringLiteral("Cannot check the background's alias in %1: ").arg(imagePath),
                                       entries.error()));
    const std::string folder = fileSystemPath(folderName);
    const std::string file = folder + '/' + fileSystemPath(fileName);
    uint32_t folderId = 0, fileId = 0;
    for (const auto& entry : *entries) {
        if (entry.path == folder)
            folderId = entry.id;
        else if (entry.path == file)
            fileId = entry.id;
    }
    if (folderId == alias.folderId && fileId == alias.fileId)
        return {};
    return unexpected(PipelineError::buildFailed(
        QStringLiteral("The image's background alias names items %1 and %2, but the volume holds %3 as %4 and %5 as "
                       "%6; the window would open without its picture")
            .arg(alias.folderId)
            .arg(alias.fileId)
            .arg(folderName)
            .arg(folderId)
            .arg(QString::fromStdString(file))
            .arg(fileId)));
}

} // namespace vorlap
