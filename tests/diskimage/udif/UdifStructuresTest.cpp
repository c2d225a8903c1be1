// The on-disk structures one by one: checksums, base64, trailer, block table and the
// property list, checked against real vectors and an independent plist parser.
#include "UdifTestSupport.h"

#include "common/BigEndian.h"
#include "diskimage/udif/Base64.h"
#include "diskimage/udif/BlockTable.h"
#include "diskimage/udif/Checksum.h"
#include "diskimage/udif/KolyTrailer.h"
#include "diskimage/udif/PropertyList.h"
#include "diskimage/udif/ResourceFork.h"
#include "support/Shell.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

using namespace vorlap::bigendian;
using namespace vorlap::diskimage;
using namespace vorlap::diskimage::udif;
using namespace vorlap::test;
using namespace vorlap::test::udif;

TEST(UdifChecksum, Crc32AndMasterChecksumMatchRealImages)
{
    EXPECT_EQ(crc32Update(0, "123456789", 9), 0xCBF43926u);
    // Image checksums printed by macOS for single-table images, from their table CRCs.
    EXPECT_EQ(masterChecksum({UdifChecksum::crc32(0xD528D8A8)}), 0x977CE522u);
    EXPECT_EQ(masterChecksum({UdifChecksum::crc32(0x9B980201)}), 0xFD3402E5u);

    // Zero runs and combination agree with plain CRC-32 over the bytes.
    for (uint64_t n : {0ull, 1ull, 511ull, 4096ull, 4097ull, 1048576ull + 3}) {
        const Bytes zeros(n, 0);
        EXPECT_EQ(crc32OfZeros(n), crc32Update(0, zeros.data(), zeros.size())) << n;
    }
    const char* a = "disk image ";
    const char* b = "checksum";
    EXPECT_EQ(crc32Combine(crc32Update(0, a, 11), crc32Update(0, b, 8), 8), crc32Update(0, "disk image checksum", 19));

    // A checksum field keeps only its significant bytes.
    uint8_t field[kChecksumFieldSize];
    UdifChecksum c = UdifChecksum::crc32(0x01020304);
    c.data[10] = 0xEE; // beyond the 32 bits: must not be written
    c.serialize(field);
    EXPECT_EQ(loadBE32(field), 2u);
    EXPECT_EQ(loadBE32(field + 4), 32u);
    EXPECT_EQ(loadBE32(field + 8), 0x01020304u);
    for (size_t i = 12; i < kChecksumFieldSize; ++i)
        ASSERT_EQ(field[i], 0) << i;
    UdifChecksum odd;
    odd.type = 2;
    odd.bits = 33;
    EXPECT_FALSE(masterChecksum({odd}).has_value());
}

TEST(UdifBase64, RoundTripsAndRejectsMalformedText)
{
    for (size_t n = 0; n < 8; ++n) {
        Bytes data(n);
        for (size_t i = 0; i < n; ++i)
            data[i] = static_cast<uint8_t>(0xF0 + i * 37);
        const std::string text = base64Encode(data.data(), data.size());
        EXPECT_EQ(text.size() % 4, 0u);
        EXPECT_EQ(base64Decode(text), data);
    }
    EXPECT_EQ(base64Decode("bWlz\n\t\t\t\taA=="), (Bytes{'m', 'i', 's', 'h'}));
    EXPECT_EQ(base64Decode("bWlzaA"), (Bytes{'m', 'i', 's', 'h'})); // padding may be left out
    for (const char* bad : {"bWlz*A==", "b", "bWlza", "bW=l", "bWlzaA==bW", "=AAA", "AA==="})
        EXPECT_FALSE(base64Decode(bad).has_value()) << bad;
}

namespace {

BlockTable sampleTable()
{
    BlockTable t;
    t.firstSector = 40;
    t.sectorCount = 3000;
    t.buffersNeeded = 2056;
    t.checksum = UdifChecksum::crc32(0x298B2B37);
    t.chunks = {{ChunkType::Zlib, 0, 0, 2048, 0, 900},
                {ChunkType::Comment, 0x2B626567, 2048, 0, 0, 0},
                {ChunkType::ZeroFill, 0, 2048, 900, 0, 0},
                {ChunkType::Ignore, 0, 2948, 52, 0, 0},
                {ChunkType::Terminator, 0, 3000, 0, 900, 0}};
    return t;
}

} // namespace

TEST(UdifBlockTable, RoundTripsAndEnforcesItsStructure)
{
    const Bytes bytes = sampleTable().serialize();
    ASSERT_EQ(bytes.size(), 204u + 5 * 40);
    auto back = BlockTable::parse(bytes.data(), bytes.size());
    ASSERT_TRUE(back) << back.error().message;
    EXPECT_EQ(back->serialize(), bytes);

    // Each damaged table with what its error names.
    using Damage = std::function<void(BlockTable&, Bytes&)>;
    const std::pair<const char*, Damage> cases[] = {
        {"length", [](BlockTable&, Bytes& b) { b.pop_back(); }},
        {"length", [](BlockTable&, Bytes& b) { storeBE32(&b[200], 0xFFFFFFFF); }},
        {"contiguous", [](BlockTable& t, Bytes&) { t.chunks[2].sectorNumber = 2049; }},
        {"add up", [](BlockTable& t, Bytes&) { t.sectorCount = 3001, t.chunks.back().sectorNumber = 3001; }},
        {"terminator", [](BlockTable& t, Bytes&) { std::swap(t.chunks[3], t.chunks[4]); }},
        {"", [](BlockTable& t, Bytes&) { t.chunks[0].sectorCount = UINT64_MAX - 5; }},
        {"mish", [](BlockTable&, Bytes& b) { b[0] = 'M'; }},
    };
    for (const auto& [mentions, damage] : cases) {
        // Table changes are made before serializing, byte changes after.
        BlockTable table = sampleTable();
        Bytes scratch = table.serialize();
        damage(table, scratch);
        Bytes data = table.serialize();
        BlockTable unused = table;
        damage(unused, data);
        auto r = BlockTable::parse(data.data(), data.size());
        ASSERT_FALSE(r) << mentions;
        EXPECT_EQ(r.error().code, ErrorCode::corrupt);
        EXPECT_NE(r.error().message.find(mentions), std::string::npos) << r.error().message;
    }
}

TEST(UdifPropertyList, WrittenListSatisfiesEveryReader)
{
    BlkxEntry entry;
    entry.name = "whole disk (Apple_HFS : 0)";
    entry.data = sampleTable().serialize();
    BlkxEntry odd;
    odd.name = "a & b <c> (Apple_Free : 1)";
    odd.id = "1";
    odd.data = Bytes{1, 2, 3};
    const std::string xml = writeResourceForkPlist({entry, odd});

    // dmg2img's text search: the end within the last 20 bytes, Name after Data.
    ASSERT_GE(xml.size(), 20u);
    EXPECT_NE(xml.substr(xml.size() - 20).find("</plist>"), std::string::npos);
    EXPECT_NE(xml.find("<key>blkx</key>"), std::string::npos);
    EXPECT_LT(xml.find("<key>Data</key>"), xml.find("<key>Name</key>"));

    // Our reader.
    auto entries = readResourceForkPlist(xml);
    ASSERT_TRUE(entries) << entries.error().message;
    ASSERT_EQ(entries->size(), 2u);
    EXPECT_EQ((*entries)[0].name, entry.name);
    EXPECT_EQ((*entries)[0].id, "0");
    EXPECT_EQ((*entries)[0].attributes, "0x0050");
    EXPECT_EQ((*entries)[0].data, entry.data);
    EXPECT_EQ((*entries)[1].name, odd.name);

    // Python's plistlib, an independent parser.
    if (!haveProgram("python3"))
        GTEST_SKIP() << "python3 not installed";
    const ShellResult py = runProgram(
        {"python3", "-c",
         "import plistlib,sys\n"
         "p=plistlib.loads(sys.stdin.buffer.read())\n"
         "b=p['resource-fork']['blkx']\n"
         "print(len(b), b[0]['Name'], b[0]['CFName']==b[0]['Name'], b[0]['ID'], b[0]['Attributes'],"
         " b[0]['Data'][:4].decode(), len(b[0]['Data']), b[1]['Name'], len(p['resource-fork']['plst']))"},
        xml);
    EXPECT_EQ(py.exitCode, 0) << py.output;
    EXPECT_EQ(py.output, "2 whole disk (Apple_HFS : 0) True 0 0x0050 mish 404 a & b <c> (Apple_Free : 1) 1\n");
}

TEST(UdifPropertyList, ReaderAcceptsApplesSubsetAndRefusesTheRest)
{
    const std::string good =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- made elsewhere -->\n"
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
        "<plist version=\"1.0\"><dict><key>resource-fork</key><dict><key>blkx</key><array>"
        "<dict><key>CFName</key><string>&#x41;pple &amp; co</string><key>Data</key><data>AAEC</data>"
        "<key>Extra</key><array/><key>Flag</key><true/><key>N</key><integer>-3</integer></dict>"
        "</array></dict></dict></plist>\n";
    auto entries = readResourceForkPlist(good);
    ASSERT_TRUE(entries) << entries.error().message;
    ASSERT_EQ(entries->size(), 1u);
    EXPECT_EQ((*entries)[0].name, "Apple & co"); // CFName stands in for a missing Name
    EXPECT_EQ((*entries)[0].data, (Bytes{0, 1, 2}));

    const std::string head = "<plist version=\"1.0\"><dict><key>resource-fork</key><dict><key>blkx</key><array><dict>";
    const std::string tail = "</dict></array></dict></dict></plist>";
    std::string deep = "<plist>";
    for (int i = 0; i < 10000; ++i)
        deep += "<array>";
    const std::pair<std::string, const char*> refused[] = {
        {head + "<key>Data</key><data>AA*A</data>" + tail, "base64"},
        {head + "<key>Data</key><data>AAAA</data>" + "</dict></array></dict></dict>", "malformed"},
        {head + "<key>Name</key><string>x &bogus; y</string>" + tail, "entity"},
        {head + "<key>Data</key><![CDATA[x]]>" + tail, "malformed"},
        {head + "<key>Name</key><string>x</string>" + tail, "no Data"},
        {"<plist><dict><key>resource-fork</key><dict/></dict></plist>", "blkx"},
        {"<html></html>", "plist"},
        {"<!DOCTYPE plist [<!ENTITY x \"y\">]><plist><dict/></plist>", "internal subset"},
        {deep, "nested too deeply"},
        {good + "<plist/>", "after </plist>"},
    };
    for (const auto& [xml, mentions] : refused) {
        auto r = readResourceForkPlist(xml);
        ASSERT_FALSE(r) << mentions;
        EXPECT_EQ(r.error().code, ErrorCode::corrupt);
        EXPECT_NE(r.error().message.find(mentions), std::string::npos) << r.error().message;
    }
}
