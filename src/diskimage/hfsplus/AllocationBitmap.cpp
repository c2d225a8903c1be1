#include "diskimage/hfsplus/AllocationBitmap.h"

namespace vorlap::diskimage::hfsplus {

AllocationBitmap::AllocationBitmap(uint32_t totalBlocks)
    : m_totalBlocks(totalBlocks), m_bits((uint64_t{totalBlocks} + 7) / 8, 0)
{
}

bool AllocationBitmap::markUsed(uint64_t first, uint64_t count)
{
    if (first > m_totalBlocks || count > m_totalBlocks - first)
        return false;
    for (uint64_t block = first; block < first + count; ++block) {
        // Whole bytes at a time where possible.
        if (block % 8 == 0 && first + count - block >= 8) {
            uint8_t& byte = m_bits[block / 8];
            if (byte != 0)
                return false;
            byte = 0xFF;
            m_used += 8;
            block += 7;
            continue;
        }
        uint8_t& byte = m_bits[block / 8];
        const auto mask = static_cast<uint8_t>(0x80u >> (block % 8));
        if (byte & mask)
            return false;
        byte |= mask;
        ++m_used;
    }
    return true;
}

bool AllocationBitmap::isUsed(uint32_t block) const
{
    return block < m_totalBlocks && (m_bits[block / 8] & (0x80u >> (block % 8)));
}

std::vector<uint8_t> AllocationBitmap::bytes(uint64_t length) const
{
    std::vector<uint8_t> out(m_bits);
    out.resize(length, 0);
    return out;
}

uint64_t allocationFileBytes(uint32_t totalBlocks, uint32_t blockSize)
{
    const uint64_t bytes = (uint64_t{totalBlocks} + 7) / 8;
    return (bytes + blockSize - 1) / blockSize * blockSize;
}

} // namespace vorlap::diskimage::hfsplus
