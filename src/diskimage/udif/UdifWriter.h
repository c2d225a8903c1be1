#pragma once
// Writing disk images: a raw disk (any ByteSource) as a UDIF image laid out like
// macOS's disk-image tool does it (UDZO, UDBZ, ULMO: compressed chunks; UDRO: raw
// ones), or as a read/write UDRW image: the sectors in place, then a UDIF trailer.
#include "diskimage/ByteSource.h"
#include "diskimage/DiskImageError.h"
#include "diskimage/udif/BlockTable.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorlap::diskimage::udif {

// 1 MiB, as current macOS writes UDZO; the chunk size macOS uses for UDBZ and ULMO is
// not documented, and ours serves them as well.
inline constexpr uint32_t kDefaultChunkSectors = 2048;
inline constexpr int kDefaultZlibLevelChoice = 0; // defaultZlibLevel() (ChunkCodec.h)

struct UdzoOptions {
    ChunkType codec = ChunkType::Zlib;            // Zlib (UDZO), Bzip2 (UDBZ), Lzma (ULMO), Raw (UDRO)
    int zlibLevel = kDefaultZlibLevelChoice;      // UDZO: 1..12 (ChunkCodec.h), or the default
    unsigned threads = 0;                         // compression threads; 0: one per core
    uint32_t chunkSectors = kDefaultChunkSectors; // 1..2048
    // The image's UUID from its checksums and size rather than at random, so the same
    // disk gives the same bytes (reproducible builds).
    bool contentDerivedId = false;
};

// One block table of the image: a named run of sectors (a partition or a piece of
// the partition map). The tables of an image cover the disk in order, without gaps.
struct TableLayout {
    std::string name; // "whole disk (Apple_HFS : 0)"
    int32_t id = 0;   // the plist ID; -1 for the first table of a partitioned disk
    uint64_t firstSector = 0;
    uint64_t sectorCount = 0;
};

// The layout without partition map: one table for the whole disk, named
// "whole disk (Apple_HFS : 0)" ("Apple_HFSX" when the volume is case-sensitive HFSX).
Result<std::vector<TableLayout>> wholeDiskLayout(ByteSource& disk);
std::vector<TableLayout> wholeDiskLayout(uint64_t sectors, bool hfsx);

// Writes `disk` (a whole number of 512-byte sectors) as a UDIF image of the options'
// codec (UDZO unless told) to `outputPath`. Chunks of `chunkSectors` are compressed in
// parallel, the bytes the same whatever the thread count; an all-zero chunk becomes a
// zero-fill entry (runs of them one entry), a chunk the codec cannot shrink is stored
// raw.
// The output appears complete or not at all; an existing file is replaced.
Result<void> writeUdzo(ByteSource& disk, const std::string& outputPath, const UdzoOptions& options = {});
Result<void> writeUdzo(ByteSource& disk, const std::vector<TableLayout>& layout, const std::string& outputPath,
                       const UdzoOptions& options = {});

// Writes `disk` as UDRW: a copy of the disk from the file's first byte (all-zero
// stretches left as holes), followed by udrwTrailer(layout). Without a layout, the
// whole disk is one table.
Result<void> writeUdrw(ByteSource& disk, const std::string& outputPath);
Result<void> writeUdrw(ByteSource& disk, const std::vector<TableLayout>& layout, const std::string& outputPath);

// What follows the sectors of a UDRW image: the property list, whose tables cover the
// disk with raw chunks pointing at the sectors where they lie, and the trailer. A
// read/write image changes in place, so none of its checksums is recorded; the bytes
// depend on the layout alone and the segment ID: random, or from `contentHash` (a
// reproducible volume's fingerprint) when given.
Result<std::string> udrwTrailer(const std::vector<TableLayout>& layout,
                                std::optional<uint64_t> contentHash = std::nullopt);

} // namespace vorlap::diskimage::udif
