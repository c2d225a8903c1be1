#pragma once
// A file that appears at its final path complete or not at all: it is written under
// a hidden temporary name in the same folder and renamed over the target by
// commit(); dropped without commit() (an error, an exception), the temporary file is
// removed and the target is untouched. Whether to flush before the rename is the
// owner's choice.
#include "diskimage/DiskImageError.h"
#include "diskimage/FileIo.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace vorlap::diskimage {

class StagedFile {
public:
    // Creates ".<name>.partial-<random>" beside `finalPath`, mode 0666 less the umask.
    // Fails when `finalPath` names a folder or anything else that is not a regular file.
    static Result<StagedFile> create(const std::string& finalPath);

    StagedFile(StagedFile&& other) noexcept;
    StagedFile& operator=(StagedFile&&) = delete;
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;
    ~StagedFile(); // removes the temporary file unless committed

    int fd() const { return m_fd.get(); }
    const std::string& finalPath() const { return m_finalPath; }
    // The folder the file is in, for flushing the rename.
    std::string folder() const;

    // Writes all of `data` at `offset`.
    Result<void> writeAt(uint64_t offset, const void* data, size_t length);

    // Closes the file and renames it to the final path.
    Result<void> commit();
    // The same, with the file flushed to disk before the rename and its folder after
    // it, so that a crash leaves either the old file or the whole new one.
    Result<void> commitDurably();

private:
    StagedFile(int fd, std::string finalPath, std::string temporaryPath);

    posix::UniqueFd m_fd;
    std::string m_finalPath;
    std::string m_temporaryPath;
};

} // namespace vorlap::diskimage
