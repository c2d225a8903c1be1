// zlib streams for UDZO chunks. libdeflate compresses and inflates them about twice
// as fast as zlib (whole buffers, no streaming); zlib remains for builds without it
// and for naming what is wrong with a stream libdeflate rejects.
#include "diskimage/udif/Codecs.h"

#include <algorithm>
#include <string>
#include <zlib.h>

#if VORLAP_HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif

namespace vorlap::diskimage::udif {

namespace {

// zlib's own account of a stream that does not decode to exactly `outLength` bytes.
Result<void> inflateWithZlib(const uint8_t* stored, size_t storedLength, uint8_t* out, size_t outLength)
{
    z_stream s{};
    if (inflateInit(&s) != Z_OK)
        return fail(ErrorCode::system, "zlib could not start");
    s.next_in = const_cast<Bytef*>(stored);
    s.next_out = out;
    size_t inLeft = storedLength;
    size_t outLeft = outLength;
    int rc = Z_OK;
    for (;;) {
        // zlib counts in uInt: hand it at most 1 GiB at a time.
        const uInt inPiece = static_cast<uInt>(std::min<size_t>(inLeft, 1u << 30));
        const uInt outPiece = static_cast<uInt>(std::min<size_t>(outLeft, 1u << 30));
        s.avail_in = inPiece;
        s.avail_out = outPiece;
        rc = inflate(&s, Z_NO_FLUSH);
        inLeft -= inPiece - s.avail_in;
        outLeft -= outPiece - s.avail_out;
        if (rc == Z_STREAM_END)
            break;
        if (rc == Z_OK)
            continue;
        if (rc == Z_BUF_ERROR && inLeft > 0 && outLeft > 0)
            continue;
        break;
    }
    const std::string message = s.msg ? s.msg : "error " + std::to_string(rc);
    inflateEnd(&s);
    if (rc == Z_STREAM_END) {
        if (outLeft != 0)
            return decodeFailure("zlib", DecodeFault::Shorter);
        if (inLeft != 0)
            return decodeFailure("zlib", DecodeFault::TrailingData);
        return {};
    }
    if (rc == Z_BUF_ERROR && outLeft == 0)
        return decodeFailure("zlib", DecodeFault::Longer);
    if (rc == Z_BUF_ERROR)
        return decodeFailure("zlib", DecodeFault::EndsEarly);
    return decodeFailure("zlib", DecodeFault::Corrupt, message);
}

class ZlibEncoder final : public ChunkEncoder {
public:
    explicit ZlibEncoder(int level) : m_level(std::min(level, Z_BEST_COMPRESSION)) {}
    ~ZlibEncoder() override
    {
        if (m_ready)
            deflateEnd(&m_stream);
    }
    ZlibEncoder(const ZlibEncoder&) = delete;
    ZlibEncoder& operator=(const ZlibEncoder&) = delete;

    Result<bool> compressChunk(const uint8_t* data, size_t length, std::vector<uint8_t>& out) override
    {
        if (!m_ready) {
            if (deflateInit(&m_stream, m_level) != Z_OK)
                return fail(ErrorCode::system, "zlib could not start the compressor");
            m_ready = true;
        } else if (deflateReset(&m_stream) != Z_OK) {
            return fail(ErrorCode::system, "zlib could not reset the compressor");
        }
        // Anything at least as long as the input is useless: give zlib exactly that
        // much room and store the chunk raw when it runs out.
        if (out.size() < length)
            out.resize(length);
        m_stream.next_in = const_cast<Bytef*>(data);
        m_stream.avail_in = static_cast<uInt>(length);
        m_stream.next_out = out.data();
        m_stream.avail_out = static_cast<uInt>(length - 1);
        const int rc = deflate(&m_stream, Z_FINISH);
        if (rc == Z_STREAM_END) {
            out.resize(m_stream.total_out);
            return true;
        }
        if (rc == Z_OK || rc == Z_BUF_ERROR)
            return false; // out of room: not smaller than the input
        return fail(ErrorCode::system, "zlib compression failed");
    }

private:
    z_stream m_stream{};
    bool m_ready = false;
    int m_level;
};

#if VORLAP_HAVE_LIBDEFLATE

class DeflateEncoder final : public ChunkEncoder {
public:
    explicit DeflateEncoder(int level) : m_compressor(libdeflate_alloc_compressor(level)) {}
    ~DeflateEncoder() override { libdeflate_free_compressor(m_compressor); }
    DeflateEncoder(const DeflateEncoder&) = delete;
    DeflateEncoder& operator=(const DeflateEncoder&) = delete;

    Result<bool> compressChunk(const uint8_t* data, size_t length, std::vector<uint8_t>& out) override
    {
        if (!m_compressor)
            return fail(ErrorCode::outOfMemory, "libdeflate could not start the compressor");
        if (out.size() < length)
            out.resize(length);
        // 0 when the stream does not fit in less than the input.
        const size_t written = libdeflate_zlib_compress(m_compressor, data, length, out.data(), length - 1);
        if (written == 0)
            return false;
        out.resize(written);
        return true;
    }

private:
    libdeflate_compressor* m_compressor;
};

struct DecompressorDeleter {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

Result<void> inflateWithLibdeflate(const uint8_t* stored, size_t storedLength, uint8_t* out, size_t outLength)
{
    thread_local std::unique_ptr<libdeflate_decompressor, DecompressorDeleter> decompressor(
        libdeflate_alloc_decompressor());
    if (!decompressor)
        return fail(ErrorCode::outOfMemory, "libdeflate could not start the decompressor");
    size_t consumed = 0;
    // Without an "actual output" pointer libdeflate demands exactly outLength bytes.
    switch (libdeflate_zlib_decompress_ex(decompressor.get(), stored, storedLength, out, outLength, &consumed,
                                          nullptr)) {
    case LIBDEFLATE_SUCCESS:
        if (consumed != storedLength)
            return decodeFailure("zlib", DecodeFault::TrailingData);
        return {};
    case LIBDEFLATE_SHORT_OUTPUT:
        return decodeFailure("zlib", DecodeFault::Shorter);
    case LIBDEFLATE_INSUFFICIENT_SPACE:
        return decodeFailure("zlib", DecodeFault::Longer);
    default:
        // libdeflate says only "bad data"; zlib tells a cut stream from a damaged one.
        if (auto detail = inflateWithZlib(stored, storedLength, out, outLength); !detail)
            return detail;
        return decodeFailure("zlib", DecodeFault::Corrupt, "rejected by libdeflate");
    }
}

#endif

} // namespace

int defaultZlibLevel()
{
    return zlibUsesLibdeflate() ? 6 : 1;
}

bool zlibUsesLibdeflate()
{
    return VORLAP_HAVE_LIBDEFLATE != 0;
}

Result<void> decodeZlib(const uint8_t* stored, size_t storedLength, uint8_t* out, size_t outLength)
{
#if VORLAP_HAVE_LIBDEFLATE
    return inflateWithLibdeflate(stored, storedLength, out, outLength);
#else
    return inflateWithZlib(stored, storedLength, out, outLength);
#endif
}

std::unique_ptr<ChunkEncoder> makeZlibEncoder(int level)
{
#if VORLAP_HAVE_LIBDEFLATE
    return std::make_unique<DeflateEncoder>(level);
#else
    return std::make_unique<ZlibEncoder>(level);
#endif
}

} // namespace vorlap::diskimage::udif
