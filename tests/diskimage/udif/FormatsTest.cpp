// The image formats besides UDZO (UDBZ, ULMO, UDRO) and the codecs behind them,
// checked by readers that are not ours (7-Zip for all, dmg2img for zlib, bzip2 and raw
// chunks: it has no LZMA) and by our own reader.
#include "UdifTestSupport.h"

#include "diskimage/ByteSource.h"
#include "diskimage/udif/ChunkCodec.h"
#include "diskimage/udif/Convert.h"
#include "diskimage/udif/DiskImage.h"
#include "hdiutil/Hdiutil.h"
#include "support/SevenZip.h"
#include "support/Shell.h"
#include "support/TestPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>

using namespace vorlap::diskimage;
using namespace vorlap::diskimage::udif;
using namespace vorlap::test;
using namespace vorlap::test::udif;

namespace {

class MemoryDisk final : public ByteSource {
public:
    explicit MemoryDisk(const Bytes& bytes) : m_bytes(bytes) {}
    uint64_t size() const override { return m_bytes.size(); }
    Result<void> readAt(uint64_t offset, void* buffer, size_t length) override
    {
        std::copy_n(m_bytes.begin() + static_cast<long>(offset), length, static_cast<uint8_t*>(buffer));
        return {};
    }

private:
    const Bytes& m_bytes;
};

struct Codec {
    const char* format;
    ChunkType type;
    const char* name; // in messages
    bool dmg2imgReads;
};

const Codec kCodecs[] = {
    {"UDZO", ChunkType::Zlib, "zlib", true},
    {"UDBZ", ChunkType::Bzip2, "bzip2", true},
    {"ULMO", ChunkType::Lzma, "LZMA", false},
};

Bytes compressed(ChunkType type, const Bytes& input)
{
    Bytes out;
    auto smaller = makeChunkEncoder(type, defaultZlibLevel())->compress(input.data(), input.size(), out);
    EXPECT_TRUE(smaller && *smaller);
    return out;
}

Bytes decodedDisk(const std::string& dmg, const std::string& expectedFormat)
{
    auto image = DiskImage::open(dmg);
    EXPECT_TRUE(image) << image.error().message;
    if (!image)
        return {};
    EXPECT_EQ((*image)->formatName(), expectedFormat);
    EXPECT_TRUE((*image)->verify());
    Bytes disk((*image)->size());
    EXPECT_TRUE((*image)->readAt(0, disk.data(), disk.size()));
    return disk;
}

} // namespace

TEST(UdifFormats, EveryFormatWePassesIndependentReaders)
{
    ASSERT_TRUE(haveProgram("7zz") && haveProgram("dmg2img")) << "7zz and dmg2img are needed (scripts/bootstrap)";
    const std::string rawPath = fixturePath("dfvfs-hfsplus.raw");
    const Bytes raw = readFile(rawPath);
    std::vector<Codec> formats(std::begin(kCodecs), std::end(kCodecs));
    formats.push_back({"UDRO", ChunkType::Raw, "raw", true});
    for (const Codec& f : formats) {
        SCOPED_TRACE(f.format);
        ScratchDir dir;
        const std::string dmg = dir.path("out.dmg");
        auto written = convertImage(rawPath, dmg, *imageFormatFromName(f.format));
        ASSERT_TRUE(written) << written.error().message;
        const ImageParts parts = splitImage(readFile(dmg));
        BlockTable table = *BlockTable::parse(parts.tables[0].data.data(), parts.tables[0].data.size());
        EXPECT_TRUE(std::any_of(table.chunks.begin(), table.chunks.end(),
                                [&](const BlockChunk& c) { return c.type == f.type; }));

        EXPECT_TRUE(decodedDisk(dmg, f.format) == raw);
        expectSevenZipHappy(dmg, "dmg");
        const ShellResult x = runProgram({"7zz", "x", "-tdmg", "-o" + dir.path("x"), dmg});
        ASSERT_EQ(x.exitCode, 0) << x.output;
        EXPECT_TRUE(readFile(dir.path("x/0.hfs")) == raw) << "7zz x differs from the raw disk";
        if (f.dmg2imgReads) {
            const ShellResult d = runProgram({"dmg2img", "-s", dmg, dir.path("d.img")});
            ASSERT_EQ(d.exitCode, 0) << d.output;
            EXPECT_TRUE(readFile(dir.path("d.img")) == raw) << "dmg2img output differs from the raw disk";
        }
        // Back from the new format, as convert does with an image it did not write.
        ASSERT_TRUE(convertImage(dmg, dir.path("back.dmg"), ImageFormat::UDRW));
        const Bytes udrw = readFile(dir.path("back.dmg")); // the sectors in place, then the trailer
        EXPECT_TRUE(udrw.size() > raw.size() && std::equal(raw.begin(), raw.end(), udrw.begin()));
    }
}

TEST(UdifFormats, OutputIsTheSameWhateverTheThreadCount)
{
    // Text, random, zero and mixed chunks, the last one short.
    const Bytes disk = syntheticDisk(4 * 2048 + 300, 7);
    for (const ChunkType codec : {ChunkType::Zlib, ChunkType::Bzip2, ChunkType::Lzma, ChunkType::Raw}) {
        SCOPED_TRACE(chunkTypeName(codec));
        ScratchDir dir;
        std::vector<Bytes> images;
        for (const unsigned threads : {1u, 3u}) {
            MemoryDisk source(disk);
            UdzoOptions options;
            options.codec = codec;
            options.threads = threads;
            const std::string out = dir.path(std::to_string(threads) + ".dmg");
            ASSERT_TRUE(writeUdzo(source, out, options));
            Bytes image = readFile(out);
            std::fill_n(image.end() - 512 + 64, 16, 0); // the segment UUID is random
            images.push_back(std::move(image));
        }
        EXPECT_TRUE(images[0] == images[1]);
    }
}

TEST(UdifFormats, DamagedChunksOfEachCodecFailClearly)
{
    Bytes text;
    for (int i = 0; text.size() < 2048; ++i)
        for (const char c : "chunk " + std::to_string(i * 7919 % 1000) + "\n")
            text.push_back(static_cast<uint8_t>(c));
    text.resize(2048);
    const Bytes zeros(8 << 20, 0); // a bomb: 8 MiB in a chunk that declares 1 sector

    struct Damage {
        const char* name;
        std::function<Bytes(Bytes)> change;
        size_t declared; // bytes the table claims
        const char* message;
        bool ofZeros = false;
    };
    const std::vector<Damage> damages = {
        {"bomb", [](Bytes s) { return s; }, 512, "decodes to more bytes than its sectors", true},
        {"longer than declared", [](Bytes s) { return s; }, 1024, "decodes to more bytes than its sectors"},
        {"shorter than declared", [](Bytes s) { return s; }, 4096, "decodes to fewer bytes than its sectors"},
        {"cut short", [](Bytes s) { s.resize(s.size() * 2 / 3); return s; }, 2048, "ends early"},
        {"bytes after the stream", [](Bytes s) { s.push_back(0); return s; }, 2048, "data after the end"},
        {"not a stream at all", [](Bytes s) { std::fill(s.begin(), s.begin() + 8, 0x5A); return s; }, 2048, "corrupt"},
    };
    for (const Codec& codec : kCodecs) {
        const Bytes ofText = compressed(codec.type, text);
        const Bytes ofZeros = compressed(codec.type, zeros);
        for (const Damage& d : damages) {
            SCOPED_TRACE(std::string(codec.name) + ": " + d.name);
            const Bytes stored = d.change(d.ofZeros ? ofZeros : ofText);
            Bytes out(d.declared);
            auto r = decodeChunk(codec.type, stored.data(), stored.size(), out.data(), out.size());
            ASSERT_FALSE(r);
            EXPECT_EQ(r.error().code, ErrorCode::corrupt);
            EXPECT_EQ(r.error().message.find(std::string(codec.name) + " chunk "), 0u) << r.error().message;
            EXPECT_NE(r.error().message.find(d.message), std::string::npos) << r.error().message;
        }
        Bytes out(text.size());
        ASSERT_TRUE(decodeChunk(codec.type, ofText.data(), ofText.size(), out.data(), out.size()));
        EXPECT_TRUE(out == text);
    }
}

TEST(UdifFormats, ConvertTakesEachFormatAndZlibLevel)
{
    ScratchDir dir;
    const std::string raw = fixturePath("dfvfs-hfsplus.raw");
    struct Case {
        std::vector<std::string> arguments;
        const char* expected; // in the output or the error
    };
    const std::vector<Case> cases = {
        {{"-format", "UDBZ"}, "created: "},
        {{"-format", "ULMO"}, "created: "},
        {{"-format", "UDRO"}, "created: "},
        {{"-format", "UDZO", "-imagekey", "zlib-level=1"}, "created: "},
        {{"-format", "UDZO", "-imagekey", "zlib-level=12"}, "created: "},
        {{"-format", "UDZO", "-imagekey", "zlib-level=13"}, "unsupported image key \"zlib-level=13\" (zlib-level=1 ... 12)"},
        {{"-format", "UDZO", "-imagekey", "zlib-level=0"}, "unsupported image key"},
        {{"-format", "UDZO", "-imagekey", "zlib-level=1x"}, "unsupported image key"},
        {{"-format", "ULFO"}, "unsupported format \"ULFO\" (UDZO, UDBZ, ULMO, UDRO or UDRW)"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"convert", raw, "-o", dir.path("out.dmg"), "-ov"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        SCOPED_TRACE(arguments.back());
        std::ostringstream out, err;
        const int rc = vorlap::hdiutil::run(arguments, out, err);
        EXPECT_NE((out.str() + err.str()).find(c.expected), std::string::npos) << out.str() << err.str();
        EXPECT_EQ(rc == 0, std::string(c.expected) == "created: ");
    }
}
