#pragma once
// The allocation file: one bit per allocation block, most significant bit first
// (TN1150 "Allocation File"). The writer marks what it allocates; the reader uses
// the same map to refuse blocks claimed twice.
#include <cstdint>
#include <vector>

namespace vorlap::diskimage::hfsplus {

class AllocationBitmap {
public:
    explicit AllocationBitmap(uint32_t totalBlocks);

    uint32_t totalBlocks() const { return m_totalBlocks; }
    // Marks [first, first + count) used. False (and nothing marked past the first
    // conflict) when the range leaves the volume or a block is already in use.
    bool markUsed(uint64_t first, uint64_t count);
    bool isUsed(uint32_t block) const;
    uint64_t usedCount() const { return m_used; }

    // The on-disk bytes: ceil(totalBlocks / 8) bytes, zero-padded to `length`.
    std::vector<uint8_t> bytes(uint64_t length) const;

private:
    uint32_t m_totalBlocks;
    uint64_t m_used = 0;
    std::vector<uint8_t> m_bits;
};

// Bytes the allocation file occupies on disk, rounded up to whole blocks.
uint64_t allocationFileBytes(uint32_t totalBlocks, uint32_t blockSize);

} // namespace vorlap::diskimage::hfsplus
