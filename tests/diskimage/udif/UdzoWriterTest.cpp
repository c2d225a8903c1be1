// Writing UDZO and UDRW images, checked by readers that are not ours (7-Zip, dmg2img)
// and by our own reader.
#include "UdifTestSupport.h"

#include "common/BigEndian.h"
#include "diskimage/ByteSource.h"
#include "diskimage/udif/BlockTable.h"
#include "diskimage/udif/Checksum.h"
#include "diskimage/udif/DiskImage.h"
#include "diskimage/udif/UdifWriter.h"
#include "support/SevenZip.h"
#include "support/Shell.h"
#include "support/TestPaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

using namespace vorlap::bigendian;
using namespace vorlap::diskimage;
using namespace vorlap::diskimage::udif;
using namespace vorlap::test;
using namespace vorlap::test::udif;
namespace fs = std::filesystem;

namespace {

// Bytes held in memory, as a disk to write from.
class MemoryDisk final : public ByteSource {
public:
    explicit MemoryDisk(Bytes bytes, uint64_t failAt = UINT64_MAX) : m_bytes(std::move(bytes)), m_failAt(failAt) {}
    uint64_t size() const override { return m_bytes.size(); }
    Result<void> readAt(uint64_t offset, void* buffer, size_t length) override
    {
        if (offset > m_bytes.size() || length > m_bytes.size() - offset)
            return fail(ErrorCode::corrupt, "read past the end");
        if (offset + length > m_failAt)
            return fail(ErrorCode::system, "simulated read error");
        std::copy_n(m_bytes.begin() + static_cast<long>(offset), length, static_cast<uint8_t*>(buffer));
        return {};
    }

private:
    Bytes m_bytes;
    uint64_t m_failAt;
};

void expectDmg2imgGives(const std::string& dmg, const Bytes& raw, const ScratchDir& dir)
{
    const std::string out = dir.path("dmg2img.img");
    const ShellResult r = runProgram({"dmg2img", dmg, out});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_TRUE(readFile(out) == raw) << "dmg2img output differs from the raw disk";
    fs::remove(out);
}

Bytes decodeWithOurReader(const std::string& dmg)
{
    auto image = DiskImage::open(dmg);
    EXPECT_TRUE(image) << image.error().message;
    if (!image)
        return {};
    auto verified = (*image)->verify();
    EXPECT_TRUE(verified) << verified.error().message;
    Bytes disk((*image)->size());
    auto r = (*image)->readAt(0, disk.data(), disk.size());
    EXPECT_TRUE(r) << r.error().message;
    return disk;
}

std::vector<BlockTable> tablesOf(const std::string& dmg)
{
    std::vector<BlockTable> tables;
    for (const BlkxEntry& e : splitImage(readFile(dmg)).tables) {
        auto t = BlockTable::parse(e.data.data(), e.data.size());
        EXPECT_TRUE(t);
        if (t)
            tables.push_back(*t);
    }
    return tables;
}

// Relative path -> content (or "link:" + target) of every entry below `root`.
std::map<std::string, std::string> treeOf(const fs::path& root)
{
    std::map<std::string, std::string> tree;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const std::string rel = fs::relative(it->path(), root).string();
        if (it->is_symlink())
            tree[rel] = "link:" + fs::read_symlink(it->path()).string();
        else if (it->is_regular_file()) {
            const Bytes b = readFile(it->path().string());
            tree[rel] = std::string(b.begin(), b.end());
        } else
            tree[rel] = "dir";
    }
    return tree;
}

} // namespace

TEST(UdzoWriter, RealVolumesPassEveryIndependentReader)
{
    ASSERT_TRUE(haveProgram("7zz") && haveProgram("dmg2img")) << "7zz and dmg2img are needed (scripts/bootstrap)";
    for (const char* fixture : {"dfvfs-hfsplus.raw", "libdmg-empty.hfs"}) {
        SCOPED_TRACE(fixture);
        ScratchDir dir;
        const std::string rawPath = fixturePath(fixture);
        const Bytes raw = readFile(rawPath);
        const std::string dmg = dir.path("out.dmg");
        auto source = FileByteSource::open(rawPath);
        ASSERT_TRUE(source);
        auto written = writeUdzo(**source, dmg);
        ASSERT_TRUE(written) << written.error().message;
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"out.dmg"});

        // Layout: data fork, plist right after it, trailer last.
        const Bytes image = readFile(dmg);
        const ImageParts parts = splitImage(image);
        EXPECT_EQ(parts.koly.dataForkOffset, 0u);
        EXPECT_EQ(parts.koly.dataForkLength, parts.koly.xmlOffset);
        EXPECT_EQ(parts.koly.xmlOffset + parts.koly.xmlLength + 512, image.size());
        EXPECT_EQ(parts.koly.sectorCount * 512, raw.size());
        ASSERT_EQ(parts.tables.size(), 1u);
        EXPECT_EQ(parts.tables[0].name, "whole disk (Apple_HFS : 0)");
        // The trailer's fixed fields (version, header size, flags, master
        // checksum type, image variant) as in an image macOS made.
        const Bytes apple = readFile(fixturePath("libdmg-hdiutil.hfs.dmg"));
        for (const size_t offset : {4, 8, 12, 352, 488})
            EXPECT_EQ(loadBE32(&image[image.size() - 512 + offset]), loadBE32(&apple[apple.size() - 512 + offset])) << offset;

        expectSevenZipHappy(dmg, "dmg");
        expectDmg2imgGives(dmg, raw, dir);
        EXPECT_TRUE(decodeWithOurReader(dmg) == raw);

        // 7-Zip opens the HFS+ volume inside and finds the same files as in the raw volume.
        const ShellResult fromDmg = runProgram({"7zz", "x", "-snld", "-o" + dir.path("from-dmg"), dmg});
        const ShellResult fromRaw = runProgram({"7zz", "x", "-snld", "-o" + dir.path("from-raw"), rawPath});
        ASSERT_EQ(fromDmg.exitCode, 0) << fromDmg.output;
        ASSERT_EQ(fromRaw.exitCode, 0) << fromRaw.output;
        const auto tree = treeOf(dir.path("from-dmg"));
        EXPECT_EQ(tree, treeOf(dir.path("from-raw")));
        if (std::string(fixture) == "dfvfs-hfsplus.raw") {
            EXPECT_EQ(tree.count("hfsplus_test/passwords.txt"), 1u);
        }
    }
}

namespace {

// A disk whose last sectors are zero from `zeroFrom` on.
Bytes zeroTail(Bytes disk, size_t zeroFrom)
{
    std::fill(disk.begin() + static_cast<long>(zeroFrom), disk.end(), uint8_t{0});
    return disk;
}

} // namespace

TEST(UdzoWriter, ChunkKindsFollowTheDataAtEverySize)
{
    using C = ChunkType;
    struct Shape {
        const char* name;
        Bytes raw;
        std::vector<ChunkType> chunks; // empty: not checked
    };
    const Shape shapes[] = {
        // Text, random (stored as is), zero, mixed, text, random, then zeros merged into
        // one entry with a short tail: 2048-sector chunks and a last one of 5 sectors.
        {"every kind", zeroTail(syntheticDisk(2048 * 8 + 5, 7), 2048 * 512 * 7),
         {C::Zlib, C::Raw, C::ZeroFill, C::Zlib, C::Zlib, C::Raw, C::ZeroFill, C::Terminator}},
        // Nothing but zeros: the first chunk is still stored, so that the data fork is not
        // empty and the property list does not start at offset 0 (dmg2img would take
        // that for "no property list").
        {"zeros", Bytes(3 * 1024 * 1024, 0), {C::Zlib, C::ZeroFill, C::Terminator}},
        {"1 sector", syntheticDisk(1, 1), {}},
        {"2048 sectors", syntheticDisk(2048, 2048), {}},
        {"2049 sectors", syntheticDisk(2049, 2049), {}},
    };
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(shape.name);
        ScratchDir dir;
        const std::string dmg = dir.path("out.dmg");
        MemoryDisk disk(shape.raw);
        ASSERT_TRUE(writeUdzo(disk, dmg));

        const auto tables = tablesOf(dmg);
        ASSERT_EQ(tables.size(), 1u);
        const BlockTable& t = tables[0];
        EXPECT_EQ(t.firstSector, 0u);
        EXPECT_EQ(t.sectorCount, shape.raw.size() / 512);
        EXPECT_EQ(t.buffersNeeded, 2056u);
        EXPECT_EQ(t.checksum.crc32Value(), crc32Update(0, shape.raw.data(), shape.raw.size())); // zero fill counts
        std::vector<ChunkType> types;
        uint64_t sectors = 0;
        for (const BlockChunk& c : t.chunks) {
            types.push_back(c.type);
            EXPECT_EQ(c.sectorNumber, sectors);
            sectors += c.sectorCount;
            if (c.type == C::Raw)
                EXPECT_EQ(c.compressedLength, c.sectorCount * 512);
            if (c.type == C::ZeroFill)
                EXPECT_EQ(c.compressedLength, 0u);
        }
        if (!shape.chunks.empty())
            EXPECT_EQ(types, shape.chunks);
        EXPECT_EQ(types.front(), C::Zlib);
        const ImageParts parts = splitImage(readFile(dmg));
        EXPECT_GT(parts.koly.xmlOffset, 0u);
        EXPECT_EQ(t.chunks.back().compressedOffset, parts.koly.dataForkLength); // non-zero, for dmg2img
        EXPECT_EQ(parts.koly.dataForkChecksum.crc32Value(), crc32Update(0, parts.dataFork.data(), parts.dataFork.size()));
        EXPECT_EQ(parts.koly.masterChecksum.crc32Value(), *masterChecksum({t.checksum}));

        expectSevenZipHappy(dmg, "dmg");
        expectDmg2imgGives(dmg, shape.raw, dir);
        EXPECT_TRUE(decodeWithOurReader(dmg) == shape.raw);
    }
}

TEST(UdzoWriter, ThreadCountAndChunkOrderDoNotChangeTheImage)
{
    // Small chunks make many of them in flight at once; the data must still come
    // out in disk order.
    const Bytes raw = syntheticDisk(2048 * 4 + 77, 3);
    ScratchDir dir;
    MemoryDisk disk(raw);
    UdzoOptions one;
    one.threads = 1;
    one.chunkSectors = 16;
    UdzoOptions many = one;
    many.threads = 4;
    ASSERT_TRUE(writeUdzo(disk, dir.path("one.dmg"), one));
    ASSERT_TRUE(writeUdzo(disk, dir.path("many.dmg"), many));
    Bytes a = readFile(dir.path("one.dmg"));
    Bytes b = readFile(dir.path("many.dmg"));
    ASSERT_EQ(a.size(), b.size());
    // Only the random segment ID may differ.
    std::fill_n(a.end() - 512 + 64, 16, uint8_t{0});
    std::fill_n(b.end() - 512 + 64, 16, uint8_t{0});
    EXPECT_TRUE(a == b);
    EXPECT_TRUE(decodeWithOurReader(dir.path("many.dmg")) == raw);
    expectSevenZipHappy(dir.path("many.dmg"), "dmg");
}

TEST(UdzoWriter, OutputAppearsWholeOrNotAtAll)
{
    ScratchDir dir;
    const std::string target = dir.path("out.dmg");
    writeFile(target, Bytes{'o', 'l', 'd'});

    // The source fails halfway: the old file stays, no temporary file is left.
    MemoryDisk failing(syntheticDisk(2048 * 6, 1), 3u << 20);
    auto r = writeUdzo(failing, target);
    ASSERT_FALSE(r);
    EXPECT_NE(r.error().message.find("simulated read error"), std::string::npos);
    EXPECT_EQ(readFile(target), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"out.dmg"});
    auto raw = writeUdrw(failing, target);
    ASSERT_FALSE(raw);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"out.dmg"});

    // A folder that does not exist: a clear error naming the path.
    MemoryDisk good(syntheticDisk(64, 2));
    auto missing = writeUdzo(good, dir.path("no/such/folder/x.dmg"));
    ASSERT_FALSE(missing);
    EXPECT_NE(missing.error().message.find("no/such/folder/x.dmg"), std::string::npos);
    // A folder by the target's name: refused before anything is written.
    fs::create_directory(dir.path("taken.dmg"));
    auto taken = writeUdzo(good, dir.path("taken.dmg"));
    ASSERT_FALSE(taken);
    EXPECT_NE(taken.error().message.find("taken.dmg: is a folder"), std::string::npos) << taken.error().message;
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"out.dmg", "taken.dmg"}));
    fs::remove(dir.path("taken.dmg"));

    // Success replaces the old file.
    ASSERT_TRUE(writeUdzo(good, target));
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"out.dmg"});
    EXPECT_TRUE(decodeWithOurReader(target) == syntheticDisk(64, 2));
}

TEST(UdzoWriter, RefusesDisksThatAreNotWholeSectors)
{
    ScratchDir dir;
    MemoryDisk ragged(Bytes(1000, 1));
    auto r = writeUdzo(ragged, dir.path("ragged.dmg"));
    ASSERT_FALSE(r);
    EXPECT_NE(r.error().message.find("512-byte sectors"), std::string::npos);
    EXPECT_EQ(r.error().code, ErrorCode::invalidArgument);
    MemoryDisk nothing(Bytes{});
    auto empty = writeUdzo(nothing, dir.path("nothing.dmg"));
    ASSERT_FALSE(empty);
    EXPECT_EQ(empty.error().code, ErrorCode::invalidArgument);
    EXPECT_TRUE(dir.entries().empty());
}
