#include "diskimage/udif/ChunkCodec.h"

#include "diskimage/udif/AdcDecoder.h"
#include "diskimage/udif/Codecs.h"

#include <algorithm>

namespace vorlap::diskimage::udif {

namespace {

class StoreRaw final : public ChunkEncoder {
public:
    Result<bool> compressChunk(const uint8_t*, size_t, std::vector<uint8_t>&) override { return false; }
};

// A length that cannot overflow when multiplied by a ratio below 2^13.
bool beyondAnyRatio(uint64_t storedLength) { return storedLength > (uint64_t{1} << 50); }

} // namespace

Unexpected<DiskImageError> decodeFailure(const std::string& codec, DecodeFault fault, const std::string& detail)
{
    switch (fault) {
    case DecodeFault::Longer:
        return fail(ErrorCode::corrupt, codec + " chunk decodes to more bytes than its sectors");
    case DecodeFault::Shorter:
        return fail(ErrorCode::corrupt, codec + " chunk decodes to fewer bytes than its sectors");
    case DecodeFault::EndsEarly:
        return fail(ErrorCode::corrupt, codec + " chunk ends early");
    case DecodeFault::TrailingData:
        return fail(ErrorCode::corrupt, codec + " chunk has data after the end of its stream");
    case DecodeFault::Corrupt:
        break;
    }
    return fail(ErrorCode::corrupt, codec + " chunk is corrupt (" + detail + ")");
}

Result<void> checkChunkTypeSupported(ChunkType type)
{
    switch (type) {
    case ChunkType::ZeroFill:
    case ChunkType::Raw:
    case ChunkType::Ignore:
    case ChunkType::Adc:
    case ChunkType::Zlib:
    case ChunkType::Bzip2:
    case ChunkType::Lzma:
    case ChunkType::Comment:
    case ChunkType::Terminator:
        return {};
    case ChunkType::Lzfse:
        return fail(ErrorCode::unsupported, "LZFSE-compressed images (ULFO) are not supported");
    }
    return fail(ErrorCode::corrupt, "unknown chunk type " + chunkTypeName(type));
}

Result<void> decodeChunk(ChunkType type, const uint8_t* stored, size_t storedLength, uint8_t* out,
                         size_t outLength)
{
    switch (type) {
    case ChunkType::Raw:
        if (storedLength != outLength)
            return fail(ErrorCode::corrupt, "raw chunk length does not match its sectors");
        std::copy(stored, stored + storedLength, out);
        return {};
    case ChunkType::Zlib:
        return decodeZlib(stored, storedLength, out, outLength);
    case ChunkType::Bzip2:
        return decodeBzip2(stored, storedLength, out, outLength);
    case ChunkType::Lzma:
        return decodeXz(stored, storedLength, out, outLength);
    case ChunkType::Adc:
        return decodeAdc(stored, storedLength, out, outLength);
    default:
        VORLAP_TRY(checkChunkTypeSupported(type));
        return fail(ErrorCode::corrupt, "chunk type " + chunkTypeName(type) + " holds no data");
    }
}

uint64_t maxDecodedSize(ChunkType type, uint64_t storedLength)
{
    if (beyondAnyRatio(storedLength))
        return UINT64_MAX;
    switch (type) {
    case ChunkType::Adc:
        return storedLength * 23 + 1024;
    case ChunkType::Zlib:
        return storedLength * 1032 + 1024; // deflate's limit is 1032:1
    default:
        // bzip2 and LZMA turn long runs into next to nothing (bzip2 beyond 10^7:1):
        // only the cap on a chunk's size bounds what they may claim.
        return UINT64_MAX;
    }
}

Result<bool> ChunkEncoder::compress(const uint8_t* data, size_t length, std::vector<uint8_t>& out)
{
    if (length == 0 || length > (size_t{1} << 30))
        return fail(ErrorCode::invalidArgument, "chunk size out of range for the compressor");
    return compressChunk(data, length, out);
}

std::unique_ptr<ChunkEncoder> makeChunkEncoder(ChunkType type, int zlibLevel)
{
    switch (type) {
    case ChunkType::Zlib:
        return makeZlibEncoder(zlibLevel);
    case ChunkType::Bzip2:
        return makeBzip2Encoder();
    case ChunkType::Lzma:
        return makeXzEncoder();
    default:
        return std::make_unique<StoreRaw>();
    }
}

} // namespace vorlap::diskimage::udif
