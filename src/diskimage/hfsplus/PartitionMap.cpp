#include "diskimage/hfsplus/PartitionMap.h"

#include "diskimage/BigEndian.h"

#include <array>
#include <cstring>
#include <vector>

namespace vorlap::diskimage::hfsplus {

namespace {

constexpr uint64_t sector = 512;

uint32_t readLe32(const uint8_t* p) { return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24); }
uint64_t readLe64(const uint8_t* p) { return uint64_t{readLe32(p)} | (uint64_t{readLe32(p + 4)} << 32); }

bool readBytes(ByteSource& disk, uint64_t offset, void* out, size_t length)
{
    return offset <= disk.size() && length <= disk.size() - offset && disk.readAt(offset, out, length).has_value();
}

enum class Signature { None, HfsPlus, Hfsx, Apfs };

Signature signatureAt(ByteSource& disk, uint64_t offset)
{
    uint8_t two[2];
    if (readBytes(disk, offset + 1024, two, 2)) {
        if (two[0] == 'H' && two[1] == '+')
            return Signature::HfsPlus;
        if (two[0] == 'H' && two[1] == 'X')
            return Signature::Hfsx;
    }
    uint8_t four[4];
    if (readBytes(disk, offset + 32, four, 4) && std::memcmp(four, "NXSB", 4) == 0)
        return Signature::Apfs;
    return Signature::None;
}

bool fits(ByteSource& disk, uint64_t offset, uint64_t length)
{
    return length > 0 && offset <= disk.size() && length <= disk.size() - offset;
}

// GUID partition table: the first partition whose type is Apple HFS+.
std::vector<VolumeLocation> gptCandidates(ByteSource& disk)
{
    static constexpr uint8_t hfsType[16] = {0x00, 0x53, 0x46, 0x48, 0x00, 0x00, 0xAA, 0x11,
                                            0xAA, 0x11, 0x00, 0x30, 0x65, 0x43, 0xEC, 0xAC};
    std::vector<VolumeLocation> found;
    uint8_t header[92];
    if (!readBytes(disk, sector, header, sizeof header) || std::memcmp(header, "EFI PART", 8) != 0)
        return found;
    const uint64_t entriesLba = readLe64(header + 72);
    const uint32_t entryCount = std::min<uint32_t>(readLe32(header + 80), 1024);
    const uint32_t entrySize = readLe32(header + 84);
    if (entrySize < 128 || entrySize > 4096 || entriesLba > disk.size() / sector)
        return found;
    std::vector<uint8_t> entry(entrySize);
    for (uint32_t i = 0; i < entryCount; ++i) {
        if (!readBytes(disk, entriesLba * sector + uint64_t{i} * entrySize, entry.data(), entrySize))
            break;
        if (std::memcmp(entry.data(), hfsType, 16) != 0)
            continue;
        const uint64_t first = readLe64(entry.data() + 32), last = readLe64(entry.data() + 40);
        if (last >= first && last < disk.size() / sector)
            found.push_back({first * sector, (last - first + 1) * sector});
    }
    return found;
}

// Apple partition map: entries "PM" from block 1, type "Apple_HFS" or "Apple_HFSX".
std::vector<VolumeLocation> apmCandidates(ByteSource& disk)
{
    std::vector<VolumeLocation> found;
    uint8_t ddm[4];
    uint64_t blockSize = sector;
    if (readBytes(disk, 0, ddm, sizeof ddm) && ddm[0] == 'E' && ddm[1] == 'R') {
        const uint16_t size = loadBE16(ddm + 2);
        if (size >= 512 && size <= 4096 && (size & (size - 1)) == 0)
            blockSize = size;
    }
    uint8_t entry[80];
    if (!readBytes(disk, blockSize, entry, sizeof entry) || entry[0] != 'P' || entry[1] != 'M') {
        if (blockSize == sector)
            return found;
        blockSize = sector; // some maps use 512-byte entries whatever the driver block size says
        if (!readBytes(disk, blockSize, entry, sizeof entry) || entry[0] != 'P' || entry[1] != 'M')
            return found;
    }
    const uint32_t count = std::min<uint32_t>(loadBE32(entry + 4), 256);
    for (uint32_t i = 1; i <= count; ++i) {
        if (!readBytes(disk, blockSize * i, entry, sizeof entry) || entry[0] != 'P' || entry[1] != 'M')
            break;
        char type[33] = {};
        std::memcpy(type, entry + 48, 32);
        if (std::strcmp(type, "Apple_HFS") == 0 || std::strcmp(type, "Apple_HFSX") == 0)
            found.push_back({uint64_t{loadBE32(entry + 8)} * blockSize, uint64_t{loadBE32(entry + 12)} * blockSize});
    }
    return found;
}

// MBR: partitions of type 0xAF.
std::vector<VolumeLocation> mbrCandidates(ByteSource& disk)
{
    std::vector<VolumeLocation> found;
    uint8_t mbr[512];
    if (!readBytes(disk, 0, mbr, sizeof mbr) || mbr[510] != 0x55 || mbr[511] != 0xAA)
        return found;
    for (int i = 0; i < 4; ++i) {
        const uint8_t* p = mbr + 446 + 16 * i;
        if (p[4] == 0xAF)
            found.push_back({uint64_t{readLe32(p + 8)} * sector, uint64_t{readLe32(p + 12)} * sector});
    }
    return found;
}

} // namespace

Result<VolumeLocation> locateHfsVolume(ByteSource& disk)
{
    switch (signatureAt(disk, 0)) {
    case Signature::HfsPlus:
        return VolumeLocation{0, disk.size()};
    case Signature::Hfsx:
        return fail("the volume is HFSX (case-sensitive HFS+), which is not supported");
    case Signature::Apfs:
        return fail("the volume is APFS, not HFS+");
    case Signature::None:
        break;
    }
    bool sawApfs = false;
    for (auto candidates : {gptCandidates(disk), apmCandidates(disk), mbrCandidates(disk)}) {
        for (const VolumeLocation& location : candidates) {
            if (!fits(disk, location.offset, location.length))
                continue;
            const Signature signature = signatureAt(disk, location.offset);
            if (signature == Signature::HfsPlus)
                return location;
            sawApfs = sawApfs || signature == Signature::Apfs;
        }
    }
    if (sawApfs)
        return fail("the disk holds an APFS volume, not HFS+");
    return fail("no HFS+ volume found on the disk");
}

} // namespace vorlap::diskimage::hfsplus
