// Damaged and hostile images: each ends with a clear error, never a crash, garbage
// data or an allocation the file does not justify; conversions leave no output.
#include "UdifTestSupport.h"

#include "common/BigEndian.h"
#include "diskimage/udif/BlockTable.h"
#include "diskimage/udif/Convert.h"
#include "diskimage/udif/DiskImage.h"
#include "diskimage/udif/UdifWriter.h"

#include <gtest/gtest.h>

using namespace vorlap::bigendian;
using namespace vorlap::diskimage;
using namespace vorlap::diskimage::udif;
using namespace vorlap::test::udif;

namespace {

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
    std::string problemWith(const Bytes& image)
    {
        writeFile(dir.path("bad.dmg"), image);
        auto opened = DiskImage::open(dir.path("bad.dmg"));
        if (!opened)
            return opened.error().message;
        auto verified = (*opened)->verify();
        return verified ? std::string("(no error)") : "verify: " + verified.error().message;
    }

    // Applies `change` to the first block table, keeping master and data-fork
    // checksums right unless told otherwise.
    template <class F>
    Bytes withTable(F change, bool fixChecksums = true)
    {
        ImageParts parts = splitImage(good);
        auto table = BlockTable::parse(parts.tables[0].data.data(), parts.tables[0].data.size());
        EXPECT_TRUE(table);
        change(*table);
        parts.tables[0].data = table->serialize();
        return assembleImage(parts, fixChecksums);
    }

    size_t firstChunkOf(ChunkType type)
    {
        ImageParts parts = splitImage(good);
        auto table = BlockTable::parse(parts.tables[0].data.data(), parts.tables[0].data.size());
        for (size_t i = 0; i < table->chunks.size(); ++i)
            if (table->chunks[i].type == type)
                return i;
        ADD_FAILURE() << "no chunk of that type";
        return 0;
    }

    ScratchDir dir;
    Bytes good;
};

bool mentions(const std::string& message, const std::string& part)
{
    return message.find(part) != std::string::npos;
}

} // namespace

TEST_F(DamagedImages, TheIntactImageIsFine)
{
    EXPECT_EQ(problemWith(good), "(no error)");
    EXPECT_EQ(problemWith(assembleImage(splitImage(good))), "(no error)");
}

TEST_F(DamagedImages, TruncatedOrWithoutTrailer)
{
    for (const size_t keep : {good.size() - 1, good.size() - 512, good.size() / 2, size_t{1000}, size_t{3}}) {
        const std::string problem = problemWith(Bytes(good.begin(), good.begin() + static_cast<long>(keep)));
        EXPECT_TRUE(mentions(problem, "truncated")) << keep << ": " << problem;
    }
    EXPECT_TRUE(mentions(problemWith(Bytes{}), "empty"));

    Bytes version = good;
    version[good.size() - 512 + 7] = 5;
    EXPECT_TRUE(mentions(problemWith(version), "version 5")) << problemWith(version);

    Bytes encrypted = good;
    std::copy_n("encrcdsa", 8, encrypted.begin());
    encrypted.resize(encrypted.size() - 512); // no trailer left
    encrypted.resize((encrypted.size() + 511) / 512 * 512);
    EXPECT_TRUE(mentions(problemWith(encrypted), "encrypted"));
}

TEST_F(DamagedImages, TrailerRangesOutsideTheFile)
{
    ImageParts parts = splitImage(good);
    Bytes image = good;
    storeBE64(&image[image.size() - 512 + 216], image.size()); // plist offset
    EXPECT_TRUE(mentions(problemWith(image), "property list lies outside the file"));
    image = good;
    storeBE64(&image[image.size() - 512 + 32], UINT64_MAX - 3); // data fork length
    EXPECT_TRUE(mentions(problemWith(image), "data fork lies outside the file"));
    image = good;
    storeBE64(&image[image.size() - 512 + 492], parts.koly.sectorCount + 1);
    EXPECT_TRUE(mentions(problemWith(image), "disk size"));
}

TEST_F(DamagedImages, BrokenPropertyList)
{
    const ImageParts parts = splitImage(good);
    const std::string xml(good.begin() + static_cast<long>(parts.koly.xmlOffset), good.end());
    const size_t dataAt = static_cast<size_t>(parts.koly.xmlOffset) + xml.find("<data>") + 20;
    Bytes badBase64 = good;
    badBase64[dataAt] = '*';
    EXPECT_TRUE(mentions(problemWith(badBase64), "base64")) << problemWith(badBase64);

    Bytes cut = good;
    const size_t end = static_cast<size_t>(parts.koly.xmlOffset + parts.koly.xmlLength);
    std::fill(cut.begin() + static_cast<long>(end) - 30, cut.begin() + static_cast<long>(end), ' ');
    EXPECT_TRUE(mentions(problemWith(cut), "malformed property list"));

    ImageParts none = parts;
    none.tables.clear();
    EXPECT_TRUE(mentions(problemWith(assembleImage(none)), "no block tables"));

    ImageParts many = parts;
    many.tables.assign(kMaxBlockTables + 1, parts.tables[0]);
    EXPECT_TRUE(mentions(problemWith(assembleImage(many)), "too many block tables"));
}

TEST_F(DamagedImages, ChunksThatLieOrClaimTooMuch)
{
    const size_t zlib = firstChunkOf(ChunkType::Zlib);
    const size_t raw = firstChunkOf(ChunkType::Raw);
    EXPECT_TRUE(mentions(problemWith(withTable([&](BlockTable& t) { t.chunks[zlib].compressedOffset = good.size(); })),
                         "outside the data fork"));
    EXPECT_TRUE(mentions(problemWith(withTable([&](BlockTable& t) { t.chunks[zlib].compressedLength = UINT64_MAX; })),
                         "outside the data fork"));
    EXPECT_TRUE(mentions(problemWith(withTable([&](BlockTable& t) { t.chunks[raw].compressedLength -= 1; })),
                         "raw chunk"));
    EXPECT_TRUE(mentions(problemWith(withTable([&](BlockTable& t) { t.dataOffset = UINT64_MAX / 2; })),
                         "outside the data fork"));
    // A compressed chunk announcing far more sectors than any decoder could make of
    // its bytes, or than a chunk may have: refused before anything is allocated.
    const auto grow = [&](uint64_t sectors) {
        return withTable([&](BlockTable& t) {
            const uint64_t extra = sectors - t.chunks[zlib].sectorCount;
            t.chunks[zlib].sectorCount = sectors;
            for (size_t i = zlib + 1; i < t.chunks.size(); ++i)
                t.chunks[i].sectorNumber += extra;
            t.sectorCount += extra;
        });
    };
    EXPECT_TRUE(mentions(problemWith(grow(uint64_t{1} << 40)), "too large"));
    EXPECT_TRUE(mentions(problemWith(withTable([&](BlockTable& t) { t.chunks[zlib].compressedLength = 10; })),
                         "claims more sectors"));
    EXPECT_TRUE(mentions(problemWith(withTable([&](BlockTable& t) { t.chunks[zlib].type = ChunkType::Bzip2; })),
                         "bzip2"));
    EXPECT_TRUE(mentions(
        problemWith(withTable([&](BlockTable& t) { t.chunks[zlib].type = static_cast<ChunkType>(0x1234); })),
        "unknown chunk type 0x00001234"));
    // Tables that leave a gap on the disk.
    EXPECT_TRUE(mentions(problemWith(withTable([&](BlockTable& t) { t.firstSector = 1; })), "gaps"));

    // Absurd chunk count in the table itself.
    ImageParts parts = splitImage(good);
    storeBE32(&parts.tables[0].data[200], 0x10000000);
    EXPECT_TRUE(mentions(problemWith(assembleImage(parts)), "does not match its chunk count"));
}

TEST_F(DamagedImages, ChecksumsCatchFlippedBits)
{
    // Any changed byte in the stored data: the data-fork checksum.
    ImageParts parts = splitImage(good);
    parts.dataFork[100] ^= 1;
    EXPECT_TRUE(mentions(problemWith(assembleImage(parts, false)), "data fork checksum mismatch"));

    // Images from macOS carry no data-fork checksum: the table checksum catches a
    // change in a raw chunk, zlib itself one in a compressed chunk; reading that
    // chunk fails rather than returning garbage.
    const auto withoutDataForkChecksum = [&](size_t chunk) {
        ImageParts p = splitImage(good);
        auto table = BlockTable::parse(p.tables[0].data.data(), p.tables[0].data.size());
        p.dataFork[static_cast<size_t>(table->chunks[chunk].compressedOffset + 7)] ^= 0x10;
        p.koly.dataForkChecksum = UdifChecksum{};
        return std::make_pair(assembleImage(p, true), table->chunks[chunk]);
    };
    const auto [rawDamaged, rawChunk] = withoutDataForkChecksum(firstChunkOf(ChunkType::Raw));
    EXPECT_TRUE(mentions(problemWith(rawDamaged), "verify: ")) << problemWith(rawDamaged);
    EXPECT_TRUE(mentions(problemWith(rawDamaged), "checksum mismatch in \"whole disk (Apple_HFS : 0)\""));
    const auto [zlibDamaged, zlibChunk] = withoutDataForkChecksum(firstChunkOf(ChunkType::Zlib));
    EXPECT_TRUE(mentions(problemWith(zlibDamaged), "verify: "));
    writeFile(dir.path("zlib.dmg"), zlibDamaged);
    auto image = DiskImage::open(dir.path("zlib.dmg"));
    ASSERT_TRUE(image);
    Bytes sector(512);
    auto read = (*image)->readAt(zlibChunk.sectorNumber * 512, sector.data(), sector.size());
    EXPECT_FALSE(read);
    if (!read) {
        EXPECT_TRUE(mentions(read.error().message, "zlib chunk"));
    }

    // A table checksum that does not match its data (master recomputed to match).
    EXPECT_TRUE(mentions(problemWith(withTable([](BlockTable& t) { t.checksum.data[0] ^= 1; })),
                         "checksum mismatch in"));
    // The master checksum itself.
    Bytes master = good;
    master[good.size() - 512 + 360] ^= 1;
    EXPECT_TRUE(mentions(problemWith(master), "master checksum mismatch"));
}

TEST_F(DamagedImages, ConversionOfADamagedImageWritesNothing)
{
    ImageParts parts = splitImage(good);
    auto table = BlockTable::parse(parts.tables[0].data.data(), parts.tables[0].data.size());
    const size_t raw = firstChunkOf(ChunkType::Raw);
    parts.dataFork[static_cast<size_t>(table->chunks[raw].compressedOffset)] ^= 1;
    parts.koly.dataForkChecksum = UdifChecksum{};
    writeFile(dir.path("damaged.dmg"), assembleImage(parts));
    for (const ImageFormat format : {ImageFormat::UDZO, ImageFormat::UDRW}) {
        auto r = convertImage(dir.path("damaged.dmg"), dir.path("out.dmg"), format);
        ASSERT_FALSE(r);
        EXPECT_TRUE(mentions(r.error().message, "checksum mismatch"));
    }
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"damaged.dmg", "disk.raw", "good.dmg"}));
}
