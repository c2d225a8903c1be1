#pragma once
// Finds the HFS+ volume on a disk: the whole disk, or the Apple_HFS partition of an
// Apple partition map, a GUID partition table or an MBR.
#include "diskimage/ByteSource.h"

#include <cstdint>

namespace vorlap::diskimage::hfsplus {

struct VolumeLocation {
    uint64_t offset = 0;
    uint64_t length = 0;
};

// Fails with a clear message when the disk holds no HFS+ volume (APFS is named as such).
Result<VolumeLocation> locateHfsVolume(ByteSource& disk);

} // namespace vorlap::diskimage::hfsplus
