#pragma once
// Turning one chunk's stored bytes into sectors and back: zlib (through libdeflate
// where the build has it), bzip2 and LZMA both ways, ADC for reading; zero, ignore
// and raw chunks need no codec.
#include "diskimage/DiskImageError.h"
#include "diskimage/udif/BlockTable.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace vorlap::diskimage::udif {

// zlib-level=N of UDZO images: libdeflate's levels 1 to 12 (N is the level), or zlib's
// 1 to 9 without libdeflate (10 to 12 become 9).
inline constexpr int kMaxZlibLevel = 12;
// libdeflate 6 writes smaller chunks than zlib 9 at a higher speed than zlib 1;
// plain zlib keeps the disk-image tool's default of 1.
int defaultZlibLevel();
// True when zlib chunks go through libdeflate.
bool zlibUsesLibdeflate();

// Fails, naming the format, for chunk types this reader cannot decode (LZFSE,
// unknown types).
Result<void> checkChunkTypeSupported(ChunkType type);

// Decodes a data-bearing chunk into exactly `outLength` bytes. A compressed chunk must
// be one complete stream of its codec using all `storedLength` bytes; one that would
// decode to more is refused without writing past `out`.
Result<void> decodeChunk(ChunkType type, const uint8_t* stored, size_t storedLength, uint8_t* out,
                         size_t outLength);

// The most a chunk of `storedLength` stored bytes can honestly decode to, so that a
// table cannot make a reader allocate for data it does not hold.
uint64_t maxDecodedSize(ChunkType type, uint64_t storedLength);

// One reusable compressor for one codec (a worker thread keeps one for all its chunks).
class ChunkEncoder {
public:
    virtual ~ChunkEncoder() = default;
    // Compresses `length` (1 byte to 1 GiB) bytes as one complete stream into `out`.
    // Returns false (and leaves `out` unspecified) when the result would not be
    // smaller than the input: such a chunk is stored raw.
    Result<bool> compress(const uint8_t* data, size_t length, std::vector<uint8_t>& out);

private:
    // `length` is in range here.
    virtual Result<bool> compressChunk(const uint8_t* data, size_t length, std::vector<uint8_t>& out) = 0;
};

// `type` Zlib (at `zlibLevel`), Bzip2 or Lzma; Raw gives an encoder that never
// compresses, for read-only uncompressed images. The same input always gives the
// same bytes, whichever encoder object or thread does it.
std::unique_ptr<ChunkEncoder> makeChunkEncoder(ChunkType type, int zlibLevel);

} // namespace vorlap::diskimage::udif
