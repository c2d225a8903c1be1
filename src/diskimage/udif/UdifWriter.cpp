#include "diskimage/udif/UdifWriter.h"

#include "diskimage/Partition.h"
#include "diskimage/hfsplus/VolumeLocator.h"
#include "diskimage/udif/BlockTable.h"
#include "diskimage/udif/Checksum.h"
#include "diskimage/udif/KolyTrailer.h"
#include "diskimage/udif/OutOfMemory.h"
#include "diskimage/udif/OutputFile.h"
#include "diskimage/udif/ParallelEncoder.h"
#include "diskimage/udif/ResourceFork.h"

#include <algorithm>
#include <deque>
#include <random>

namespace vorlap::diskimage::udif {

namespace {

constexpr size_t kCopyBufferSize = size_t{1} << 20;

Result<uint64_t> sectorsOf(ByteSource& disk)
{
    if (disk.size() % kSectorSize != 0)
        return fail(ErrorCode::invalidArgument, "the disk is not a whole number of 512-byte sectors");
    if (disk.size() == 0)
        return fail(ErrorCode::invalidArgument, "the disk is empty");
    return disk.size() / kSectorSize;
}

Result<void> checkLayout(const std::vector<TableLayout>& layout, uint64_t sectors)
{
    if (layout.empty())
        return fail(ErrorCode::invalidArgument, "the image layout has no tables");
    if (layout.size() > kMaxBlockTables)
        return fail(ErrorCode::invalidArgument, "the image layout has too many tables");
    uint64_t next = 0;
    for (const TableLayout& t : layout) {
        if (t.firstSector != next || t.sectorCount == 0 || t.sectorCount > sectors - next)
            return fail(ErrorCode::invalidArgument, "the image layout does not cover the disk in order");
        next += t.sectorCount;
    }
    if (next != sectors)
        return fail(ErrorCode::invalidArgument, "the image layout does not cover the disk in order");
    return {};
}

std::array<uint8_t, 16> randomUuid()
{
    std::random_device device;
    std::array<uint8_t, 16> id{};
    for (size_t i = 0; i < id.size(); i += 4) {
        const uint32_t v = device();
        for (size_t b = 0; b < 4; ++b)
            id[i + b] = static_cast<uint8_t>(v >> (8 * b));
    }
    id[6] = static_cast<uint8_t>((id[6] & 0x0F) | 0x40); // version 4
    id[8] = static_cast<uint8_t>((id[8] & 0x3F) | 0x80); // RFC 4122 variant
    return id;
}

// A UUID (RFC 9562 version 8: laid out by us) from what identifies the content: the
// data fork's and the master checksum, the data fork's length and the sector count.
std::array<uint8_t, 16> contentUuid(uint32_t dataForkCrc, uint32_t masterCrc, uint64_t dataForkLength, uint64_t sectors)
{
    std::array<uint8_t, 16> id{};
    const uint64_t high = (uint64_t{dataForkCrc} << 32) | masterCrc;
    const uint64_t low = dataForkLength * 0x9E3779B97F4A7C15ull ^ sectors;
    for (size_t b = 0; b < 8; ++b) {
        id[b] = static_cast<uint8_t>(high >> (56 - 8 * b));
        id[8 + b] = static_cast<uint8_t>(low >> (56 - 8 * b));
    }
    id[6] = static_cast<uint8_t>((id[6] & 0x0F) | 0x80); // version 8
    id[8] = static_cast<uint8_t>((id[8] & 0x3F) | 0x80); // RFC 4122 variant
    return id;
}

// Running state of one block table while its chunks come back from the encoder.
struct TableInProgress {
    BlockTable table;
    uint32_t crc = 0;
};

class UdzoWriter {
public:
    UdzoWriter(ByteSource& disk, OutputFile& out, const UdzoOptions& options)
        : m_disk(disk), m_out(out), m_options(options), m_encoder(options.threads, options.codec, options.zlibLevel)
    {
    }

    Result<void> write(const std::vector<TableLayout>& layout)
    {
        m_tables.resize(layout.size());
        for (size_t t = 0; t < layout.size(); ++t) {
            BlockTable& table = m_tables[t].table;
            table.firstSector = layout[t].firstSector;
            table.sectorCount = layout[t].sectorCount;
            table.buffersNeeded = m_options.chunkSectors + 8;
            table.blockDescriptors = static_cast<uint32_t>(layout[t].id);
            for (uint64_t s = 0; s < table.sectorCount; s += m_options.chunkSectors) {
                const uint64_t count = std::min<uint64_t>(m_options.chunkSectors, table.sectorCount - s);
                auto chunk = m_encoder.acquire();
                chunk->input.resize(static_cast<size_t>(count * kSectorSize));
                if (auto r =
                        m_disk.readAt((table.firstSector + s) * kSectorSize, chunk->input.data(), chunk->input.size());
                    !r)
                    return r;
                m_queue.push_back({t, s, count});
                m_encoder.submit(std::move(chunk));
                while (m_encoder.inFlight() >= m_encoder.maxInFlight())
                    VORLAP_TRY(storeOldest());
            }
        }
        while (m_encoder.inFlight() > 0)
            VORLAP_TRY(storeOldest());
        return finish(layout);
    }

private:
    struct Pending {
        size_t table;
        uint64_t sector; // relative to the table
        uint64_t count;
    };

    Result<void> storeOldest()
    {
        auto chunk = m_encoder.takeOldest();
        const Pending where = m_queue.front();
        m_queue.pop_front();
        if (chunk->error)
            return unexpected(*chunk->error);
        TableInProgress& progress = m_tables[where.table];
        const uint64_t length = where.count * kSectorSize;
        progress.crc = crc32Combine(progress.crc, chunk->inputCrc, length);

        std::vector<BlockChunk>& chunks = progress.table.chunks;
        if (chunk->type == ChunkType::ZeroFill) {
            if (!chunks.empty() && chunks.back().type == ChunkType::ZeroFill)
                chunks.back().sectorCount += where.count;
            else
                chunks.push_back({ChunkType::ZeroFill, 0, where.sector, where.count, 0, 0});
        } else {
            const std::vector<uint8_t>& stored = chunk->stored();
            chunks.push_back({chunk->type, 0, where.sector, where.count, m_out.position(), stored.size()});
            VORLAP_TRY(m_out.write(stored.data(), stored.size()));
            m_dataForkCrc = crc32Combine(m_dataForkCrc, chunk->storedCrc, stored.size());
        }
        m_encoder.recycle(std::move(chunk));
        return {};
    }

    // A disk of nothing but zeros would leave the data fork empty and put the
    // property list at offset 0, which some readers (dmg2img) take for "no property
    // list". Store its first chunk as (compressed) zeros instead.
    Result<void> storeSomething()
    {
        std::vector<BlockChunk>& chunks = m_tables.front().table.chunks;
        BlockChunk& first = chunks.front();
        const uint64_t count = std::min<uint64_t>(first.sectorCount, m_options.chunkSectors);
        const std::vector<uint8_t> zeros(static_cast<size_t>(count * kSectorSize), 0);
        std::vector<uint8_t> stored;
        const auto encoder = makeChunkEncoder(m_options.codec, m_options.zlibLevel);
        VORLAP_TRY_LET(smaller, encoder->compress(zeros.data(), zeros.size(), stored));
        const ChunkType type = smaller ? m_options.codec : ChunkType::Raw;
        if (!smaller)
            stored = zeros;
        VORLAP_TRY(m_out.write(stored.data(), stored.size()));
        m_dataForkCrc = crc32Update(0, stored.data(), stored.size());
        const BlockChunk rest{ChunkType::ZeroFill, 0, count, first.sectorCount - count, 0, 0};
        first = {type, 0, 0, count, 0, stored.size()};
        if (rest.sectorCount > 0)
            chunks.insert(chunks.begin() + 1, rest);
        return {};
    }

    Result<void> finish(const std::vector<TableLayout>& layout)
    {
        if (m_out.position() == 0)
            VORLAP_TRY(storeSomething());
        const uint64_t dataForkLength = m_out.position();
        std::vector<BlkxEntry> entries;
        std::vector<UdifChecksum> checksums;
        uint64_t sectors = 0;
        for (size_t t = 0; t < m_tables.size(); ++t) {
            BlockTable& table = m_tables[t].table;
            table.checksum = UdifChecksum::crc32(m_tables[t].crc);
            table.chunks.push_back({ChunkType::Terminator, 0, table.sectorCount, 0, dataForkLength, 0});
            checksums.push_back(table.checksum);
            sectors += table.sectorCount;
            BlkxEntry e;
            e.name = layout[t].name;
            e.id = std::to_string(layout[t].id);
            e.data = table.serialize();
            entries.push_back(std::move(e));
        }
        const std::string xml = writeResourceForkPlist(entries);

        KolyTrailer koly;
        koly.dataForkOffset = 0;
        koly.dataForkLength = dataForkLength;
        const uint32_t master = *masterChecksum(checksums);
        koly.segmentId =
            m_options.contentDerivedId ? contentUuid(m_dataForkCrc, master, dataForkLength, sectors) : randomUuid();
        koly.dataForkChecksum = UdifChecksum::crc32(m_dataForkCrc);
        koly.xmlOffset = m_out.position();
        koly.xmlLength = xml.size();
        koly.masterChecksum = UdifChecksum::crc32(master);
        koly.sectorCount = sectors;
        VORLAP_TRY(m_out.write(xml.data(), xml.size()));
        const auto trailer = koly.serialize();
        return m_out.write(trailer.data(), trailer.size());
    }

    ByteSource& m_disk;
    OutputFile& m_out;
    UdzoOptions m_options;
    ParallelEncoder m_encoder;
    std::vector<TableInProgress> m_tables;
    std::deque<Pending> m_queue; // where each submitted chunk belongs, oldest first
    uint32_t m_dataForkCrc = 0;
};

bool writesChunksAs(ChunkType codec)
{
    return codec == ChunkType::Zlib || codec == ChunkType::Bzip2 || codec == ChunkType::Lzma || codec == ChunkType::Raw;
}

Result<void> writeUdzoImage(ByteSource& disk, const std::vector<TableLayout>& layout, const std::string& outputPath,
                            UdzoOptions options)
{
    if (options.zlibLevel == kDefaultZlibLevelChoice)
        options.zlibLevel = defaultZlibLevel();
    if (options.zlibLevel < 1 || options.zlibLevel > kMaxZlibLevel)
        return fail(ErrorCode::invalidArgument, "zlib level must be 1 to 12");
    if (!writesChunksAs(options.codec))
        return fail(ErrorCode::invalidArgument,
                    "images cannot be written with " + chunkTypeName(options.codec) + " chunks");
    if (options.chunkSectors < 1 || options.chunkSectors > kDefaultChunkSectors)
        return fail(ErrorCode::invalidArgument, "chunk size must be 1 to 2048 sectors");
    VORLAP_TRY_LET(sectors, sectorsOf(disk));
    VORLAP_TRY(checkLayout(layout, sectors));
    VORLAP_TRY_LET(out, OutputFile::create(outputPath));
    {
        UdzoWriter writer(disk, out, options);
        VORLAP_TRY(writer.write(layout));
    }
    return out.commit();
}

Result<void> writeUdrwImage(ByteSource& disk, const std::vector<TableLayout>& layout, const std::string& outputPath)
{
    VORLAP_TRY_LET(sectors, sectorsOf(disk));
    VORLAP_TRY(checkLayout(layout, sectors));
    VORLAP_TRY_LET(trailer, udrwTrailer(layout));
    VORLAP_TRY_LET(out, OutputFile::create(outputPath));
    std::vector<uint8_t> buffer(kCopyBufferSize);
    const std::vector<uint8_t> zeros(kCopyBufferSize, 0);
    for (uint64_t offset = 0; offset < disk.size(); offset += buffer.size()) {
        const size_t length = static_cast<size_t>(std::min<uint64_t>(buffer.size(), disk.size() - offset));
        VORLAP_TRY(disk.readAt(offset, buffer.data(), length));
        if (std::equal(buffer.begin(), buffer.begin() + static_cast<long>(length), zeros.begin())) {
            out.skip(length);
            continue;
        }
        VORLAP_TRY(out.write(buffer.data(), length));
    }
    VORLAP_TRY(out.write(trailer.data(), trailer.size()));
    return out.commit();
}

} // namespace

Result<std::vector<TableLayout>> wholeDiskLayout(ByteSource& disk)
{
    VORLAP_TRY_LET(sectors, sectorsOf(disk));
    const bool hfsx = hfsplus::volumeSignature(disk, wholeDiskPartition(disk.size())) == hfsplus::VolumeSignature::Hfsx;
    return wholeDiskLayout(sectors, hfsx);
}

std::vector<TableLayout> wholeDiskLayout(uint64_t sectors, bool hfsx)
{
    const Partition whole = wholeDiskPartition(sectors * kSectorSize);
    const std::string name = partitionName(whole.name, hfsx ? "Apple_HFSX" : "Apple_HFS", whole.id);
    return {{name, 0, 0, sectors}};
}

Result<void> writeUdzo(ByteSource& disk, const std::string& outputPath, const UdzoOptions& options)
{
    VORLAP_TRY_LET(layout, wholeDiskLayout(disk));
    return writeUdzo(disk, layout, outputPath, options);
}

Result<void> writeUdzo(ByteSource& disk, const std::vector<TableLayout>& layout, const std::string& outputPath,
                       const UdzoOptions& options)
{
    return orOutOfMemory([&] { return writeUdzoImage(disk, layout, outputPath, options); });
}

Result<void> writeUdrw(ByteSource& disk, const std::string& outputPath)
{
    VORLAP_TRY_LET(layout, wholeDiskLayout(disk));
    return writeUdrw(disk, layout, outputPath);
}

Result<void> writeUdrw(ByteSource& disk, const std::vector<TableLayout>& layout, const std::string& outputPath)
{
    return orOutOfMemory([&] { return writeUdrwImage(disk, layout, outputPath); });
}

Result<std::string> udrwTrailer(const std::vector<TableLayout>& layout, std::optional<uint64_t> contentHash)
{
    const uint64_t sectors = layout.empty() ? 0 : layout.back().firstSector + layout.back().sectorCount;
    VORLAP_TRY(checkLayout(layout, sectors));
    const uint64_t dataForkLength = sectors * kSectorSize;
    std::vector<BlkxEntry> entries;
    for (const TableLayout& t : layout) {
        BlockTable table;
        table.firstSector = t.firstSector;
        table.sectorCount = t.sectorCount;
        table.buffersNeeded = kDefaultChunkSectors + 8;
        table.blockDescriptors = static_cast<uint32_t>(t.id);
        for (uint64_t s = 0; s < t.sectorCount; s += kDefaultChunkSectors) {
            const uint64_t count = std::min<uint64_t>(kDefaultChunkSectors, t.sectorCount - s);
            table.chunks.push_back(
                {ChunkType::Raw, 0, s, count, (t.firstSector + s) * kSectorSize, count * kSectorSize});
        }
        table.chunks.push_back({ChunkType::Terminator, 0, t.sectorCount, 0, dataForkLength, 0});
        BlkxEntry e;
        e.name = t.name;
        e.id = std::to_string(t.id);
        e.data = table.serialize();
        entries.push_back(std::move(e));
    }
    std::string bytes = writeResourceForkPlist(entries);

    KolyTrailer koly;
    koly.dataForkOffset = 0;
    koly.dataForkLength = dataForkLength;
    koly.segmentId = contentHash ? contentUuid(static_cast<uint32_t>(*contentHash >> 32),
                                               static_cast<uint32_t>(*contentHash), dataForkLength, sectors)
                                 : randomUuid();
    koly.xmlOffset = dataForkLength;
    koly.xmlLength = bytes.size();
    koly.sectorCount = sectors;
    const auto trailer = koly.serialize();
    bytes.append(reinterpret_cast<const char*>(trailer.data()), trailer.size());
    return bytes;
}

} // namespace vorlap::diskimage::udif
