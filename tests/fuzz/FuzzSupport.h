#pragma once
// What the fuzz targets share: the input seen as a disk, and whole-file reads and
// writes for building seeds.
#include "diskimage/ByteSource.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace vorlap::fuzz {

// Bytes the caller keeps alive, read as a disk.
class MemorySource final : public diskimage::ByteSource {
public:
    MemorySource(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    uint64_t size() const override { return m_size; }
    diskimage::Result<void> readAt(uint64_t offset, void* buffer, size_t length) override
    {
        if (!diskimage::rangeInside(offset, length, m_size))
            return diskimage::fail(diskimage::ErrorCode::corrupt, "read past the end");
        std::memcpy(buffer, m_data + offset, length);
        return {};
    }

private:
    const uint8_t* m_data;
    size_t m_size;
};

inline void writeWholeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string readWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace vorlap::fuzz
