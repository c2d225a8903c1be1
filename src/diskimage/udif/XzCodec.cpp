// LZMA chunks of ULMO images: each chunk is one .xz stream (the container macOS
// writes there and 7-Zip reads), LZMA2 at preset 6 as macOS's LZMA uses, through
// liblzma.
#include "diskimage/udif/Codecs.h"
#include "diskimage/udif/DiskImage.h"

#include <lzma.h>

namespace vorlap::diskimage::udif {

namespace {

// Chunks are at most 1 MiB: a larger dictionary would only cost memory, on both sides.
constexpr uint32_t kDictionaryBytes = uint32_t{1} << 20;
// Enough for any dictionary up to the largest chunk a table may declare; a stream
// asking for more is refused rather than allocated for.
constexpr uint64_t kDecoderMemoryLimit = kMaxChunkBytes + (uint64_t{8} << 20);

struct StreamGuard {
    lzma_stream& s;
    ~StreamGuard() { lzma_end(&s); }
};

// Runs the decoder until the stream ends, fails or fills the output; liblzma answers
// LZMA_BUF_ERROR once it can make no progress (all input used).
lzma_ret decodeAll(lzma_stream& s)
{
    lzma_ret rc;
    do
        rc = lzma_code(&s, LZMA_FINISH);
    while (rc == LZMA_OK && s.avail_out > 0);
    return rc;
}

Result<void> decodeStream(lzma_stream& s, uint8_t* out, size_t outLength)
{
    s.next_out = out;
    s.avail_out = outLength;
    lzma_ret rc = decodeAll(s);
    const bool filled = s.avail_out == 0;
    if ((rc == LZMA_OK || rc == LZMA_BUF_ERROR) && filled) {
        // Exactly full: one more byte tells a complete stream from a longer one.
        uint8_t probe = 0;
        s.next_out = &probe;
        s.avail_out = 1;
        rc = decodeAll(s);
        if (s.avail_out == 0)
            return decodeFailure("LZMA", DecodeFault::Longer);
    }
    switch (rc) {
    case LZMA_STREAM_END:
        if (!filled)
            return decodeFailure("LZMA", DecodeFault::Shorter);
        if (s.avail_in != 0)
            return decodeFailure("LZMA", DecodeFault::TrailingData);
        return {};
    case LZMA_OK:
    case LZMA_BUF_ERROR:
        return decodeFailure("LZMA", DecodeFault::EndsEarly);
    case LZMA_MEM_ERROR:
        return fail(ErrorCode::outOfMemory, "out of memory");
    case LZMA_MEMLIMIT_ERROR:
        return decodeFailure("LZMA", DecodeFault::Corrupt, "its dictionary is larger than any chunk");
    case LZMA_FORMAT_ERROR:
        return decodeFailure("LZMA", DecodeFault::Corrupt, "not an xz stream");
    default:
        return decodeFailure("LZMA", DecodeFault::Corrupt, "error " + std::to_string(rc));
    }
}

class XzEncoder final : public ChunkEncoder {
public:
    XzEncoder()
    {
        lzma_lzma_preset(&m_options, 6);
        m_options.dict_size = kDictionaryBytes;
        m_filters[0] = {LZMA_FILTER_LZMA2, &m_options};
        m_filters[1] = {LZMA_VLI_UNKNOWN, nullptr};
    }
    ~XzEncoder() override { lzma_end(&m_stream); }
    XzEncoder(const XzEncoder&) = delete;
    XzEncoder& operator=(const XzEncoder&) = delete;

private:
    Result<bool> compressChunk(const uint8_t* data, size_t length, std::vector<uint8_t>& out) override
    {
        // Re-initialising the same stream with the same filters reuses its memory.
        // CRC-32 is the check every xz decoder verifies, small ones included.
        const lzma_ret init = lzma_stream_encoder(&m_stream, m_filters, LZMA_CHECK_CRC32);
        if (init == LZMA_MEM_ERROR)
            return fail(ErrorCode::outOfMemory, "out of memory");
        if (init != LZMA_OK)
            return fail(ErrorCode::system, "liblzma could not start the compressor");
        if (out.size() < length)
            out.resize(length);
        m_stream.next_in = data;
        m_stream.avail_in = length;
        m_stream.next_out = out.data();
        m_stream.avail_out = length - 1;
        lzma_ret rc;
        do
            rc = lzma_code(&m_stream, LZMA_FINISH);
        while (rc == LZMA_OK && m_stream.avail_out > 0);
        if (rc == LZMA_STREAM_END) {
            out.resize(length - 1 - m_stream.avail_out);
            return true;
        }
        if (rc == LZMA_OK || rc == LZMA_BUF_ERROR)
            return false; // out of room: not smaller than the input
        if (rc == LZMA_MEM_ERROR)
            return fail(ErrorCode::outOfMemory, "out of memory");
        return fail(ErrorCode::system, "LZMA compression failed");
    }

    lzma_stream m_stream = LZMA_STREAM_INIT;
    lzma_options_lzma m_options{};
    lzma_filter m_filters[2]{};
};

} // namespace

Result<void> decodeXz(const uint8_t* stored, size_t storedLength, uint8_t* out, size_t outLength)
{
    lzma_stream s = LZMA_STREAM_INIT;
    const lzma_ret init = lzma_stream_decoder(&s, kDecoderMemoryLimit, 0);
    StreamGuard guard{s};
    if (init != LZMA_OK)
        return fail(ErrorCode::outOfMemory, "liblzma could not start the decompressor");
    s.next_in = stored;
    s.avail_in = storedLength;
    return decodeStream(s, out, outLength);
}

std::unique_ptr<ChunkEncoder> makeXzEncoder()
{
    return std::make_unique<XzEncoder>();
}

} // namespace vorlap::diskimage::udif
