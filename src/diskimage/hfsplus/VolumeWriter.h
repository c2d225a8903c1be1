#pragma once
// Writes a folder tree as a complete HFS+ volume ("H+", version 4, no journal) into a
// raw image file of an exact size (or a UDRW image of it), in one pass.
#include "diskimage/DiskImageError.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorlap::diskimage::hfsplus {

struct VolumeOptions {
    std::string volumeName; // 1..255 UTF-16 units once decomposed
    uint64_t sizeBytes = 0; // the image's exact size, a multiple of 512 (4096 gives 4 KiB blocks)
    // Use every item's inode number as its catalog node ID. When the numbers are not
    // all distinct and within 16..2^32-2, or the volume is reproducible, the IDs follow
    // the tree instead: 16, 17, ... depth first, each folder's items in catalog order.
    bool useItemNumbersAsIds = false;
    // Reproducible volumes (SOURCE_DATE_EPOCH, Unix seconds): every date is this moment
    // or the item's own when older (the access date is the modification date), the
    // volume's dates are this moment, IDs follow the tree, owner and group are 99
    // (macOS's "unknown", which it maps to whoever mounts the volume), and the volume's
    // Finder identifier comes from the catalog's bytes.
    std::optional<int64_t> sourceDateEpoch;
    // Follow the volume with a UDIF trailer, making the file a UDRW image (UdifWriter.h)
    // rather than the bare volume.
    bool udrwImage = false;
};

// The options `hdiutil detach` writes a folder back with: the folder's item numbers
// become the IDs, so aliases made while attached still find their items.
VolumeOptions attachedFolderOptions(std::string volumeName, uint64_t sizeBytes, std::optional<int64_t> sourceDateEpoch);

struct VolumeSummary {
    uint32_t fileCount = 0;   // files and symbolic links
    uint32_t folderCount = 0; // without the root
    bool usedItemNumbers = false;
    uint32_t blockSize = 0;
    uint64_t usedBytes = 0; // allocated blocks, metadata included
    uint64_t sizeBytes = 0;
};

// Writes the tree below `sourceFolder` (its own dates and mode go to the root folder;
// its creation date becomes the volume's) to `imagePath`. The image appears whole or
// not at all: it is written under a temporary name beside `imagePath` and renamed at
// the end; on failure `imagePath` is untouched and no temporary file remains.
Result<VolumeSummary> writeVolume(const std::string& sourceFolder, const std::string& imagePath,
                                  const VolumeOptions& options);

// What writeVolume(sourceFolder, ..., options) stores for the items at `paths`
// ('/'-separated, relative to `sourceFolder`), so that a caller can record them (an
// alias) before the volume is written. Dates are HFS+ dates.
struct PlannedItem {
    uint32_t id = 0;
    uint32_t createDate = 0;
};
struct VolumePlan {
    uint32_t createDate = 0;
    std::vector<PlannedItem> items; // one per path, in order
};
Result<VolumePlan> planVolume(const std::string& sourceFolder, const std::vector<std::string>& paths,
                              const VolumeOptions& options);

// Writes an empty volume, as `hdiutil create` makes one.
Result<VolumeSummary> writeEmptyVolume(const std::string& imagePath, const VolumeOptions& options);

} // namespace vorlap::diskimage::hfsplus
