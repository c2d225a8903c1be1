#pragma once
// Turning one chunk's stored bytes into sectors and back: zlib both ways, ADC for
// reading; zero, ignore and raw chunks need no codec.
#include "diskimage/DiskImageError.h"
#include "diskimage/udif/BlockTable.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct z_stream_s;

namespace vorlap::diskimage::udif {

// Fails, naming the format, for chunk types this reader cannot decode
// (bzip2, LZFSE, LZMA, unknown types).
Result<void> checkChunkTypeSupported(ChunkType type);

// Decodes a data-bearing chunk into exactly `outLength` bytes. A zlib chunk must be
// one complete zlib stream using all `storedLength` bytes.
Result<void> decodeChunk(ChunkType type, const uint8_t* stored, size_t storedLength, uint8_t* out,
                         size_t outLength);

// The most a zlib stream of `storedLength` bytes can expand to (deflate's limit is
// 1032:1), so that a table cannot make a reader allocate for data it does not hold.
uint64_t maxZlibOutput(uint64_t storedLength);

// One reusable zlib compressor (a worker thread keeps one for all its chunks).
class ZlibEncoder {
public:
    explicit ZlibEncoder(int level);
    ~ZlibEncoder();
    ZlibEncoder(const ZlibEncoder&) = delete;
    ZlibEncoder& operator=(const ZlibEncoder&) = delete;

    // Compresses `length` bytes as one complete zlib stream into `out`. Returns false
    // (and leaves `out` unspecified) when the result would not be smaller than the
    // input: such a chunk is stored raw.
    Result<bool> compress(const uint8_t* data, size_t length, std::vector<uint8_t>& out);

private:
    z_stream_s* m_stream;
    bool m_ready = false;
    int m_level;
};

} // namespace vorlap::diskimage::udif
