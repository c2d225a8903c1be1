#pragma once
// Extent descriptors and the 80-byte fork data record (TN1150 "Fork Data Structure").
#include <array>
#include <cstddef>
#include <cstdint>

namespace vorlap::diskimage::hfsplus {

struct ExtentDescriptor {
    uint32_t startBlock = 0;
    uint32_t blockCount = 0;
};

using ExtentRecord = std::array<ExtentDescriptor, 8>;

constexpr size_t forkDataSize = 80;
constexpr size_t extentRecordSize = 64;

struct ForkData {
    uint64_t logicalSize = 0;
    uint32_t clumpSize = 0;
    uint32_t totalBlocks = 0;
    ExtentRecord extents{};

    // A fork of `blockCount` blocks in one run from `startBlock` (none when empty).
    static ForkData contiguous(uint64_t logicalSize, uint32_t startBlock, uint32_t blockCount, uint32_t clumpSize = 0);

    void encode(uint8_t* out) const;
    static ForkData decode(const uint8_t* in);
};

void encodeExtentRecord(const ExtentRecord& record, uint8_t* out);
ExtentRecord decodeExtentRecord(const uint8_t* in);

} // namespace vorlap::diskimage::hfsplus
