#pragma once
// Finding the HFS+ volume on the virtual disk of an image: a partition named
// Apple_HFS/Apple_HFSX by the image, a partition-less disk, or one found in the
// disk's own partition map (GPT, APM, MBR).
#include "diskimage/ByteSource.h"
#include "diskimage/DiskImageError.h"
#include "diskimage/Partition.h"
#include "diskimage/udif/DiskImage.h"

#include <memory>

namespace vorlap::diskimage::udif {

// hfsplus::locateHfsVolume with the image's own partitions as the named ones.
Result<Partition> locateHfsVolume(DiskImage& image);

// That partition as a byte source of its own, for the HFS+ reader. It reads through
// `image`, which must outlive it.
Result<std::unique_ptr<SliceByteSource>> openHfsVolume(DiskImage& image);

} // namespace vorlap::diskimage::udif
