#pragma once
// The HFS+ volume header: 512 bytes at offset 1024 of the volume, with an identical
// copy 1024 bytes before its end (TN1150 "Volume Header").
#include "diskimage/DiskImageError.h"
#include "diskimage/hfsplus/ForkData.h"

#include <array>
#include <cstdint>

namespace vorlap::diskimage::hfsplus {

constexpr uint64_t volumeHeaderOffset = 1024;
constexpr size_t volumeHeaderSize = 512;
constexpr uint16_t hfsPlusSignature = 0x482B; // "H+"
constexpr uint16_t hfsxSignature = 0x4858;    // "HX"

constexpr uint32_t volumeUnmountedBit = 0x00000100;
constexpr uint32_t volumeJournaledBit = 0x00002000;
constexpr uint32_t volumeUnusedNodeFixBit = 0x80000000;

// Catalog node IDs with fixed meanings.
constexpr uint32_t rootParentId = 1;
constexpr uint32_t rootFolderId = 2;
constexpr uint32_t extentsFileId = 3;
constexpr uint32_t catalogFileId = 4;
constexpr uint32_t firstUserId = 16;

struct VolumeHeader {
    uint16_t signature = hfsPlusSignature;
    uint16_t version = 4;
    uint32_t attributes = volumeUnmountedBit | volumeUnusedNodeFixBit;
    uint32_t lastMountedVersion = 0x31302E30; // "10.0": not journaled
    uint32_t journalInfoBlock = 0;
    uint32_t createDate = 0; // local time by convention; we write GMT (offset 0)
    uint32_t modifyDate = 0;
    uint32_t backupDate = 0;
    uint32_t checkedDate = 0;
    uint32_t fileCount = 0;
    uint32_t folderCount = 0; // the root folder is not counted
    uint32_t blockSize = 4096;
    uint32_t totalBlocks = 0;
    uint32_t freeBlocks = 0;
    uint32_t nextAllocation = 0;
    uint32_t rsrcClumpSize = 0;
    uint32_t dataClumpSize = 0;
    uint32_t nextCatalogId = firstUserId;
    uint32_t writeCount = 0;
    uint64_t encodingsBitmap = 1; // MacRoman only
    std::array<uint32_t, 8> finderInfo{};
    ForkData allocationFile;
    ForkData extentsFile;
    ForkData catalogFile;
    ForkData attributesFile;
    ForkData startupFile;

    std::array<uint8_t, volumeHeaderSize> encode() const;
    // Decodes and checks what a reader relies on: signature and version, a power-of-two
    // block size of at least 512, a non-zero block count.
    static Result<VolumeHeader> decode(const uint8_t* in);
};

} // namespace vorlap::diskimage::hfsplus
