#pragma once
// Finding the HFS+ volume on the virtual disk of an image: a partition-less disk, a
// partition named Apple_HFS/Apple_HFSX by the image, or one found in the disk's own
// partition map (GPT, APM, MBR).
#include "diskimage/ByteSource.h"
#include "diskimage/DiskImageError.h"
#include "diskimage/udif/DiskImage.h"
#include "diskimage/udif/Partition.h"

#include <memory>

namespace vorlap::diskimage::udif {

// The first partition holding an HFS+ or HFSX volume header ("H+"/"HX" at byte
// 1024). Fails with "no HFS+ volume found in the image", or names APFS when that is
// what the image holds.
Result<Partition> locateHfsVolume(DiskImage& image);

// That partition as a byte source of its own, for the HFS+ reader. It reads through
// `image`, which must outlive it.
Result<std::unique_ptr<SliceByteSource>> openHfsVolume(DiskImage& image);

} // namespace vorlap::diskimage::udif
