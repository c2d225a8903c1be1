#pragma once
// A file that appears at its final path complete or not at all: it is written under
// a temporary name in the same folder, flushed to disk and renamed over the target
// by commit(); dropped without commit() (an error, an exception), the temporary file
// is removed and the target is untouched.
#include "diskimage/DiskImageError.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace vorlap::diskimage::udif {

class OutputFile {
public:
    static Result<OutputFile> create(const std::string& finalPath);
    ~OutputFile();
    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&&) = delete;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Appends at the current position.
    Result<void> write(const void* data, size_t length);
    // Moves the position forward without writing: the gap reads as zeros (a hole
    // where the file system supports them).
    void skip(uint64_t length) { m_position += length; }
    uint64_t position() const { return m_position; }

    // Sets the final length to the current position, flushes, renames.
    Result<void> commit();

    const std::string& temporaryPath() const { return m_tempPath; }

private:
    OutputFile(int fd, std::string finalPath, std::string tempPath);
    Unexpected<DiskImageError> systemError(const std::string& path) const;
    void discard();

    int m_fd = -1;
    std::string m_finalPath;
    std::string m_tempPath;
    uint64_t m_position = 0;
    uint64_t m_writebackFrom = 0;
};

} // namespace vorlap::diskimage::udif
