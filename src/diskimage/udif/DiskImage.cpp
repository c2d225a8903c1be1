#include "diskimage/udif/DiskImage.h"

#include "diskimage/PartitionMap.h"
#include "diskimage/hfsplus/VolumeLocator.h"
#include "diskimage/udif/ChunkCodec.h"
#include "diskimage/udif/KolyTrailer.h"
#include "diskimage/udif/OutOfMemory.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <sys/stat.h>

namespace vorlap::diskimage::udif {

namespace {

constexpr size_t kReadPiece = size_t{1} << 20;

} // namespace

DiskImage::DiskImage(std::unique_ptr<ByteSource> container, std::string displayName)
    : m_container(std::move(container)), m_displayName(std::move(displayName))
{
}

DiskImage::~DiskImage() = default;

Unexpected<DiskImageError> DiskImage::error(ErrorCode code, const std::string& what) const
{
    return fail(code, m_displayName + ": " + what);
}

Unexpected<DiskImageError> DiskImage::errorWithin(const std::string& context, const DiskImageError& cause) const
{
    return failWithin(m_displayName + ": " + context, cause);
}

Result<std::unique_ptr<DiskImage>> DiskImage::open(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        const std::string suffix = ".sparsebundle";
        const std::string trimmed = path.substr(0, path.find_last_not_of('/') + 1);
        if (trimmed.size() >= suffix.size() && trimmed.compare(trimmed.size() - suffix.size(), suffix.size(), suffix) == 0)
            return fail(ErrorCode::unsupported, path + ": sparse bundle images are not supported");
        return fail(ErrorCode::invalidArgument, path + ": is a folder, not a disk image");
    }
    VORLAP_TRY_LET(file, FileByteSource::open(path));
    return open(std::move(file), path);
}

Result<std::unique_ptr<DiskImage>> DiskImage::open(std::unique_ptr<ByteSource> container, std::string displayName)
{
    return orOutOfMemory([&] { return openContainer(std::move(container), std::move(displayName)); });
}

Result<std::unique_ptr<DiskImage>> DiskImage::openContainer(std::unique_ptr<ByteSource> container,
                                                            std::string displayName)
{
    std::unique_ptr<DiskImage> image(new DiskImage(std::move(container), std::move(displayName)));
    ByteSource& file = *image->m_container;
    const uint64_t size = file.size();
    if (size >= kKolySize) {
        uint8_t tail[kKolySize];
        uint8_t head[kKolySize];
        VORLAP_TRY(file.readAt(size - kKolySize, tail, kKolySize));
        VORLAP_TRY(file.readAt(0, head, kKolySize));
        if (KolyTrailer::looksLikeTrailer(tail)) {
            VORLAP_TRY(image->openUdif(size - kKolySize));
            return image;
        }
        if (KolyTrailer::looksLikeTrailer(head)) {
            VORLAP_TRY(image->openUdif(0));
            return image;
        }
        if (std::memcmp(head, "encrcdsa", 8) == 0 || std::memcmp(tail + kKolySize - 8, "cdsaencr", 8) == 0)
            return image->error(ErrorCode::unsupported, "encrypted disk images are not supported");
        if (std::memcmp(head, "sprs", 4) == 0)
            return image->error(ErrorCode::unsupported, "sparse disk images (UDSP) are not supported");
        if (std::memcmp(tail, "koly", 4) == 0)
            return image->error(ErrorCode::unsupported, "unsupported UDIF trailer (version " + std::to_string(tail[7]) + ")");
    }
    // No trailer: a raw disk, which macOS calls a UDRW image. Those are whole
    // sectors; anything else is more likely a UDIF image that lost its end.
    if (size == 0)
        return image->error(ErrorCode::corrupt, "the file is empty");
    if (size % kSectorSize != 0)
        return image->error(ErrorCode::corrupt, "not a disk image: no UDIF trailer, and not a whole number of 512-byte sectors "
                            "(truncated image?)");
    VORLAP_TRY(image->openRaw(0, size));
    return image;
}

Result<void> DiskImage::openRaw(uint64_t offset, uint64_t length)
{
    m_isUdif = false;
    if (m_format.empty())
        m_format = "UDRW";
    m_rawOffset = offset;
    m_size = length;
    m_partitions.clear();
    // A map that does not make sense leaves the disk seen as a whole.
    if (auto map = readPartitionMap(*this); map && !map->empty())
        m_partitions = std::move(*map);
    if (m_partitions.empty()) {
        Partition whole = wholeDiskPartition(m_size);
        const hfsplus::VolumeSignature signature = hfsplus::volumeSignature(*this, whole);
        if (signature == hfsplus::VolumeSignature::HfsPlus || signature == hfsplus::VolumeSignature::Hfsx) {
            whole.type = signature == hfsplus::VolumeSignature::HfsPlus ? "Apple_HFS" : "Apple_HFSX";
            whole.name = partitionName(whole.name, whole.type, whole.id);
        }
        m_partitions.push_back(whole);
    }
    return {};
}

Result<void> DiskImage::openUdif(uint64_t trailerOffset)
{
    VORLAP_TRY_LET(koly, readTrailer(trailerOffset));
    if (koly.xmlLength == 0) {
        if (koly.rsrcForkLength != 0)
            return error(ErrorCode::unsupported, "images without a property list (resource-fork tables) are not supported");
        // Neither property list nor resource fork: the data fork is the disk.
        VORLAP_TRY(checkDataForkChecksum(koly.dataForkOffset, koly.dataForkLength, koly.dataForkChecksum));
        m_format = "UDRO";
        return openRaw(koly.dataForkOffset, koly.dataForkLength);
    }
    VORLAP_TRY_LET(entries, readBlockTableList(koly));
    ParsedTables tables;
    tables.reserve(entries.size());
    for (const BlkxEntry& entry : entries)
        VORLAP_TRY(addTable(entry, koly.dataForkLength, tables));
    VORLAP_TRY_LET(sectors, indexRuns(tables, koly.dataForkOffset));
    if (sectors >= (uint64_t{1} << 54))
        return error(ErrorCode::corrupt, "the disk is too large");
    if (koly.sectorCount != 0 && koly.sectorCount != sectors)
        return error(ErrorCode::corrupt, "the block tables do not add up to the disk size in the trailer");
    m_size = sectors * kSectorSize;
    for (auto& [table, partition] : tables)
        m_partitions.push_back(std::move(partition));

    VORLAP_TRY(checkMasterChecksum(tables, koly.masterChecksum));
    VORLAP_TRY(checkDataForkChecksum(koly.dataForkOffset, koly.dataForkLength, koly.dataForkChecksum));
    m_isUdif = true;
    const auto uses = [&](ChunkType type) {
        return std::any_of(m_runs.begin(), m_runs.end(), [&](const Run& r) { return r.type == type; });
    };
    // Raw chunks that are the sectors where they lie, without checksums (which could
    // not follow changes made in place): a read/write image.
    const bool inPlace = std::all_of(m_runs.begin(), m_runs.end(), [&](const Run& r) {
        return r.type == ChunkType::Raw && r.fileOffset == koly.dataForkOffset + r.firstSector * kSectorSize;
    });
    const bool checksummed =
        koly.masterChecksum.isCrc32() ||
        std::any_of(m_tables.begin(), m_tables.end(), [](const TableRuns& t) { return t.checksum.isCrc32(); });
    m_format = uses(ChunkType::Zlib)     ? "UDZO"
               : uses(ChunkType::Bzip2)  ? "UDBZ"
               : uses(ChunkType::Lzma)   ? "ULMO"
               : uses(ChunkType::Adc)    ? "UDCO"
               : inPlace && !checksummed ? "UDRW"
                                         : "UDRO";
    return {};
}

Result<KolyTrailer> DiskImage::readTrailer(uint64_t trailerOffset)
{
    ByteSource& file = *m_container;
    uint8_t block[kKolySize];
    VORLAP_TRY(file.readAt(trailerOffset, block, kKolySize));
    auto parsed = KolyTrailer::parse(block);
    if (!parsed)
        return errorWithin("", parsed.error());
    const KolyTrailer& koly = *parsed;
    // A trailer at the front (an old variant) leaves the whole file to the forks.
    const uint64_t limit = trailerOffset == 0 && file.size() > kKolySize ? file.size() : trailerOffset;
    if (!rangeInside(koly.dataForkOffset, koly.dataForkLength, limit))
        return error(ErrorCode::corrupt, "the data fork lies outside the file (truncated image?)");
    if (!rangeInside(koly.xmlOffset, koly.xmlLength, limit))
        return error(ErrorCode::corrupt, "the property list lies outside the file (truncated image?)");
    if (koly.segmentCount > 1)
        return error(ErrorCode::unsupported, "segmented disk images are not supported");
    return parsed;
}

Result<std::vector<BlkxEntry>> DiskImage::readBlockTableList(const KolyTrailer& koly)
{
    if (koly.xmlLength > kMaxPlistBytes)
        return error(ErrorCode::corrupt, "the property list is too large");
    std::string xml(static_cast<size_t>(koly.xmlLength), '\0');
    VORLAP_TRY(m_container->readAt(koly.xmlOffset, xml.data(), xml.size()));
    auto entries = readResourceForkPlist(xml);
    if (!entries)
        return errorWithin("", entries.error());
    if (entries->empty())
        return error(ErrorCode::corrupt, "the image has no block tables");
    return entries;
}

// The runs of every table, in disk order; the tables must cover the disk from sector 0
// without gaps or overlaps. Returns the disk's length in sectors.
Result<uint64_t> DiskImage::indexRuns(const ParsedTables& tables, uint64_t dataForkOffset)
{
    std::vector<size_t> order(tables.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return tables[a].first.firstSector < tables[b].first.firstSector; });
    uint64_t next = 0;
    m_tables.resize(tables.size());
    for (const size_t index : order) {
        const BlockTable& table = tables[index].first;
        if (table.firstSector != next)
            return error(ErrorCode::corrupt, "the block tables do not cover the disk without gaps or overlaps");
        next += table.sectorCount;
        TableRuns& runs = m_tables[index];
        runs.name = tables[index].second.name;
        runs.checksum = table.checksum;
        runs.firstRun = m_runs.size();
        for (const BlockChunk& c : table.chunks) {
            if (c.sectorCount == 0 || c.type == ChunkType::Comment || c.type == ChunkType::Terminator)
                continue;
            Run run;
            run.firstSector = table.firstSector + c.sectorNumber;
            run.sectorCount = c.sectorCount;
            run.type = c.type;
            if (chunkHasData(c.type)) {
                run.fileOffset = dataForkOffset + table.dataOffset + c.compressedOffset;
                run.storedLength = c.compressedLength;
            }
            m_runs.push_back(run);
        }
        runs.endRun = m_runs.size();
    }
    return next;
}

Result<void> DiskImage::checkMasterChecksum(const ParsedTables& tables, const UdifChecksum& expected) const
{
    if (!expected.isCrc32())
        return {};
    std::vector<UdifChecksum> checksums;
    for (const auto& [table, partition] : tables)
        checksums.push_back(table.checksum);
    const auto master = masterChecksum(checksums);
    if (master && *master != expected.crc32Value())
        return error(ErrorCode::corrupt, "master checksum mismatch: the image is damaged");
    return {};
}

Result<void> DiskImage::addTable(const BlkxEntry& entry, uint64_t dataForkLength, ParsedTables& tables)
{
    const std::string label = "block table \"" + entry.name + "\": ";
    auto parsed = BlockTable::parse(entry.data.data(), entry.data.size());
    if (!parsed)
        return errorWithin(label, parsed.error());
    BlockTable& table = *parsed;
    if (table.dataOffset > dataForkLength)
        return error(ErrorCode::corrupt, label + "its data lies outside the data fork");
    const uint64_t available = dataForkLength - table.dataOffset;
    for (const BlockChunk& c : table.chunks) {
        if (auto r = checkChunkTypeSupported(c.type); !r)
            return errorWithin(label, r.error());
        if (!chunkHasData(c.type) || c.sectorCount == 0)
            continue;
        if (!rangeInside(c.compressedOffset, c.compressedLength, available))
            return error(ErrorCode::corrupt, label + "a chunk lies outside the data fork");
        const uint64_t bytes = c.sectorCount * kSectorSize;
        if (c.type == ChunkType::Raw) {
            if (c.compressedLength != bytes)
                return error(ErrorCode::corrupt, label + "a raw chunk's length does not match its sectors");
            continue;
        }
        if (bytes > kMaxChunkBytes)
            return error(ErrorCode::corrupt, label + "a compressed chunk is too large (" + std::to_string(c.sectorCount) + " sectors)");
        if (bytes > maxDecodedSize(c.type, c.compressedLength))
            return error(ErrorCode::corrupt, label + "a compressed chunk claims more sectors than its data can hold");
        if (c.compressedLength > bytes + bytes / 64 + 1024)
            return error(ErrorCode::corrupt, label + "a compressed chunk is larger than its data could ever need");
    }
    Partition partition;
    partition.name = entry.name;
    partition.type = partitionTypeFromName(entry.name);
    partition.id = entry.id;
    partition.firstSector = table.firstSector;
    partition.sectorCount = table.sectorCount;
    tables.emplace_back(std::move(table), std::move(partition));
    return {};
}

Result<void> DiskImage::checkDataForkChecksum(uint64_t offset, uint64_t length, const UdifChecksum& expected)
{
    if (!expected.isCrc32())
        return {}; // none recorded (macOS often leaves it out), or a kind we cannot compute
    std::vector<uint8_t> scratch;
    VORLAP_TRY_LET(crc, containerCrc32(0, offset, length, scratch));
    if (crc != expected.crc32Value())
        return error(ErrorCode::corrupt, "data fork checksum mismatch: the image is damaged");
    return {};
}

Result<uint32_t> DiskImage::containerCrc32(uint32_t crc, uint64_t offset, uint64_t length,
                                           std::vector<uint8_t>& scratch)
{
    scratch.resize(static_cast<size_t>(std::min<uint64_t>(length, kReadPiece)));
    for (uint64_t done = 0; done < length;) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(scratch.size(), length - done));
        VORLAP_TRY(m_container->readAt(offset + done, scratch.data(), n));
        crc = crc32Update(crc, scratch.data(), n);
        done += n;
    }
    return crc;
}

Result<void> DiskImage::decodeRunInto(const Run& run, std::vector<uint8_t>& out)
{
    const size_t bytes = static_cast<size_t>(run.sectorCount * kSectorSize);
    m_storedBuffer.resize(static_cast<size_t>(run.storedLength));
    VORLAP_TRY(m_container->readAt(run.fileOffset, m_storedBuffer.data(), m_storedBuffer.size()));
    out.resize(bytes);
    if (auto r = decodeChunk(run.type, m_storedBuffer.data(), m_storedBuffer.size(), out.data(), bytes); !r)
        return errorWithin("sector " + std::to_string(run.firstSector) + ": ", r.error());
    return {};
}

Result<const std::vector<uint8_t>*> DiskImage::decodedRun(size_t run)
{
    ++m_useCounter;
    for (CacheEntry& e : m_cache) {
        if (e.run == run) {
            e.lastUse = m_useCounter;
            return &e.bytes;
        }
    }
    const uint64_t needed = m_runs[run].sectorCount * kSectorSize;
    const auto cachedBytes = [&] {
        uint64_t total = 0;
        for (const CacheEntry& e : m_cache)
            total += e.bytes.size();
        return total;
    };
    std::vector<uint8_t> buffer;
    while (!m_cache.empty() && (m_cache.size() >= kChunkCacheEntries || cachedBytes() + needed > kChunkCacheBytes)) {
        auto oldest = std::min_element(m_cache.begin(), m_cache.end(),
                                       [](const CacheEntry& a, const CacheEntry& b) { return a.lastUse < b.lastUse; });
        buffer = std::move(oldest->bytes); // reuse its memory
        m_cache.erase(oldest);
    }
    VORLAP_TRY(decodeRunInto(m_runs[run], buffer));
    m_cache.push_back({run, m_useCounter, std::move(buffer)});
    return &m_cache.back().bytes;
}

Result<void> DiskImage::readAt(uint64_t offset, void* buffer, size_t length)
{
    return orOutOfMemory([&] { return readRange(offset, buffer, length); });
}

Result<void> DiskImage::readRange(uint64_t offset, void* buffer, size_t length)
{
    if (!rangeInside(offset, length, m_size))
        return error(ErrorCode::invalidArgument, "read past the end of the disk");
    if (!m_isUdif)
        return m_container->readAt(m_rawOffset + offset, buffer, length);

    auto* out = static_cast<uint8_t*>(buffer);
    // The run holding `offset`: the last one starting at or before it.
    size_t index = static_cast<size_t>(
        std::upper_bound(m_runs.begin(), m_runs.end(), offset,
                         [](uint64_t value, const Run& r) { return value < r.firstSector * kSectorSize; })
        - m_runs.begin());
    --index;
    while (length > 0) {
        const Run& run = m_runs[index];
        const uint64_t start = run.firstSector * kSectorSize;
        const uint64_t within = offset - start;
        const size_t n = static_cast<size_t>(std::min<uint64_t>(length, run.sectorCount * kSectorSize - within));
        if (run.type == ChunkType::ZeroFill || run.type == ChunkType::Ignore) {
            std::memset(out, 0, n);
        } else if (run.type == ChunkType::Raw) {
            VORLAP_TRY(m_container->readAt(run.fileOffset + within, out, n));
        } else {
            VORLAP_TRY_LET(decoded, decodedRun(index));
            std::memcpy(out, decoded->data() + within, n);
        }
        out += n;
        offset += n;
        length -= n;
        ++index;
    }
    return {};
}

Result<void> DiskImage::verify()
{
    return orOutOfMemory([&] { return verifyTables(); });
}

Result<void> DiskImage::verifyTables()
{
    if (!m_isUdif)
        return {};
    std::vector<uint8_t> scratch;
    for (const TableRuns& table : m_tables) {
        if (!table.checksum.isCrc32())
            continue;
        uint32_t crc = 0;
        for (size_t i = table.firstRun; i < table.endRun; ++i) {
            const Run& run = m_runs[i];
            const uint64_t bytes = run.sectorCount * kSectorSize;
            if (run.type == ChunkType::Ignore)
                continue;
            if (run.type == ChunkType::ZeroFill) {
                crc = crc32Combine(crc, crc32OfZeros(bytes), bytes);
            } else if (run.type == ChunkType::Raw) {
                VORLAP_TRY_LET(updated, containerCrc32(crc, run.fileOffset, bytes, scratch));
                crc = updated;
            } else {
                VORLAP_TRY(decodeRunInto(run, scratch));
                crc = crc32Update(crc, scratch.data(), scratch.size());
            }
        }
        if (crc != table.checksum.crc32Value())
            return error(ErrorCode::corrupt, "checksum mismatch in \"" + table.name + "\": the image is damaged");
    }
    return {};
}

} // namespace vorlap::diskimage::udif
