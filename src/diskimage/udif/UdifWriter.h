#pragma once
// Writing disk images: a raw disk (any ByteSource) as a compressed UDZO image laid
// out like macOS's disk-image tool does it, or as a read/write UDRW image, which is
// the bare sectors.
#include "diskimage/ByteSource.h"
#include "diskimage/DiskImageError.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorlap::diskimage::udif {

inline constexpr uint32_t kDefaultChunkSectors = 2048; // 1 MiB, as current macOS writes
inline constexpr int kDefaultZlibLevel = 1;            // the disk-image tool's default

struct UdzoOptions {
    int zlibLevel = kDefaultZlibLevel;        // 1..9
    unsigned threads = 0;                     // compression threads; 0: one per core
    uint32_t chunkSectors = kDefaultChunkSectors; // 1..2048
};

// One block table of the image: a named run of sectors (a partition or a piece of
// the partition map). The tables of an image cover the disk in order, without gaps.
struct TableLayout {
    std::string name;     // "whole disk (Apple_HFS : 0)"
    int32_t id = 0;       // the plist ID; -1 for the first table of a partitioned disk
    uint64_t firstSector = 0;
    uint64_t sectorCount = 0;
};

// The layout without partition map: one table for the whole disk, named
// "whole disk (Apple_HFS : 0)" ("Apple_HFSX" when the volume is case-sensitive HFSX).
Result<std::vector<TableLayout>> wholeDiskLayout(ByteSource& disk);

// Writes `disk` (a whole number of 512-byte sectors) as UDZO to `outputPath`.
// Chunks of `chunkSectors` are compressed in parallel; an all-zero chunk becomes a
// zero-fill entry (runs of them one entry), a chunk zlib cannot shrink is stored raw.
// The output appears complete or not at all; an existing file is replaced.
Result<void> writeUdzo(ByteSource& disk, const std::string& outputPath, const UdzoOptions& options = {});
Result<void> writeUdzo(ByteSource& disk, const std::vector<TableLayout>& layout, const std::string& outputPath,
                       const UdzoOptions& options = {});

// Writes `disk` as UDRW: macOS stores read/write images as plain sectors without
// trailer, so this is a copy of the disk (all-zero stretches left as holes).
Result<void> writeUdrw(ByteSource& disk, const std::string& outputPath);

} // namespace vorlap::diskimage::udif
