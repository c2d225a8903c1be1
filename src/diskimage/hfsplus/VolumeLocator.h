#pragma once
// Finding the HFS+ volume on a disk: a partition the caller names Apple_HFS or
// Apple_HFSX (the block tables of a UDIF image), the whole disk, or a partition the
// disk's own map (GPT, APM, MBR) types so.
#include "diskimage/ByteSource.h"
#include "diskimage/DiskImageError.h"
#include "diskimage/Partition.h"

#include <vector>

namespace vorlap::diskimage::hfsplus {

enum class VolumeSignature { None, HfsPlus, Hfsx, Apfs };

// What `partition` of `disk` starts with: an HFS+ or HFSX volume header ("H+"/"HX"
// at byte 1024) or an APFS container ("NXSB" at byte 32). None when the partition
// does not lie inside the disk.
VolumeSignature volumeSignature(ByteSource& disk, const Partition& partition);

// The first partition holding an HFS+ or HFSX volume: among `named` those typed
// Apple_HFS/Apple_HFSX, then the whole disk, then, when none of `named` is typed so,
// those the disk's partition map types so (a map that does not make sense is not
// followed). Fails with "no HFS+ volume found in the image", or names APFS when that
// is what the disk holds.
Result<Partition> locateHfsVolume(ByteSource& disk, const std::vector<Partition>& named = {});

} // namespace vorlap::diskimage::hfsplus
