#pragma once
// The partition map of a raw disk (GUID partition table, Apple partition map or
// MBR), read only as far as needed to find the partitions and their types.
#include "diskimage/ByteSource.h"
#include "diskimage/DiskImageError.h"
#include "diskimage/Partition.h"

#include <vector>

namespace vorlap::diskimage {

inline constexpr size_t kMaxMapEntries = 256;

// The partitions of the first map found (GPT, then APM, then MBR), free and empty
// entries left out; types as macOS names them ("Apple_HFS", "Apple_HFSX",
// "Apple_APFS", ...). Empty when the disk has no partition map; fails when a map is
// there but broken (entries outside the disk, absurd counts).
Result<std::vector<Partition>> readPartitionMap(ByteSource& disk);

} // namespace vorlap::diskimage
