#include "diskimage/PartitionMap.h"

#include "common/BigEndian.h"

#include <array>
#include <cstdio>
#include <cstring>

namespace vorlap::diskimage {

namespace {

constexpr uint64_t kSector = 512;

struct KnownGuid {
    std::array<uint8_t, 16> bytes; // as stored: first three fields little-endian
    const char* type;
};

// 48465300-0000-11AA-AA11-00306543ECAC and friends.
const KnownGuid kGuids[] = {
    {{0x00, 0x53, 0x46, 0x48, 0x00, 0x00, 0xAA, 0x11, 0xAA, 0x11, 0x00, 0x30, 0x65, 0x43, 0xEC, 0xAC}, "Apple_HFS"},
    {{0xEF, 0x57, 0x34, 0x7C, 0x00, 0x00, 0xAA, 0x11, 0xAA, 0x11, 0x00, 0x30, 0x65, 0x43, 0xEC, 0xAC}, "Apple_APFS"},
    {{0x28, 0x73, 0x2A, 0xC1, 0x1F, 0xF8, 0xD2, 0x11, 0xBA, 0x4B, 0x00, 0xA0, 0xC9, 0x3E, 0xC9, 0x3B}, "EFI"},
};

std::string guidText(const uint8_t* g)
{
    char s[40];
    std::snprintf(s, sizeof s, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", loadLE32(g),
                  unsigned(g[4] | (g[5] << 8)), unsigned(g[6] | (g[7] << 8)), g[8], g[9], g[10], g[11], g[12], g[13],
                  g[14], g[15]);
    return s;
}

std::string printable(const uint8_t* p, size_t n)
{
    std::string s;
    for (size_t i = 0; i < n && p[i] != 0; ++i)
        s += (p[i] >= 0x20 && p[i] < 0x7F) ? static_cast<char>(p[i]) : '?';
    return s;
}

std::string utf16leName(const uint8_t* p, size_t units)
{
    std::string s;
    for (size_t i = 0; i < units; ++i) {
        const uint16_t c = static_cast<uint16_t>(p[2 * i] | (p[2 * i + 1] << 8));
        if (c == 0)
            break;
        s += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    }
    return s;
}

Partition makePartition(const std::string& label, const std::string& type, size_t index, uint64_t first,
                        uint64_t count)
{
    Partition p;
    p.name = partitionName(label, type, std::to_string(index));
    p.type = type;
    p.id = std::to_string(index);
    p.firstSector = first;
    p.sectorCount = count;
    return p;
}

Result<std::vector<Partition>> readGpt(ByteSource& disk, const uint8_t* header)
{
    const uint64_t sectors = disk.size() / kSector;
    const uint64_t entriesLba = loadLE64(header + 72);
    const uint32_t count = loadLE32(header + 80);
    const uint32_t entrySize = loadLE32(header + 84);
    if (count > kMaxMapEntries * 4 || entrySize < 128 || entrySize > 4096 || entrySize % 8 != 0)
        return fail(ErrorCode::corrupt, "the GUID partition table is damaged");
    const uint64_t bytes = uint64_t{count} * entrySize;
    if (entriesLba >= sectors || bytes > (sectors - entriesLba) * kSector)
        return fail(ErrorCode::corrupt, "the GUID partition table lies outside the disk");
    std::vector<uint8_t> table(static_cast<size_t>(bytes));
    VORLAP_TRY(disk.readAt(entriesLba * kSector, table.data(), table.size()));

    std::vector<Partition> out;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* e = table.data() + size_t{i} * entrySize;
        static const uint8_t unused[16] = {};
        if (std::memcmp(e, unused, 16) == 0)
            continue;
        const uint64_t first = loadLE64(e + 32);
        const uint64_t last = loadLE64(e + 40);
        if (first > last || last >= sectors)
            return fail(ErrorCode::corrupt, "a GUID partition lies outside the disk");
        std::string type = guidText(e);
        for (const KnownGuid& k : kGuids)
            if (std::memcmp(e, k.bytes.data(), 16) == 0)
                type = k.type;
        out.push_back(makePartition(utf16leName(e + 56, 36), type, i + 1, first, last - first + 1));
        if (out.size() > kMaxMapEntries)
            return fail(ErrorCode::corrupt, "the GUID partition table lists too many partitions");
    }
    return out;
}

// The block size of an Apple partition map, 0 when there is none: the driver
// descriptor's ("ER" at sector 0) when the map starts at its second block, else 512.
// Disk images keep 512-byte entries whatever the descriptor says.
uint64_t apmBlockSize(ByteSource& disk, const uint8_t* head)
{
    if (head[0] == 'E' && head[1] == 'R') {
        const uint16_t size = loadBE16(head + 2);
        uint8_t entry[2];
        if (size > kSector && size <= 4096 && (size & (size - 1)) == 0 && disk.size() >= 2 * uint64_t{size} &&
            disk.readAt(size, entry, sizeof entry) && entry[0] == 'P' && entry[1] == 'M')
            return size;
    }
    return head[kSector] == 'P' && head[kSector + 1] == 'M' ? kSector : 0;
}

Result<std::vector<Partition>> readApm(ByteSource& disk, uint64_t blockSize)
{
    const uint64_t blocks = disk.size() / blockSize;
    std::vector<Partition> out;
    uint64_t mapBlocks = 1;
    for (uint64_t b = 1; b <= mapBlocks; ++b) {
        if (b >= blocks)
            return fail(ErrorCode::corrupt, "the Apple partition map lies outside the disk");
        uint8_t e[512];
        VORLAP_TRY(disk.readAt(b * blockSize, e, sizeof e));
        if (e[0] != 'P' || e[1] != 'M')
            return fail(ErrorCode::corrupt, "the Apple partition map is damaged");
        if (b == 1) {
            mapBlocks = loadBE32(e + 4);
            if (mapBlocks == 0 || mapBlocks > kMaxMapEntries)
                return fail(ErrorCode::corrupt, "the Apple partition map is damaged");
        }
        const uint64_t start = loadBE32(e + 8);
        const uint64_t count = loadBE32(e + 12);
        if (start + count > blocks)
            return fail(ErrorCode::corrupt, "an Apple partition lies outside the disk");
        const std::string type = printable(e + 48, 32);
        if (type == "Apple_Free" || count == 0)
            continue;
        const uint64_t perBlock = blockSize / kSector;
        out.push_back(makePartition(printable(e + 16, 32), type, static_cast<size_t>(b), start * perBlock,
                                    count * perBlock));
    }
    return out;
}

Result<std::vector<Partition>> readMbr(ByteSource& disk, const uint8_t* mbr)
{
    const uint64_t sectors = disk.size() / kSector;
    std::vector<Partition> out;
    for (size_t i = 0; i < 4; ++i) {
        const uint8_t* e = mbr + 446 + 16 * i;
        if (e[0] != 0x00 && e[0] != 0x80)
            return std::vector<Partition>{}; // not a partition table after all
        const uint8_t type = e[4];
        const uint64_t first = loadLE32(e + 8);
        const uint64_t count = loadLE32(e + 12);
        if (type == 0 || count == 0)
            continue;
        if (first + count > sectors)
            return std::vector<Partition>{};
        char name[24];
        std::snprintf(name, sizeof name, "MBR type 0x%02X", type);
        out.push_back(makePartition("", type == 0xAF ? "Apple_HFS" : name, i + 1, first, count));
    }
    return out;
}

} // namespace

Result<std::vector<Partition>> readPartitionMap(ByteSource& disk)
{
    if (disk.size() < 2 * kSector)
        return std::vector<Partition>{};
    uint8_t head[2 * kSector];
    VORLAP_TRY(disk.readAt(0, head, sizeof head));
    if (std::memcmp(head + kSector, "EFI PART", 8) == 0)
        return readGpt(disk, head + kSector);
    if (const uint64_t blockSize = apmBlockSize(disk, head); blockSize != 0)
        return readApm(disk, blockSize);
    if (head[510] == 0x55 && head[511] == 0xAA)
        return readMbr(disk, head);
    return std::vector<Partition>{};
}

} // namespace vorlap::diskimage
