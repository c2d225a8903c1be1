// bzip2 streams for UDBZ chunks, through libbz2, in 900 kB blocks as bzip2 -9 writes
// them.
#include "diskimage/udif/Codecs.h"

#include <bzlib.h>
#include <climits>

namespace vorlap::diskimage::udif {

namespace {

constexpr int kBlockSize100k = 9;

// Runs the decoder until the stream ends, fails, the output is full or it stops
// making progress (all input used, nothing more to give).
int decodeWhileProgressing(bz_stream& s)
{
    for (;;) {
        const unsigned inBefore = s.avail_in;
        const unsigned outBefore = s.avail_out;
        const int rc = BZ2_bzDecompress(&s);
        if (rc != BZ_OK || s.avail_out == 0 || (s.avail_in == inBefore && s.avail_out == outBefore))
            return rc;
    }
}

Result<void> decodeStream(bz_stream& s, uint8_t* out, size_t outLength)
{
    s.next_out = reinterpret_cast<char*>(out);
    s.avail_out = static_cast<unsigned>(outLength);
    int rc = decodeWhileProgressing(s);
    const bool filled = s.avail_out == 0;
    if (rc == BZ_OK && filled) {
        // Exactly full: one more byte tells a complete stream from a longer one.
        char probe = 0;
        s.next_out = &probe;
        s.avail_out = 1;
        rc = decodeWhileProgressing(s);
        if (s.avail_out == 0)
            return decodeFailure("bzip2", DecodeFault::Longer);
    }
    switch (rc) {
    case BZ_STREAM_END:
        if (!filled)
            return decodeFailure("bzip2", DecodeFault::Shorter);
        if (s.avail_in != 0)
            return decodeFailure("bzip2", DecodeFault::TrailingData);
        return {};
    case BZ_OK:
        return decodeFailure("bzip2", DecodeFault::EndsEarly);
    case BZ_MEM_ERROR:
        return fail(ErrorCode::outOfMemory, "out of memory");
    case BZ_DATA_ERROR_MAGIC:
        return decodeFailure("bzip2", DecodeFault::Corrupt, "not a bzip2 stream");
    default:
        return decodeFailure("bzip2", DecodeFault::Corrupt, "error " + std::to_string(rc));
    }
}

class Bzip2Encoder final : public ChunkEncoder {
    Result<bool> compressChunk(const uint8_t* data, size_t length, std::vector<uint8_t>& out) override
    {
        if (out.size() < length)
            out.resize(length);
        unsigned written = static_cast<unsigned>(length - 1);
        const int rc = BZ2_bzBuffToBuffCompress(reinterpret_cast<char*>(out.data()), &written,
                                                const_cast<char*>(reinterpret_cast<const char*>(data)),
                                                static_cast<unsigned>(length), kBlockSize100k, 0, 0);
        if (rc == BZ_OUTBUFF_FULL)
            return false;
        if (rc == BZ_MEM_ERROR)
            return fail(ErrorCode::outOfMemory, "out of memory");
        if (rc != BZ_OK)
            return fail(ErrorCode::system, "bzip2 compression failed");
        out.resize(written);
        return true;
    }
};

} // namespace

Result<void> decodeBzip2(const uint8_t* stored, size_t storedLength, uint8_t* out, size_t outLength)
{
    if (storedLength > UINT_MAX || outLength > UINT_MAX)
        return fail(ErrorCode::corrupt, "bzip2 chunk is too large");
    bz_stream s{};
    if (BZ2_bzDecompressInit(&s, 0, 0) != BZ_OK)
        return fail(ErrorCode::outOfMemory, "bzip2 could not start");
    s.next_in = const_cast<char*>(reinterpret_cast<const char*>(stored));
    s.avail_in = static_cast<unsigned>(storedLength);
    auto result = decodeStream(s, out, outLength);
    BZ2_bzDecompressEnd(&s);
    return result;
}

std::unique_ptr<ChunkEncoder> makeBzip2Encoder()
{
    return std::make_unique<Bzip2Encoder>();
}

} // namespace vorlap::diskimage::udif
