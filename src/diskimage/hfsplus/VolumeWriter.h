#pragma once
// Writes a folder tree as a complete HFS+ volume ("H+", version 4, no journal) into a
// raw image file of an exact size (or a UDRW image of it), in one pass.
#include "diskimage/DiskImageError.h"

#include <cstdint>
#include <string>

namespace vorlap::diskimage::hfsplus {

struct VolumeOptions {
    std::string volumeName;  // 1..255 UTF-16 units once decomposed
    uint64_t sizeBytes = 0;  // the image's exact size, a multiple of 512 (4096 gives 4 KiB blocks)
    // Use every item's inode number as its catalog node ID. When the numbers are not
    // all distinct and within 16..2^32-2, every item gets a fresh ID instead.
    bool useItemNumbersAsIds = false;
    // Follow the volume with a UDIF trailer, making the file a UDRW image (UdifWriter.h)
    // rather than the bare volume.
    bool udrwImage = false;
};

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

// Writes an empty volume, as `hdiutil create` makes one.
Result<VolumeSummary> writeEmptyVolume(const std::string& imagePath, const VolumeOptions& options);

} // namespace vorlap::diskimage::hfsplus
