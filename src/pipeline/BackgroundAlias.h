#pragma once
// The alias by which the Finder finds the window's picture, made with the catalog node
// IDs and dates the finished volume holds, and the check of those IDs in the image.
#include "common/Expected.h"
#include "pipeline/PipelineError.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace vorlap {

struct BackgroundAlias {
    QByteArray record;
    uint32_t folderId = 0;
    uint32_t fileId = 0;
};

// The alias of `mountPoint/folderName/fileName` on the volume `volumeName`. macOS's
// disk-image tool mounts a real HFS+ volume, whose item numbers are its catalog node IDs;
// ours writes the attached folder back at detach, and the engine tells beforehand what it
// will assign (`epoch`: SOURCE_DATE_EPOCH, which detach honours too). Call it when the
// volume's tree is final: every item that will be written, with any name, is in place.
Expected<BackgroundAlias, PipelineError> makeBackgroundAlias(const QString& volumeName, const QString& mountPoint,
                                                             const QString& folderName, const QString& fileName,
                                                             std::optional<int64_t> epoch);

// Fails unless the HFS+ volume in the detached image `imagePath` holds `folderName` and
// `folderName/fileName` under the IDs the alias names: a build whose window would open
// without its picture is not a finished build. An image without a volume our reader
// opens is not judged here.
Expected<void, PipelineError> checkBackgroundAlias(const QString& imagePath, const QString& folderName,
                                                   const QString& fileName, const BackgroundAlias& alias);

} // namespace vorlap
