#pragma once
// An image file written front to back that appears at its final path complete or
// not at all (see StagedFile); commit() also flushes it to disk before the rename,
// and the folder after it.
#include "diskimage/DiskImageError.h"
#include "diskimage/StagedFile.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace vorlap::diskimage::udif {

class OutputFile {
public:
    static Result<OutputFile> create(const std::string& finalPath);

    // Appends at the current position.
    Result<void> write(const void* data, size_t length);
    // Moves the position forward without writing: the gap reads as zeros (a hole
    // where the file system supports them).
    void skip(uint64_t length) { m_position += length; }
    uint64_t position() const { return m_position; }

    // Sets the final length to the current position, flushes, renames.
    Result<void> commit();

private:
    explicit OutputFile(StagedFile file) : m_file(std::move(file)) {}

    StagedFile m_file;
    uint64_t m_position = 0;
    uint64_t m_writebackFrom = 0;
};

} // namespace vorlap::diskimage::udif
