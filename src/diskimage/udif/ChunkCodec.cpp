#include "diskimage/udif/ChunkCodec.h"

#include "diskimage/udif/AdcDecoder.h"

#include <algorithm>
#include <zlib.h>

namespace vorlap::diskimage::udif {

namespace {

Result<void> inflateExactly(const uint8_t* stored, size_t storedLength, uint8_t* out, size_t outLength)
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
            return fail(ErrorCode::corrupt, "zlib chunk decodes to fewer bytes than its sectors");
        if (inLeft != 0)
            return fail(ErrorCode::corrupt, "zlib chunk has data after the end of its stream");
        return {};
    }
    if (rc == Z_BUF_ERROR && outLeft == 0)
        return fail(ErrorCode::corrupt, "zlib chunk decodes to more bytes than its sectors");
    if (rc == Z_BUF_ERROR)
        return fail(ErrorCode::corrupt, "zlib chunk ends early");
    return fail(ErrorCode::corrupt, "zlib chunk is corrupt (" + message + ")");
}

} // namespace

Result<void> checkChunkTypeSupported(ChunkType type)
{
    switch (type) {
    case ChunkType::ZeroFill:
    case ChunkType::Raw:
    case ChunkType::Ignore:
    case ChunkType::Adc:
    case ChunkType::Zlib:
    case ChunkType::Comment:
    case ChunkType::Terminator:
        return {};
    case ChunkType::Bzip2:
        return fail(ErrorCode::unsupported, "bzip2-compressed images (UDBZ) are not supported");
    case ChunkType::Lzfse:
        return fail(ErrorCode::unsupported, "LZFSE-compressed images (ULFO) are not supported");
    case ChunkType::Lzma:
        return fail(ErrorCode::unsupported, "LZMA-compressed images (ULMO) are not supported");
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
        return inflateExactly(stored, storedLength, out, outLength);
    case ChunkType::Adc:
        return decodeAdc(stored, storedLength, out, outLength);
    default:
        VORLAP_TRY(checkChunkTypeSupported(type));
        return fail(ErrorCode::corrupt, "chunk type " + chunkTypeName(type) + " holds no data");
    }
}

uint64_t maxZlibOutput(uint64_t storedLength)
{
    if (storedLength > (uint64_t{1} << 50))
        return UINT64_MAX;
    return storedLength * 1032 + 1024;
}

ZlibEncoder::ZlibEncoder(int level) : m_stream(new z_stream{}), m_level(level) {}

ZlibEncoder::~ZlibEncoder()
{
    if (m_ready)
        deflateEnd(m_stream);
    delete m_stream;
}

Result<bool> ZlibEncoder::compress(const uint8_t* data, size_t length, std::vector<uint8_t>& out)
{
    if (!m_ready) {
        if (deflateInit(m_stream, m_level) != Z_OK)
            return fail(ErrorCode::system, "zlib could not start the compressor");
        m_ready = true;
    } else if (deflateReset(m_stream) != Z_OK) {
        return fail(ErrorCode::system, "zlib could not reset the compressor");
    }
    if (length == 0 || length > (1u << 30))
        return fail(ErrorCode::invalidArgument, "chunk size out of range for the compressor");
    // Anything at least as long as the input is useless: give zlib exactly that much
    // room and store the chunk raw when it runs out.
    if (out.size() < length)
        out.resize(length);
    m_stream->next_in = const_cast<Bytef*>(data);
    m_stream->avail_in = static_cast<uInt>(length);
    m_stream->next_out = out.data();
    m_stream->avail_out = static_cast<uInt>(length - 1);
    const int rc = deflate(m_stream, Z_FINISH);
    if (rc == Z_STREAM_END) {
        out.resize(m_stream->total_out);
        return true;
    }
    if (rc == Z_OK || rc == Z_BUF_ERROR)
        return false; // out of room: not smaller than the input
    return fail(ErrorCode::system, "zlib compression failed");
}

} // namespace vorlap::diskimage::udif
