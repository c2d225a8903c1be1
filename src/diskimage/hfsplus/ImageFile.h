#pragma once
// The output of the writer: a sparse file of the final size under a temporary name
// beside the image, renamed over it only when complete and removed on any failure.
#include "diskimage/DiskImageError.h"

#include <cstdint>
#include <string>

namespace vorlap::diskimage::hfsplus {

class ImageFile {
public:
    // Creates "<folder>/.<name>.XXXXXX" beside `finalPath`, `size` bytes long and sparse.
    static Result<ImageFile> createBeside(const std::string& finalPath, uint64_t size);

    ImageFile(ImageFile&& other) noexcept;
    ImageFile& operator=(ImageFile&&) = delete;
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;
    ~ImageFile(); // removes the temporary file unless committed

    Result<void> writeAt(uint64_t offset, const void* data, size_t length);
    // Writes `length` bytes at `offset`, skipping every block-sized piece that is all
    // zero (the file reads zero there anyway).
    Result<void> writeSparseAt(uint64_t offset, const uint8_t* data, size_t length, size_t blockSize);
    // Copies the regular file at `sourcePath`, which must still be `expectedSize`
    // bytes long, to `offset`, in the kernel where it can and in bounded memory where not.
    Result<void> copyFileAt(const std::string& sourcePath, uint64_t expectedSize, uint64_t offset);

    // Closes the file and renames it to the final path.
    Result<void> commit();

private:
    ImageFile(int fd, std::string temporaryPath, std::string finalPath);

    int m_fd = -1;
    std::string m_temporaryPath;
    std::string m_finalPath;
};

} // namespace vorlap::diskimage::hfsplus
