#pragma once
// How large the read/write image must be to hold the application and the background.
#include "common/Expected.h"
#include "pipeline/PipelineError.h"

#include <QString>

#include <optional>

namespace vorlap {

// What an HFS+ volume holding the folder needs: whole 4 KiB blocks per fork, and catalog
// records (a thread and a file or folder record) per item.
struct VolumeContent {
    qint64 items = 0;        // the folder itself and every entry below it
    qint64 dataBlocks = 0;   // 4 KiB allocation blocks of every file's and link's data
    qint64 catalogBytes = 0; // leaf records of the catalog, with their offsets in the node
};

// The content below `folder`, hidden entries and bundles included: symbolic links count
// themselves and are not followed (the folder itself is, when it is a link), unreadable
// folders hold nothing, and entries that vanish or may not be looked at are skipped. A
// missing folder has none.
Expected<VolumeContent, PipelineError> measureVolumeContent(const QString& folder);

// Bytes of the read/write image for that content plus the volume's fixed items (root,
// Applications link, layout file, background folder) and the files of `addedFileBytes`
// bytes together that the build adds (picture, volume icon): the data blocks, the catalog, extents and attributes trees
// with their index nodes, the allocation bitmap, room for a journal (macOS's tool writes
// one), and a margin. The same rule serves every platform's disk-image tool.
qint64 imageSizeBytes(const VolumeContent& content, qint64 addedFileBytes);

// The image size in mebibytes (the unit of `hdiutil create -size Nm`), rounded up, at
// least 16. Fails when the content cannot be measured or its size overflows.
Expected<qint64, PipelineError> imageSizeMegabytes(const QString& appPath, qint64 addedFileBytes);

} // namespace vorlap
