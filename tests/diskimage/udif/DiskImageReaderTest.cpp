// Reading images: macOS's own UDZO images (GUID partition map, chunks out of sector
// order) against 7-Zip and dmg2img, conversion between formats, random access through
// the chunk cache, and ADC. Finding the volume on raw disks: VolumeReaderTest.
#include "UdifTestSupport.h"

#include "common/BigEndian.h"
#include "diskimage/udif/AdcDecoder.h"
#include "diskimage/udif/BlockTable.h"
#include "diskimage/udif/Checksum.h"
#include "diskimage/udif/Convert.h"
#include "diskimage/udif/DiskImage.h"
#include "diskimage/udif/VolumeLocator.h"
#include "support/SevenZip.h"
#include "support/Shell.h"
#include "support/TestPaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sstream>

using namespace vorlap::diskimage;
using namespace vorlap::diskimage::udif;
using namespace vorlap::test;
using namespace vorlap::test::udif;
namespace fs = std::filesystem;

namespace {

std::unique_ptr<DiskImage> openImage(const std::string& path)
{
    auto image = DiskImage::open(path);
    EXPECT_TRUE(image) << image.error().message;
    return image ? std::move(*image) : nullptr;
}

Bytes readAll(ByteSource& source)
{
    Bytes out(source.size());
    auto r = source.readAt(0, out.data(), out.size());
    EXPECT_TRUE(r) << r.error().message;
    return out;
}

// 7-Zip's view of a UDIF image: the bytes of each block table, in image order.
std::vector<Bytes> sevenZipItems(const std::string& dmg, const ScratchDir& dir)
{
    const std::string out = dir.path("7z-items");
    const ShellResult r = runProgram({"7zz", "x", "-tdmg", "-o" + out, dmg});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    std::vector<Bytes> items;
    for (size_t i = 0;; ++i) {
        bool found = false;
        for (const auto& e : fs::directory_iterator(out)) {
            const std::string name = e.path().filename().string();
            if (name.rfind(std::to_string(i) + ".", 0) == 0) {
                items.push_back(readFile(e.path().string()));
                found = true;
            }
        }
        if (!found)
            break;
    }
    fs::remove_all(out);
    return items;
}

// dmg2img's list of partition names.
std::vector<std::string> dmg2imgNames(const std::string& dmg)
{
    const ShellResult r = runProgram({"dmg2img", "-l", dmg});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    std::vector<std::string> names;
    std::istringstream lines(r.output);
    for (std::string line; std::getline(lines, line);) {
        const size_t colon = line.find(": ");
        if (line.rfind("partition ", 0) == 0 && colon != std::string::npos)
            names.push_back(line.substr(colon + 2));
    }
    return names;
}

} // namespace

TEST(UdifReader, ReadsAndConvertsMacOsImagesLikeIndependentReaders)
{
    ASSERT_TRUE(haveProgram("7zz") && haveProgram("dmg2img"));
    struct Fixture {
        const char* name;
        uint64_t hfsSectors;
    };
    for (const Fixture f : {Fixture{"dfvfs-hfsplus_zlib.dmg", 3744}, Fixture{"libdmg-hdiutil.hfs.dmg", 10160}}) {
        SCOPED_TRACE(f.name);
        ScratchDir dir;
        const std::string path = fixturePath(f.name);
        auto image = openImage(path);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->formatName(), "UDZO");
        EXPECT_TRUE(image->isUdif());
        auto verified = image->verify();
        EXPECT_TRUE(verified) << verified.error().message;

        // Same tables as dmg2img lists, same bytes as 7-Zip extracts.
        std::vector<std::string> names;
        for (const Partition& p : image->partitions())
            names.push_back(p.name);
        EXPECT_EQ(names, dmg2imgNames(path));
        const std::vector<Bytes> items = sevenZipItems(path, dir);
        ASSERT_EQ(items.size(), image->partitions().size());
        Bytes disk;
        for (size_t i = 0; i < items.size(); ++i) {
            const Partition& p = image->partitions()[i];
            Bytes ours(p.length());
            ASSERT_TRUE(image->readAt(p.offset(), ours.data(), ours.size()));
            EXPECT_TRUE(ours == items[i]) << p.name;
            disk.insert(disk.end(), items[i].begin(), items[i].end());
        }

        // The HFS+ volume, found by its table's name, starts with a volume header.
        auto volume = openHfsVolume(*image);
        ASSERT_TRUE(volume) << volume.error().message;
        auto located = locateHfsVolume(*image);
        EXPECT_EQ(located->name, "disk image (Apple_HFS : 4)");
        EXPECT_EQ(located->firstSector, 40u);
        EXPECT_EQ((*volume)->size(), f.hfsSectors * 512);
        uint8_t header[2];
        ASSERT_TRUE((*volume)->readAt(1024, header, 2));
        EXPECT_EQ(std::string(header, header + 2), "H+");
        // ...and its decoded bytes carry the checksum macOS recorded for the table.
        const Bytes hfs = readAll(**volume);
        const ImageParts parts = splitImage(readFile(path));
        const BlkxEntry& entry = parts.tables[4];
        auto table = BlockTable::parse(entry.data.data(), entry.data.size());
        ASSERT_TRUE(table);
        uint32_t crc = 0;
        for (const BlockChunk& c : table->chunks)
            if (c.type != ChunkType::Ignore && c.type != ChunkType::Terminator)
                crc = crc32Update(crc, hfs.data() + c.sectorNumber * 512, c.sectorCount * 512);
        EXPECT_EQ(crc, table->checksum.crc32Value());

        // To a raw disk: the tables' bytes end to end, whose GUID partition map locates
        // the volume.
        ASSERT_TRUE(convertImage(path, dir.path("disk.raw"), ImageFormat::UDRW));
        const Bytes udrw = readFile(dir.path("disk.raw")); // the sectors in place, then the trailer
        EXPECT_TRUE(udrw.size() > disk.size() && std::equal(disk.begin(), disk.end(), udrw.begin()));
        auto raw = openImage(dir.path("disk.raw"));
        ASSERT_TRUE(raw);
        EXPECT_EQ(raw->formatName(), "UDRW");
        auto rawVolume = locateHfsVolume(*raw);
        ASSERT_TRUE(rawVolume) << rawVolume.error().message;
        EXPECT_EQ(rawVolume->type, "Apple_HFS");
        EXPECT_EQ(rawVolume->firstSector, 40u);
        EXPECT_EQ(rawVolume->sectorCount, f.hfsSectors);

        // To UDZO again: same tables, names and IDs; every reader agrees.
        ASSERT_TRUE(convertImage(path, dir.path("same.dmg"), ImageFormat::UDZO));
        EXPECT_EQ(dmg2imgNames(dir.path("same.dmg")), names);
        const auto again = splitImage(readFile(dir.path("same.dmg")));
        ASSERT_EQ(again.tables.size(), parts.tables.size());
        for (size_t i = 0; i < parts.tables.size(); ++i)
            EXPECT_EQ(again.tables[i].id, parts.tables[i].id);
        expectSevenZipHappy(dir.path("same.dmg"), "dmg");
        EXPECT_TRUE(sevenZipItems(dir.path("same.dmg"), dir) == items);
        const ShellResult p4 = runProgram({"dmg2img", "-p", "4", dir.path("same.dmg"), dir.path("p4.img")});
        ASSERT_EQ(p4.exitCode, 0) << p4.output;
        EXPECT_TRUE(readFile(dir.path("p4.img")) == items[4]);
    }
}

TEST(UdifReader, RandomAccessThroughTheChunkCache)
{
    ScratchDir dir;
    const Bytes raw = syntheticDisk(2048 * 12 + 3, 11);
    ASSERT_EQ(raw.size() % 512, 0u);
    writeFile(dir.path("raw.img"), raw);
    auto source = FileByteSource::open(dir.path("raw.img"));
    ASSERT_TRUE(source);
    UdzoOptions small;
    small.chunkSectors = 100; // many short runs of every kind
    ASSERT_TRUE(writeUdzo(**source, dir.path("img.dmg"), small));
    auto image = openImage(dir.path("img.dmg"));
    ASSERT_TRUE(image);

    std::mt19937_64 rng(5);
    Bytes buffer;
    for (int i = 0; i < 400; ++i) {
        const uint64_t offset = rng() % raw.size();
        const size_t length = static_cast<size_t>(std::min<uint64_t>(rng() % (3 << 20), raw.size() - offset));
        buffer.assign(length, 0xCC);
        ASSERT_TRUE(image->readAt(offset, buffer.data(), length));
        ASSERT_TRUE(std::equal(buffer.begin(), buffer.end(), raw.begin() + static_cast<long>(offset)))
            << "offset " << offset << " length " << length;
    }
    uint8_t byte;
    EXPECT_FALSE(image->readAt(raw.size(), &byte, 1));
    EXPECT_TRUE(image->readAt(raw.size(), &byte, 0));
}

namespace {

// "Hello, ADC! " repeated over one sector, with all three ADC codes.
Bytes adcSample(Bytes& decoded)
{
    const std::string phrase = "Hello, ADC! ";
    decoded.clear();
    while (decoded.size() < 512)
        decoded.push_back(static_cast<uint8_t>(phrase[decoded.size() % phrase.size()]));
    Bytes s;
    s.push_back(static_cast<uint8_t>(0x80 | (phrase.size() - 1))); // literal run
    s.insert(s.end(), phrase.begin(), phrase.end());
    for (int i = 0; i < 7; ++i) { // 67-byte copies from 12 back (three-byte code)
        s.push_back(0x40 | (67 - 4));
        s.push_back(0);
        s.push_back(11);
    }
    s.push_back(static_cast<uint8_t>((18 - 3) << 2)); // two-byte code: 18 bytes from 12 back
    s.push_back(11);
    s.push_back(static_cast<uint8_t>((13 - 3) << 2)); // and the last 13
    s.push_back(11);
    return s;
}

} // namespace

TEST(UdifReader, DecodesAdcChunks)
{
    Bytes expected;
    const Bytes stream = adcSample(expected);
    Bytes out(512);
    ASSERT_TRUE(decodeAdc(stream.data(), stream.size(), out.data(), out.size()));
    EXPECT_EQ(out, expected);

    Bytes extra = stream;
    extra.push_back(0x80);
    struct Bad {
        Bytes in;
        size_t outLength;
        const char* mentions;
    };
    for (const Bad& bad : {Bad{{0x80, 'a', 0x00, 0x05}, 4, "before the start"}, // copy from 6 back after one byte
                           Bad{extra, 512, "left over"}, Bad{Bytes(stream.begin(), stream.end() - 1), 512, "ends early"}}) {
        auto r = decodeAdc(bad.in.data(), bad.in.size(), out.data(), bad.outLength);
        ASSERT_FALSE(r) << bad.mentions;
        EXPECT_EQ(r.error().code, ErrorCode::corrupt);
        EXPECT_NE(r.error().message.find(bad.mentions), std::string::npos) << r.error().message;
    }

    // In an image (a UDCO), read by us and by 7-Zip.
    ImageParts parts;
    BlockTable table;
    table.sectorCount = 1;
    table.buffersNeeded = 9;
    table.checksum = UdifChecksum::crc32(crc32Update(0, expected.data(), expected.size()));
    table.chunks = {{ChunkType::Adc, 0, 0, 1, 0, stream.size()}, {ChunkType::Terminator, 0, 1, 0, stream.size(), 0}};
    parts.tables = {BlkxEntry{}};
    parts.tables[0].name = "whole disk (Apple_HFS : 0)";
    parts.tables[0].data = table.serialize();
    parts.dataFork = stream;
    parts.koly.sectorCount = 1;
    ScratchDir dir;
    writeFile(dir.path("adc.dmg"), assembleImage(parts));
    auto image = openImage(dir.path("adc.dmg"));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->formatName(), "UDCO");
    EXPECT_TRUE(image->verify());
    EXPECT_EQ(readAll(*image), expected);
    EXPECT_EQ(sevenZipItems(dir.path("adc.dmg"), dir), std::vector<Bytes>{expected});
}
