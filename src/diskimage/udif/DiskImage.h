#pragma once
// Reading disk images: a UDIF image (UDZO, UDBZ, ULMO, UDRO, UDCO, UDRW: zlib, bzip2,
// LZMA, raw, ADC, zero and ignore chunks) or a raw disk (whole 512-byte sectors, no
// trailer, read as UDRW too), seen as the virtual disk it holds. Compressed chunks are decoded on
// demand, with a small cache, so a file system reader can work straight from the
// image.
//
// Opening checks the structure against the file (every range inside it, every count
// bounded), the master checksum and the data-fork checksum; verify() checks each
// block table's checksum by decoding everything. A damaged or hostile image fails
// with a message; nothing is allocated beyond what the file itself justifies.
//
// Not thread-safe: one reader at a time.
#include "diskimage/ByteSource.h"
#include "diskimage/DiskImageError.h"
#include "diskimage/Partition.h"
#include "diskimage/udif/BlockTable.h"
#include "diskimage/udif/KolyTrailer.h"
#include "diskimage/udif/ResourceFork.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vorlap::diskimage::udif {

inline constexpr uint64_t kMaxPlistBytes = uint64_t{256} << 20;
inline constexpr uint64_t kMaxChunkBytes = uint64_t{64} << 20;   // decoded size of one compressed chunk
inline constexpr uint64_t kChunkCacheBytes = uint64_t{32} << 20;
inline constexpr size_t kChunkCacheEntries = 8;

class DiskImage final : public ByteSource {
public:
    static Result<std::unique_ptr<DiskImage>> open(const std::string& path);
    // `container` holds the image file's bytes; `displayName` prefixes messages.
    static Result<std::unique_ptr<DiskImage>> open(std::unique_ptr<ByteSource> container, std::string displayName);

    ~DiskImage() override;

    // "UDZO", "UDBZ", "ULMO", "UDCO" or "UDRO" for UDIF images (by the chunk types
    // present); "UDRW" for one whose raw chunks are its sectors in place, unchecksummed,
    // and for a raw disk. A UDRW image's disk can be rewritten where it lies.
    const std::string& formatName() const { return m_format; }
    bool isReadWrite() const { return m_format == "UDRW"; }
    bool isUdif() const { return m_isUdif; }

    // UDIF: the block tables in disk order, named as in the image. Raw disk: the
    // partitions of its partition map, or one "whole disk" entry without a map.
    const std::vector<Partition>& partitions() const { return m_partitions; }

    // Decodes every chunk and compares each block table's checksum (ignore chunks
    // left out, zero fill counted as zeros). A raw disk has nothing to verify.
    Result<void> verify();

    uint64_t size() const override { return m_size; }
    Result<void> readAt(uint64_t offset, void* buffer, size_t length) override;

private:
    struct Run {
        uint64_t firstSector = 0; // absolute on the virtual disk
        uint64_t sectorCount = 0;
        ChunkType type = ChunkType::ZeroFill;
        uint64_t fileOffset = 0;  // where the stored bytes lie in the container
        uint64_t storedLength = 0;
    };
    struct TableRuns {
        size_t firstRun = 0;      // into m_runs
        size_t endRun = 0;
        UdifChecksum checksum;
        std::string name;
    };
    struct CacheEntry {
        size_t run = 0;
        uint64_t lastUse = 0;
        std::vector<uint8_t> bytes;
    };

    DiskImage(std::unique_ptr<ByteSource> container, std::string displayName);
    static Result<std::unique_ptr<DiskImage>> openContainer(std::unique_ptr<ByteSource> container,
                                                            std::string displayName);
    Result<void> readRange(uint64_t offset, void* buffer, size_t length);
    Result<void> verifyTables();
    Result<void> openUdif(uint64_t trailerOffset);
    Result<void> openRaw(uint64_t offset, uint64_t length);
    using ParsedTables = std::vector<std::pair<BlockTable, Partition>>;
    Result<KolyTrailer> readTrailer(uint64_t trailerOffset);
    Result<std::vector<BlkxEntry>> readBlockTableList(const KolyTrailer& koly);
    Result<void> addTable(const BlkxEntry& entry, uint64_t dataForkLength, ParsedTables& tables);
    Result<uint64_t> indexRuns(const ParsedTables& tables, uint64_t dataForkOffset);
    Result<void> checkMasterChecksum(const ParsedTables& tables, const UdifChecksum& expected) const;
    Result<void> checkDataForkChecksum(uint64_t offset, uint64_t length, const UdifChecksum& expected);
    // `crc` continued over `length` bytes of the container from `offset`.
    Result<uint32_t> containerCrc32(uint32_t crc, uint64_t offset, uint64_t length, std::vector<uint8_t>& scratch);
    Result<const std::vector<uint8_t>*> decodedRun(size_t run);
    Result<void> decodeRunInto(const Run& run, std::vector<uint8_t>& out);
    Unexpected<DiskImageError> error(ErrorCode code, const std::string& what) const;
    Unexpected<DiskImageError> errorWithin(const std::string& context, const DiskImageError& cause) const;

    std::unique_ptr<ByteSource> m_container;
    std::string m_displayName;
    std::string m_format;
    bool m_isUdif = false;
    uint64_t m_size = 0;
    uint64_t m_rawOffset = 0;           // raw disk: where it starts in the container
    std::vector<Partition> m_partitions;
    std::vector<Run> m_runs;            // UDIF: sorted, covering the disk
    std::vector<TableRuns> m_tables;    // UDIF: in image order
    std::vector<CacheEntry> m_cache;
    uint64_t m_useCounter = 0;
    std::vector<uint8_t> m_storedBuffer;
};

} // namespace vorlap::diskimage::udif
