// Benchmark for UDIF writing: makes a reproducible raw disk of typical application
// content, then converts it the way `hdiutil convert -format FORMAT` would.
//
//   bench_udif_convert generate OUT [MiB]   write the raw disk (default 1024 MiB)
//   bench_udif_convert convert IN OUT [FORMAT [LEVEL]]
//                                            write IN as UDZO (or UDBZ, ULMO, UDRO) at
//                                            zlib-level LEVEL, print time and size
//   bench_udif_convert inflate IN [MiB]      zlib chunks of IN's first MiB (default 256)
//                                            inflated by our decoder and by zlib, one core
//
// The content imitates what an application bundle puts on a volume, file by file in
// 4 KiB allocation blocks: machine code with symbol and string tables, already
// compressed pictures, text resources (property lists, localised strings, HTML),
// structured data, the zero slack at the end of each file's last block, and free
// space. The generator uses only the raw output of std::mt19937_64, whose sequence
// the standard fixes, so the bytes are the same on every machine.
#include "diskimage/ByteSource.h"
#include "diskimage/udif/ChunkCodec.h"
#include "diskimage/udif/Convert.h"
#include "diskimage/udif/UdifWriter.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <sys/stat.h>
#include <vector>
#include <zlib.h>

using namespace vorlap::diskimage;

namespace {

constexpr size_t kBlock = 4096;

class ContentGenerator {
public:
    explicit ContentGenerator(uint64_t seed) : m_rng(seed) {}

    uint64_t next() { return m_rng(); }
    size_t below(size_t n) { return static_cast<size_t>(m_rng() % n); }

    // A skewed pick: small indexes far more often, as in real vocabularies.
    size_t zipf(size_t n)
    {
        const size_t a = below(n);
        const size_t b = below(n);
        const size_t c = below(n);
        return std::min(a, std::min(b, c));
    }

    void machineCode(std::vector<uint8_t>& out, size_t length)
    {
        // Common x86-64 instruction shapes; immediates and displacements follow.
        static const std::vector<std::vector<uint8_t>> shapes = {
            {0x55}, {0x48, 0x89, 0xE5}, {0x5D}, {0xC3}, {0x48, 0x8B, 0x45}, {0x48, 0x89, 0x45}, {0x48, 0x8B, 0x7D},
            {0xE8}, {0xE9}, {0x0F, 0x1F, 0x44, 0x00, 0x00}, {0x48, 0x83, 0xEC}, {0x48, 0x83, 0xC4}, {0x31, 0xC0},
            {0x48, 0x8D, 0x05}, {0x48, 0x8D, 0x3D}, {0x74}, {0x75}, {0x0F, 0x84}, {0x0F, 0x85}, {0x48, 0x85, 0xC0},
            {0x41, 0x57}, {0x41, 0x56}, {0x41, 0x5F}, {0x41, 0x5E}, {0x53}, {0x5B}, {0x48, 0x8B, 0x05},
            {0xFF, 0x15}, {0x66, 0x0F, 0x1F, 0x84, 0x00}, {0xCC}, {0x89, 0xC7}, {0x48, 0x89, 0xDF}};
        static const int operandBytes[] = {0, 0, 0, 0, 1, 1, 1, 4, 4, 0, 1, 1, 0, 4, 4, 1, 1, 4, 4, 0,
                                           0, 0, 0, 0, 0, 0, 4, 4, 4, 0, 0, 0};
        const size_t end = out.size() + length;
        while (out.size() < end) {
            const size_t s = zipf(shapes.size());
            out.insert(out.end(), shapes[s].begin(), shapes[s].end());
            const uint64_t v = next();
            for (int i = 0; i < operandBytes[s]; ++i) {
                // Displacements are mostly small: high bytes are often 0x00 or 0xFF.
                const uint8_t b = i == 0 ? static_cast<uint8_t>(v) : (v >> (8 + i)) % 4 == 0 ? 0xFF : 0x00;
                out.push_back(i < 2 ? static_cast<uint8_t>(v >> (8 * i)) : b);
            }
        }
        out.resize(end);
    }

    void symbols(std::vector<uint8_t>& out, size_t length)
    {
        static const char* const parts[] = {"_objc_", "msgSend", "_swift_", "retain", "release", "String", "Array",
                                            "init", "with", "Data", "View", "Controller", "Delegate", "_OBJC_CLASS_$_",
                                            "NS", "UI", "Window", "Image", "Path", "URL", "Manager", "Shared", "Task",
                                            "Async", "Layout", "Color", "Font", "Text", "Cell", "Item"};
        const size_t end = out.size() + length;
        while (out.size() < end) {
            const int pieces = 1 + static_cast<int>(below(4));
            for (int i = 0; i < pieces; ++i) {
                const char* p = parts[zipf(std::size(parts))];
                out.insert(out.end(), p, p + std::strlen(p));
            }
            if (below(3) == 0) { // a mangled suffix
                const uint64_t v = next();
                for (int i = 0; i < 6; ++i)
                    out.push_back(static_cast<uint8_t>('a' + (v >> (5 * i)) % 26));
            }
            out.push_back(0);
        }
        out.resize(end);
    }

    void text(std::vector<uint8_t>& out, size_t length)
    {
        static const char* const words[] = {
            "<key>", "</key>\n\t", "<string>", "</string>\n\t", "<dict>\n", "</dict>\n", "<true/>", "CFBundle",
            "Identifier", "Version", "Name", "com.example.", "application", "the", "of", "and", "to", "a", "in", "is",
            "for", "with", "window", "file", "open", "save", "preferences", "\"", "\" = \"", "\";\n", "<div class=\"",
            "\">", "</div>\n", "help", "button", "menu", "title", "description", "error", "could not", "be",
            "document", "image", "view", "settings", "0", "1", "2", "10", "100", "  ", "\n", ". ", ", "};
        const size_t end = out.size() + length;
        while (out.size() < end) {
            const char* w = words[zipf(std::size(words))];
            out.insert(out.end(), w, w + std::strlen(w));
            if (below(2))
                out.push_back(' ');
        }
        out.resize(end);
    }

    void compressed(std::vector<uint8_t>& out, size_t length)
    {
        static const uint8_t png[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
        const size_t end = out.size() + length;
        out.insert(out.end(), png, png + std::min(sizeof png, length));
        while (out.size() + 8 <= end) {
            const uint64_t v = next();
            const auto* p = reinterpret_cast<const uint8_t*>(&v);
            out.insert(out.end(), p, p + 8);
        }
        while (out.size() < end)
            out.push_back(static_cast<uint8_t>(next()));
    }

    void records(std::vector<uint8_t>& out, size_t length)
    {
        // Fixed-size records: ids counting up, a few flag bytes, a random hash, padding.
        const size_t end = out.size() + length;
        uint32_t id = static_cast<uint32_t>(below(100000));
        while (out.size() < end) {
            uint8_t r[32] = {};
            std::memcpy(r, &id, 4);
            ++id;
            r[4] = static_cast<uint8_t>(below(4));
            r[6] = static_cast<uint8_t>(zipf(16));
            const uint64_t hash = next();
            std::memcpy(r + 8, &hash, 8);
            out.insert(out.end(), r, r + 32);
        }
        out.resize(end);
    }

    // One file: its bytes padded with zeros to whole blocks.
    void file(std::vector<uint8_t>& out)
    {
        const size_t start = out.size();
        const size_t kind = below(100);
        size_t length;
        if (kind < 36) { // executable: code, then symbols and strings
            length = 64 * 1024 + below(6 << 20);
            machineCode(out, length * 7 / 10);
            symbols(out, length * 2 / 10);
            text(out, length - length * 7 / 10 - length * 2 / 10);
        } else if (kind < 60) { // pictures, compressed media
            length = 4096 + below(2 << 20);
            compressed(out, length);
        } else if (kind < 85) { // text resources
            length = 512 + below(256 * 1024);
            text(out, length);
        } else { // structured data: asset catalogs, databases, fonts
            length = 8192 + below(1 << 20);
            records(out, length);
        }
        const size_t used = out.size() - start;
        out.resize(start + (used + kBlock - 1) / kBlock * kBlock, 0);
    }

private:
    std::mt19937_64 m_rng;
};

int generate(const char* path, uint64_t mebibytes)
{
    const uint64_t total = mebibytes << 20;
    const uint64_t freeSpace = total / 10; // the volume is 90% full
    std::FILE* f = std::fopen(path, "wb");
    if (!f) {
        std::perror(path);
        return 1;
    }
    ContentGenerator gen(20240611);
    std::vector<uint8_t> buffer;
    uint64_t written = 0;
    // Volume header area, then files until the used part is full, then free space.
    buffer.assign(8 * kBlock, 0);
    while (written + buffer.size() < total - freeSpace) {
        if (std::fwrite(buffer.data(), 1, buffer.size(), f) != buffer.size()) {
            std::perror(path);
            return 1;
        }
        written += buffer.size();
        buffer.clear();
        while (buffer.size() < (4u << 20))
            gen.file(buffer);
    }
    buffer.resize(static_cast<size_t>(std::min<uint64_t>(buffer.size(), total - freeSpace - written)));
    std::fwrite(buffer.data(), 1, buffer.size(), f);
    written += buffer.size();
    const std::vector<uint8_t> zeros(1 << 20, 0);
    while (written < total) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(zeros.size(), total - written));
        std::fwrite(zeros.data(), 1, n, f);
        written += n;
    }
    if (std::fclose(f) != 0) {
        std::perror(path);
        return 1;
    }
    return 0;
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int convert(const char* in, const char* out, const char* format, int level)
{
    const auto chosen = udif::imageFormatFromName(format);
    if (!chosen) {
        std::fprintf(stderr, "unknown format %s\n", format);
        return 2;
    }
    udif::UdzoOptions options;
    options.zlibLevel = level;
    const auto start = std::chrono::steady_clock::now();
    auto written = udif::convertImage(in, out, *chosen, options);
    const double seconds = secondsSince(start);
    if (!written) {
        std::fprintf(stderr, "%s\n", written.error().message.c_str());
        return 1;
    }
    struct stat st {};
    ::stat(out, &st);
    std::printf("seconds %.3f\nbytes %lld\n", seconds, static_cast<long long>(st.st_size));
    return 0;
}

// The compressible 1 MiB chunks of the disk's first `mebibytes`, as the default
// level stores them.
std::vector<std::vector<uint8_t>> zlibChunks(const char* in, uint64_t mebibytes)
{
    std::vector<std::vector<uint8_t>> chunks;
    auto source = FileByteSource::open(in);
    if (!source)
        return chunks;
    auto encoder = udif::makeChunkEncoder(udif::ChunkType::Zlib, udif::defaultZlibLevel());
    std::vector<uint8_t> input(size_t{1} << 20);
    for (uint64_t offset = 0; offset + input.size() <= std::min((*source)->size(), mebibytes << 20);
         offset += input.size()) {
        if (!(*source)->readAt(offset, input.data(), input.size()))
            break;
        std::vector<uint8_t> stored;
        if (auto smaller = encoder->compress(input.data(), input.size(), stored); smaller && *smaller)
            chunks.push_back(std::move(stored));
    }
    return chunks;
}

// Seconds to inflate every chunk, the median of three runs.
template <typename Inflate>
double medianInflateSeconds(const std::vector<std::vector<uint8_t>>& chunks, Inflate inflate)
{
    std::vector<uint8_t> out(size_t{1} << 20);
    std::vector<double> runs;
    for (int run = 0; run < 3; ++run) {
        const auto start = std::chrono::steady_clock::now();
        for (const auto& chunk : chunks)
            if (!inflate(chunk, out))
                return -1;
        runs.push_back(secondsSince(start));
    }
    std::sort(runs.begin(), runs.end());
    return runs[1];
}

int inflateBoth(const char* in, uint64_t mebibytes)
{
    const auto chunks = zlibChunks(in, mebibytes);
    if (chunks.empty()) {
        std::fprintf(stderr, "%s: no compressible chunks\n", in);
        return 1;
    }
    const double ours = medianInflateSeconds(chunks, [](const std::vector<uint8_t>& c, std::vector<uint8_t>& out) {
        return bool(udif::decodeChunk(udif::ChunkType::Zlib, c.data(), c.size(), out.data(), out.size()));
    });
    const double zlib = medianInflateSeconds(chunks, [](const std::vector<uint8_t>& c, std::vector<uint8_t>& out) {
        uLongf length = out.size();
        return uncompress(out.data(), &length, c.data(), c.size()) == Z_OK && length == out.size();
    });
    if (ours < 0 || zlib < 0) {
        std::fprintf(stderr, "inflating failed\n");
        return 1;
    }
    const double mib = static_cast<double>(chunks.size());
    std::printf("chunks %zu\nours_mib_s %.1f\nzlib_mib_s %.1f\nlibdeflate %d\n", chunks.size(), mib / ours,
                mib / zlib, udif::zlibUsesLibdeflate() ? 1 : 0);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "generate") == 0)
        return generate(argv[2], argc >= 4 ? std::strtoull(argv[3], nullptr, 10) : 1024);
    if (argc >= 4 && argc <= 6 && std::strcmp(argv[1], "convert") == 0)
        return convert(argv[2], argv[3], argc >= 5 ? argv[4] : "UDZO", argc >= 6 ? std::atoi(argv[5]) : 0);
    if (argc >= 3 && std::strcmp(argv[1], "inflate") == 0)
        return inflateBoth(argv[2], argc >= 4 ? std::strtoull(argv[3], nullptr, 10) : 256);
    std::fprintf(stderr, "usage: %s generate OUT [MiB] | convert IN OUT [FORMAT [LEVEL]] | inflate IN [MiB]\n", argv[0]);
    return 2;
}
