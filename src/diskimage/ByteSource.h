#pragma once
// Random-access reading of a disk or volume, whatever holds it: a raw image file, a
// slice of one (a partition), or a compressed disk image decoded on demand.
#include "diskimage/DiskImageError.h"
#include "diskimage/FileIo.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vorlap::diskimage {

// True when [offset, offset + length) lies inside [0, size), whatever the numbers.
inline bool rangeInside(uint64_t offset, uint64_t length, uint64_t size)
{
    return offset <= size && length <= size - offset;
}

class ByteSource {
public:
    virtual ~ByteSource() = default;

    virtual uint64_t size() const = 0;

    // Reads exactly `length` bytes starting at `offset`. Fails, reading nothing useful,
    // when the range does not lie inside the source or the underlying read fails.
    virtual Result<void> readAt(uint64_t offset, void* buffer, size_t length) = 0;
};

// A regular file, read with pread.
class FileByteSource final : public ByteSource {
public:
    static Result<std::unique_ptr<FileByteSource>> open(const std::string& path);

    uint64_t size() const override { return m_size; }
    Result<void> readAt(uint64_t offset, void* buffer, size_t length) override;

private:
    FileByteSource(posix::UniqueFd fd, uint64_t size, std::string path);

    posix::UniqueFd m_fd;
    uint64_t m_size;
    std::string m_path;
};

// The bytes [offset, offset + length) of another source, seen from 0.
class SliceByteSource final : public ByteSource {
public:
    // Fails when the slice does not lie inside `parent`.
    static Result<std::unique_ptr<SliceByteSource>> make(ByteSource& parent, uint64_t offset, uint64_t length);

    uint64_t size() const override { return m_length; }
    Result<void> readAt(uint64_t offset, void* buffer, size_t length) override;

private:
    SliceByteSource(ByteSource& parent, uint64_t offset, uint64_t length)
        : m_parent(parent), m_offset(offset), m_length(length) {}

    ByteSource& m_parent;
    uint64_t m_offset;
    uint64_t m_length;
};

} // namespace vorlap::diskimage
