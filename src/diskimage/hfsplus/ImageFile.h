#pragma once
// The output of the writer: a sparse file of the final size under a temporary name
// beside the image, renamed over it only when complete and removed on any failure.
// Flushed to disk before the rename, so a crash cannot publish a half-written image.
#include "diskimage/DiskImageError.h"
#include "diskimage/StagedFile.h"

#include <cstdint>
#include <string>

namespace vorlap::diskimage::hfsplus {

class ImageFile {
public:
    // Creates the temporary file beside `finalPath`, `size` bytes long and sparse.
    static Result<ImageFile> createBeside(const std::string& finalPath, uint64_t size);

    Result<void> writeAt(uint64_t offset, const void* data, size_t length) { return m_file.writeAt(offset, data, length); }
    // Writes `length` bytes at `offset`, skipping every block-sized piece that is all
    // zero (the file reads zero there anyway).
    Result<void> writeSparseAt(uint64_t offset, const uint8_t* data, size_t length, size_t blockSize);
    // Copies the regular file at `sourcePath`, which must still be `expectedSize`
    // bytes long, to `offset`, in the kernel where it can and in bounded memory where not.
    Result<void> copyFileAt(const std::string& sourcePath, uint64_t expectedSize, uint64_t offset);

    // Closes the file and renames it, flushed, to the final path.
    Result<void> commit() { return m_file.commitDurably(); }

private:
    explicit ImageFile(StagedFile file) : m_file(std::move(file)) {}

    StagedFile m_file;
};

} // namespace vorlap::diskimage::hfsplus
