// Damaged and hostile images: each ends with a clear error, never a crash, garbage
// data or an allocation the file does not justify; conversions leave no output.
//
// The cases are data: each is a recipe, a named mutation of one good image (bytes
// patched at an offset, or a block table or the image's parts edited with the
// checksums recomputed so that only the intended damage remains), the words its
// error must contain and its kind. A new corruption is one more row.
#include "UdifTestSupport.h"

#include "common/BigEndian.h"
#include "diskimage/udif/BlockTable.h"
#include "diskimage/udif/Convert.h"
#include "diskimage/udif/DiskImage.h"
#include "diskimage/udif/UdifWriter.h"

#include <gtest/gtest.h>

#include <functional>

using namespace vorlap::bigendian;
using namespace vorlap::diskimage;
using namespace vorlap::diskimage::udif;
using namespace vorlap::test::udif;

namespace {

using Recipe = std::function<Bytes(const Bytes& good)>;

struct DamageCase {
    const char* name;
    Recipe damage;
    std::vector<std::string> mentions; // what the error must contain, in any order
    ErrorCode code = ErrorCode::corrupt;
};

// Text, random (stored raw), zero and mixed chunks.
class DamagedImages : public ::testing::Test {
protected:
    void SetUp() override
    {
        writeFile(dir.path("disk.raw"), syntheticDisk(2048 * 4, 9));
        auto source = FileByteSource::open(dir.path("disk.raw"));
        ASSERT_TRUE(source);
        ASSERT_TRUE(writeUdzo(**source, dir.path("good.dmg")));
        good = readFile(dir.path("good.dmg"));
    }

    // The error of opening `image`, or of verifying it when it opens.
    DiskImageError problemWith(const Bytes& image)
    {
        writeFile(dir.path("bad.dmg"), image);
        auto opened = DiskImage::open(dir.path("bad.dmg"));
        if (!opened)
            return opened.error();
        auto verified = (*opened)->verify();
        return verified ? DiskImageError{ErrorCode::corrupt, "(no error)"} : verified.error().prefixed("verify: ");
    }

    ScratchDir dir;
    Bytes good;
};

BlockTable firstTable(const ImageParts& parts)
{
    auto table = BlockTable::parse(parts.tables[0].data.data(), parts.tables[0].data.size());
    EXPECT_TRUE(table);
    return table ? *table : BlockTable{};
}

size_t firstChunkOf(const Bytes& good, ChunkType type)
{
    const BlockTable table = firstTable(splitImage(good));
    for (size_t i = 0; i < table.chunks.size(); ++i)
        if (table.chunks[i].type == type)
            return i;
    ADD_FAILURE() << "no chunk of that type";
    return 0;
}

// --- Recipes -------------------------------------------------------------------------

Recipe keepFirst(std::function<size_t(size_t)> bytes)
{
    return [bytes](const Bytes& good) { return Bytes(good.begin(), good.begin() + static_cast<long>(bytes(good.size()))); };
}

// `bytes` written over the trailer at `offset` into it.
Recipe inTrailer(size_t offset, std::function<void(uint8_t*, const ImageParts&)> write)
{
    return [offset, write](const Bytes& good) {
        Bytes image = good;
        write(&image[image.size() - 512 + offset], splitImage(good));
        return image;
    };
}

Recipe inParts(std::function<void(ImageParts&)> change, bool fixChecksums = true)
{
    return [change, fixChecksums](const Bytes& good) {
        ImageParts parts = splitImage(good);
        change(parts);
        return assembleImage(parts, fixChecksums);
    };
}

// Edits the first block table; chunk `ofType`'s index is passed along.
Recipe inTable(ChunkType ofType, std::function<void(BlockTable&, size_t chunk)> change)
{
    return [ofType, change](const Bytes& good) {
        const size_t chunk = firstChunkOf(good, ofType);
        return inParts([&](ImageParts& parts) {
            BlockTable table = firstTable(parts);
            change(table, chunk);
            parts.tables[0].data = table.serialize();
        })(good);
    };
}

// One byte of chunk `ofType`'s stored data changed, in an image that (like those macOS
// makes) carries no data-fork checksum to catch it.
Recipe inChunkWithoutDataForkChecksum(ChunkType ofType)
{
    return [ofType](const Bytes& good) {
        const size_t chunk = firstChunkOf(good, ofType);
        return inParts([&](ImageParts& parts) {
            parts.dataFork[static_cast<size_t>(firstTable(parts).chunks[chunk].compressedOffset + 7)] ^= 0x10;
            parts.koly.dataForkChecksum = UdifChecksum{};
        })(good);
    };
}

// A compressed chunk announcing `sectors` sectors, the sectors after it moved along.
Recipe zlibChunkGrownTo(uint64_t sectors)
{
    return inTable(ChunkType::Zlib, [sectors](BlockTable& t, size_t zlib) {
        const uint64_t extra = sectors - t.chunks[zlib].sectorCount;
        t.chunks[zlib].sectorCount = sectors;
        for (size_t i = zlib + 1; i < t.chunks.size(); ++i)
            t.chunks[i].sectorNumber += extra;
        t.sectorCount += extra;
    });
}

const std::vector<DamageCase>& damageCases()
{
    using T = BlockTable;
    static const std::vector<DamageCase> cases = {
        {"intact", [](const Bytes& good) { return good; }, {"(no error)"}},
        {"taken apart and put together", inParts([](ImageParts&) {}), {"(no error)"}},
        {"last byte cut", keepFirst([](size_t n) { return n - 1; }), {"truncated"}},
        {"trailer cut", keepFirst([](size_t n) { return n - 512; }), {"truncated"}},
        {"half cut", keepFirst([](size_t n) { return n / 2; }), {"truncated"}},
        {"1000 bytes left", keepFirst([](size_t) { return 1000; }), {"truncated"}},
        {"3 bytes left", keepFirst([](size_t) { return 3; }), {"truncated"}},
        {"empty", keepFirst([](size_t) { return 0; }), {"empty"}},
        {"trailer version 5", inTrailer(7, [](uint8_t* p, const ImageParts&) { *p = 5; }), {"version 5"}, ErrorCode::unsupported},
        {"encrypted, no trailer",
         [](const Bytes& good) {
             Bytes image(good.begin(), good.end() - 512);
             std::copy_n("encrcdsa", 8, image.begin());
             image.resize((image.size() + 511) / 512 * 512);
             return image;
         },
         {"encrypted"}, ErrorCode::unsupported},
        {"plist offset past the end",
         inTrailer(216, [](uint8_t* p, const ImageParts& parts) { storeBE64(p, parts.koly.xmlOffset + parts.koly.xmlLength + 512); }),
         {"property list lies outside the file"}},
        {"data fork length huge", inTrailer(32, [](uint8_t* p, const ImageParts&) { storeBE64(p, UINT64_MAX - 3); }),
         {"data fork lies outside the file"}},
        {"disk size one sector more",
         inTrailer(492, [](uint8_t* p, const ImageParts& parts) { storeBE64(p, parts.koly.sectorCount + 1); }), {"disk size"}},
        {"master checksum flipped", inTrailer(360, [](uint8_t* p, const ImageParts&) { *p ^= 1; }),
         {"master checksum mismatch"}},
        {"base64 broken",
         [](const Bytes& good) {
             const ImageParts parts = splitImage(good);
             const std::string xml(good.begin() + static_cast<long>(parts.koly.xmlOffset), good.end());
             Bytes image = good;
             image[static_cast<size_t>(parts.koly.xmlOffset) + xml.find("<data>") + 20] = '*';
             return image;
         },
         {"base64"}},
        {"plist end blanked",
         [](const Bytes& good) {
             const ImageParts parts = splitImage(good);
             Bytes image = good;
             const auto end = image.begin() + static_cast<long>(parts.koly.xmlOffset + parts.koly.xmlLength);
             std::fill(end - 30, end, ' ');
             return image;
         },
         {"malformed property list"}},
        {"no block tables", inParts([](ImageParts& p) { p.tables.clear(); }), {"no block tables"}},
        {"too many block tables", inParts([](ImageParts& p) { p.tables.assign(kMaxBlockTables + 1, p.tables[0]); }),
         {"too many block tables"}},
        {"chunk count absurd", inParts([](ImageParts& p) { storeBE32(&p.tables[0].data[200], 0x10000000); }),
         {"does not match its chunk count"}},
        {"chunk offset past the fork",
         inTable(ChunkType::Zlib, [](T& t, size_t c) { t.chunks[c].compressedOffset = uint64_t{1} << 40; }),
         {"outside the data fork"}},
        {"chunk length huge", inTable(ChunkType::Zlib, [](T& t, size_t c) { t.chunks[c].compressedLength = UINT64_MAX; }),
         {"outside the data fork"}},
        {"table data offset huge", inTable(ChunkType::Zlib, [](T& t, size_t) { t.dataOffset = UINT64_MAX / 2; }),
         {"outside the data fork"}},
        {"raw chunk one byte short", inTable(ChunkType::Raw, [](T& t, size_t c) { t.chunks[c].compressedLength -= 1; }),
         {"raw chunk"}},
        // Refused before anything is allocated: more sectors than a chunk may have, or
        // than any decoder could make of its bytes.
        {"chunk of 2^40 sectors", zlibChunkGrownTo(uint64_t{1} << 40), {"too large"}},
        {"chunk of ten bytes", inTable(ChunkType::Zlib, [](T& t, size_t c) { t.chunks[c].compressedLength = 10; }),
         {"claims more sectors"}},
        {"LZFSE chunk", inTable(ChunkType::Zlib, [](T& t, size_t c) { t.chunks[c].type = ChunkType::Lzfse; }), {"ULFO"}, ErrorCode::unsupported},
        {"unknown chunk type",
         inTable(ChunkType::Zlib, [](T& t, size_t c) { t.chunks[c].type = static_cast<ChunkType>(0x1234); }),
         {"unknown chunk type 0x00001234"}},
        {"gap before the table", inTable(ChunkType::Zlib, [](T& t, size_t) { t.firstSector = 1; }), {"gaps"}},
        {"table checksum wrong", inTable(ChunkType::Zlib, [](T& t, size_t) { t.checksum.data[0] ^= 1; }),
         {"checksum mismatch in"}},
        {"data fork byte flipped", inParts([](ImageParts& p) { p.dataFork[100] ^= 1; }, false),
         {"data fork checksum mismatch"}},
        // Without a data-fork checksum, the table checksum catches a changed raw chunk and
        // zlib itself a changed compressed one.
        {"raw chunk changed", inChunkWithoutDataForkChecksum(ChunkType::Raw),
         {"verify: ", "checksum mismatch in \"whole disk (Apple_HFS : 0)\""}},
        {"zlib chunk changed", inChunkWithoutDataForkChecksum(ChunkType::Zlib), {"verify: "}},
    };
    return cases;
}

} // namespace

TEST_F(DamagedImages, EachCaseFailsWithItsMessage)
{
    for (const DamageCase& c : damageCases()) {
        const DiskImageError problem = problemWith(c.damage(good));
        for (const std::string& part : c.mentions)
            EXPECT_NE(problem.message.find(part), std::string::npos) << c.name << ": " << problem.message;
        EXPECT_EQ(problem.code, c.code) << c.name << ": " << problem.message;
    }
}

TEST_F(DamagedImages, ReadingAChangedZlibChunkFailsRatherThanReturningGarbage)
{
    writeFile(dir.path("zlib.dmg"), inChunkWithoutDataForkChecksum(ChunkType::Zlib)(good));
    auto image = DiskImage::open(dir.path("zlib.dmg"));
    ASSERT_TRUE(image);
    Bytes sector(512);
    const uint64_t at = firstTable(splitImage(good)).chunks[firstChunkOf(good, ChunkType::Zlib)].sectorNumber * 512;
    auto read = (*image)->readAt(at, sector.data(), sector.size());
    ASSERT_FALSE(read);
    EXPECT_NE(read.error().message.find("zlib chunk"), std::string::npos) << read.error().message;
}

TEST_F(DamagedImages, ConversionOfADamagedImageWritesNothing)
{
    writeFile(dir.path("damaged.dmg"), inChunkWithoutDataForkChecksum(ChunkType::Raw)(good));
    for (const ImageFormat format : {ImageFormat::UDZO, ImageFormat::UDRW}) {
        auto r = convertImage(dir.path("damaged.dmg"), dir.path("out.dmg"), format);
        ASSERT_FALSE(r);
        EXPECT_NE(r.error().message.find("checksum mismatch"), std::string::npos) << r.error().message;
    }
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"damaged.dmg", "disk.raw", "good.dmg"}));
}
