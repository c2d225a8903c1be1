#pragma once
// Partition maps written byte by byte into a disk, for the tests that must find the
// volume in them again: only the fields readers look at. Header-only, so that the
// fuzz targets can build their seeds with it too.
#include "common/BigEndian.h"

#include <cstdint>
#include <cstring>

namespace vorlap::test {

inline void putLE(uint8_t* p, uint64_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// A GUID partition table header in sector 1 with `count` entries of 128 bytes from
// sector 2, entry `index` of them an HFS+ partition over sectors first...last.
inline void putGptWithHfs(uint8_t* disk, uint32_t count, uint32_t index, uint64_t first, uint64_t last)
{
    static const uint8_t hfsType[16] = {0x00, 0x53, 0x46, 0x48, 0x00, 0x00, 0xAA, 0x11,
                                        0xAA, 0x11, 0x00, 0x30, 0x65, 0x43, 0xEC, 0xAC};
    std::memcpy(disk + 512, "EFI PART", 8);
    putLE(disk + 512 + 72, 2, 8);
    putLE(disk + 512 + 80, count, 4);
    putLE(disk + 512 + 84, 128, 4);
    uint8_t* entry = disk + 1024 + 128 * index;
    std::memcpy(entry, hfsType, 16);
    putLE(entry + 32, first, 8);
    putLE(entry + 40, last, 8);
}

// An Apple partition map entry ("PM") at `entry`: one of `mapBlocks`, `count` blocks
// from block `start`.
inline void putApmEntry(uint8_t* entry, uint32_t mapBlocks, uint32_t start, uint32_t count, const char* name,
                        const char* type)
{
    entry[0] = 'P';
    entry[1] = 'M';
    storeBE32(entry + 4, mapBlocks);
    storeBE32(entry + 8, start);
    storeBE32(entry + 12, count);
    std::strncpy(reinterpret_cast<char*>(entry + 16), name, 32);
    std::strncpy(reinterpret_cast<char*>(entry + 48), type, 32);
}

// MBR entry `index` (0 to 3) of partition type `type`, and the boot signature.
inline void putMbrEntry(uint8_t* disk, int index, uint8_t type, uint32_t first, uint32_t count)
{
    uint8_t* entry = disk + 446 + 16 * index;
    entry[4] = type;
    putLE(entry + 8, first, 4);
    putLE(entry + 12, count, 4);
    disk[510] = 0x55;
    disk[511] = 0xAA;
}

} // namespace vorlap::test
