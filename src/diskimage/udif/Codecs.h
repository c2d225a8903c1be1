#pragma once
// The codecs behind ChunkCodec.h, one source file each. Every decoder writes into
// the caller's buffer of the chunk's declared size and nowhere else, so a chunk that
// would expand past it (a "bomb") costs no memory beyond that buffer.
#include "diskimage/DiskImageError.h"
#include "diskimage/udif/ChunkCodec.h"

#include <memory>
#include <string>

namespace vorlap::diskimage::udif {

enum class DecodeFault { Longer, Shorter, EndsEarly, TrailingData, Corrupt };

// "<codec> chunk decodes to more bytes than its sectors" and the like; `detail` is
// the decoder's own word on a corrupt stream.
Unexpected<DiskImageError> decodeFailure(const std::string& codec, DecodeFault fault, const std::string& detail = {});

Result<void> decodeZlib(const uint8_t* stored, size_t storedLength, uint8_t* out, size_t outLength);
Result<void> decodeBzip2(const uint8_t* stored, size_t storedLength, uint8_t* out, size_t outLength);
Result<void> decodeXz(const uint8_t* stored, size_t storedLength, uint8_t* out, size_t outLength);

std::unique_ptr<ChunkEncoder> makeZlibEncoder(int level);
std::unique_ptr<ChunkEncoder> makeBzip2Encoder();
std::unique_ptr<ChunkEncoder> makeXzEncoder();

} // namespace vorlap::diskimage::udif
