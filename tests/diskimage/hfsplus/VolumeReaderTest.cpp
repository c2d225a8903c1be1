// Reading volumes macOS made, finding them inside partition maps, and refusing damaged
// or hostile images without crashing or writing outside the target folder.
#include "HfsTestSupport.h"
#include "support/PartitionMaps.h"
#include "support/Shell.h"
#include "support/TestPaths.h"

#include "common/BigEndian.h"
#include "diskimage/ByteSource.h"
#include "diskimage/hfsplus/VolumeLocator.h"
#include "diskimage/hfsplus/VolumeReader.h"
#include "diskimage/hfsplus/VolumeWriter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <sys/stat.h>

using namespace vorlap::bigendian;
using namespace vorlap::diskimage;
using namespace vorlap::diskimage::hfsplus;
using namespace vorlap::test::hfs;
using vorlap::test::fixturePath;
using vorlap::test::putApmEntry;
using vorlap::test::putGptWithHfs;
using vorlap::test::putMbrEntry;
using vorlap::test::runProgram;

namespace {

struct Opened {
    std::unique_ptr<FileByteSource> source;
    Result<std::unique_ptr<VolumeReader>> reader = fail(ErrorCode::notFound, "not opened");
};

Opened openImage(const std::string& path)
{
    Opened opened;
    auto file = FileByteSource::open(path);
    if (!file)
        return opened;
    opened.source = std::move(*file);
    opened.reader = VolumeReader::open(*opened.source);
    return opened;
}

std::string utf16be(const std::string& ascii)
{
    std::string out;
    for (char c : ascii) {
        out += '\0';
        out += c;
    }
    return out;
}

// An image's bytes, patched in place by the hostile-image tests.
struct Patch {
    std::string bytes;
    explicit Patch(const std::string& path) : bytes(readFile(path)) {}
    uint8_t* at(size_t offset) { return reinterpret_cast<uint8_t*>(bytes.data()) + offset; }
    uint32_t blockSize() { return loadBE32(at(1024 + 40)); }
    uint64_t catalogOffset() { return uint64_t{loadBE32(at(1024 + 272 + 16))} * blockSize(); }
    // Replaces every occurrence of one name (in keys and threads).
    int renameAll(const std::string& from, const std::string& to)
    {
        int count = 0;
        for (size_t pos = bytes.find(utf16be(from)); pos != std::string::npos; pos = bytes.find(utf16be(from), pos)) {
            bytes.replace(pos, 2 * from.size(), utf16be(to));
            ++count;
        }
        return count;
    }
    // The offset of the data fork inside the file record whose key holds `name`.
    size_t dataForkOf(const std::string& name)
    {
        const size_t nameAt = bytes.find(utf16be(name));
        const size_t keyStart = nameAt - 8;
        const size_t recordData = keyStart + 2 + loadBE16(at(keyStart));
        EXPECT_EQ(loadBE16(at(recordData)), 2); // a file record
        return recordData + 88;
    }
    void save(const std::string& path) { writeFile(path, bytes); }
};

std::string writeSample(const ScratchDir& dir, int manyFiles = 0)
{
    const std::string src = dir.path("src");
    makeFolder(src);
    writeFile(src + "/first.txt", patternBytes(9000, 1));
    writeFile(src + "/second.txt", patternBytes(5000, 2));
    writeFile(src + "/zz", "name to patch");
    makeSymlink(dir.path("outside"), src + "/evil1");
    writeFile(src + "/evil2", "would land outside");
    for (int i = 0; i < manyFiles; ++i)
        writeFile(src + "/f" + std::to_string(i), "x");
    const std::string image = dir.path("sample.hfs");
    auto written = writeVolume(src, image, {"Sample", 2 * 1024 * 1024, false});
    EXPECT_TRUE(written.has_value()) << written.error().message;
    return image;
}

// The failure of opening the image at `path`, or of extracting it.
DiskImageError openError(const std::string& path)
{
    auto opened = openImage(path);
    if (!opened.reader)
        return opened.reader.error();
    ScratchDir out;
    auto extracted = (*opened.reader)->extractTo(out.path());
    return extracted ? DiskImageError{ErrorCode::system, "(no error)"} : extracted.error();
}

uint8_t* bytesOf(std::string& s) { return reinterpret_cast<uint8_t*>(s.data()); }

// A GUID-partitioned disk (the layout macOS's tool makes by default) around a volume:
// 128 entries, the second one the volume's.
std::string gptDisk(const std::string& volume, uint64_t startLba)
{
    std::string disk(startLba * 512, '\0');
    disk[510] = '\x55';
    disk[511] = '\xAA';
    putGptWithHfs(bytesOf(disk), 128, 1, startLba, startLba + volume.size() / 512 - 1);
    return disk + volume + std::string(33 * 512, '\0');
}

// An Apple partition map in blocks of `blockSize` bytes around a volume 32 KiB in.
std::string apmDisk(const std::string& volume, uint16_t blockSize = 512)
{
    std::string disk(64 * 512, '\0');
    disk[0] = 'E';
    disk[1] = 'R';
    storeBE16(bytesOf(disk) + 2, blockSize);
    const uint32_t volumeStart = static_cast<uint32_t>(disk.size() / blockSize);
    putApmEntry(bytesOf(disk) + blockSize, 2, 1, volumeStart - 1, "", "Apple_partition_map");
    putApmEntry(bytesOf(disk) + 2 * blockSize, 2, volumeStart, static_cast<uint32_t>(volume.size() / blockSize), "",
                "Apple_HFS");
    return disk + volume;
}

// An MBR with one HFS+ partition (type 0xAF) at sector 64.
std::string mbrDisk(const std::string& volume)
{
    std::string disk(64 * 512, '\0');
    putMbrEntry(bytesOf(disk), 0, 0xAF, 64, static_cast<uint32_t>(volume.size() / 512));
    return disk + volume;
}

} // namespace

TEST(HfsVolumeReader, ReadsVolumesMacOsMade)
{
    auto empty = openImage(fixturePath("libdmg-empty.hfs"));
    ASSERT_TRUE(empty.reader.has_value()) << empty.reader.error().message;
    EXPECT_EQ((*empty.reader)->info().name, "Firefox");
    EXPECT_EQ((*empty.reader)->info().sizeBytes, 128u * 4096);
    EXPECT_TRUE((*empty.reader)->list()->empty());

    auto opened = openImage(fixturePath("dfvfs-hfsplus.raw"));
    ASSERT_TRUE(opened.reader.has_value()) << opened.reader.error().message;
    VolumeReader& reader = **opened.reader;
    EXPECT_EQ(reader.info().name, "hfsplus_test");
    EXPECT_EQ(reader.info().sizeBytes, 4153344u);
    auto listed = reader.list();
    ASSERT_TRUE(listed.has_value()) << listed.error().message;
    std::map<std::string, VolumeEntry> byPath;
    for (const auto& e : *listed)
        byPath[e.path] = e;
    ASSERT_TRUE(byPath.count("a_link"));
    EXPECT_EQ(byPath["a_link"].kind, ItemKind::Symlink);
    EXPECT_EQ(byPath["a_link"].linkTarget, "a_directory/another_file");
    EXPECT_EQ(byPath["a_directory"].kind, ItemKind::Folder);
    EXPECT_EQ(byPath["passwords.txt"].size, 116u);
    EXPECT_EQ(byPath["a_directory/a_resourcefork"].size, 0u); // only a resource fork

    // Extraction agrees with 7-Zip's, file by file.
    ScratchDir dir;
    const std::string ours = dir.path("ours"), theirs = dir.path("7z");
    makeFolder(ours);
    auto extracted = reader.extractTo(ours);
    ASSERT_TRUE(extracted.has_value()) << extracted.error().message;
    const auto sevenZip = runProgram({"7zz", "x", "-snld", "-o" + theirs, fixturePath("dfvfs-hfsplus.raw")});
    ASSERT_EQ(sevenZip.exitCode, 0) << sevenZip.output;
    int compared = 0;
    for (const auto& e : *listed) {
        if (e.kind != ItemKind::File)
            continue;
        const std::string theirCopy = theirs + "/hfsplus_test/" + e.path;
        if (!std::filesystem::exists(theirCopy))
            continue;
        EXPECT_TRUE(readFile(ours + "/" + e.path) == readFile(theirCopy)) << e.path;
        ++compared;
    }
    EXPECT_GE(compared, 5);
    EXPECT_EQ(std::filesystem::read_symlink(ours + "/a_link"), "a_directory/another_file");
}

TEST(HfsVolumeReader, FindsTheVolumeInsidePartitionMaps)
{
    ScratchDir dir;
    const std::string volume = readFile(writeSample(dir));
    std::string apfs(64 * 512, '\0');
    apfs.replace(32, 4, "NXSB");
    std::string gptOutside = gptDisk(volume, 40);
    gptOutside[1024] = '\x01'; // the first entry: some other partition, 2 TiB in
    gptOutside[1024 + 32 + 4] = '\x01';
    gptOutside[1024 + 40 + 4] = '\x01';
    std::string apmOutside = apmDisk(volume);
    putApmEntry(bytesOf(apmOutside) + 2 * 512, 2, 64, 30000, "", "Apple_HFS");
    std::string hfsx = apmDisk(volume);
    hfsx[64 * 512 + 1025] = 'X';

    // What the locator names (or its error), where the volume starts, and the reader's
    // refusal; a map that does not make sense is not followed at all.
    struct Layout {
        const char* name;
        std::string disk;
        std::string located;
        uint64_t offset;
        const char* refusal;
        ErrorCode code;
    };
    const std::string none = "no HFS+ volume found in the image";
    const Layout layouts[] = {
        {"gpt", gptDisk(volume, 40), "(Apple_HFS : ", 40 * 512, nullptr, {}},
        {"apm", apmDisk(volume), " (Apple_HFS : 2)", 64 * 512, nullptr, {}},
        {"apm 2048", apmDisk(volume, 2048), " (Apple_HFS : 2)", 64 * 512, nullptr, {}},
        {"mbr", mbrDisk(volume), " (Apple_HFS : 1)", 64 * 512, nullptr, {}},
        {"bare volume", volume, "", 0, nullptr, {}},
        {"zeros", std::string(1 << 20, '\0'), none, 0, "no HFS+ volume", ErrorCode::corrupt},
        {"apfs", apfs, "APFS", 0, "APFS volume", ErrorCode::unsupported},
        {"gpt entry outside the disk", gptOutside, none, 0, "no HFS+ volume", ErrorCode::corrupt},
        {"apm entry outside the disk", apmOutside, none, 0, "no HFS+ volume", ErrorCode::corrupt},
        {"hfsx in a partition", hfsx, " (Apple_HFS : 2)", 0, "HFSX", ErrorCode::unsupported},
    };
    for (const Layout& l : layouts) {
        SCOPED_TRACE(l.name);
        writeFile(dir.path("disk.img"), l.disk);
        auto source = FileByteSource::open(dir.path("disk.img"));
        ASSERT_TRUE(source);
        auto found = locateHfsVolume(**source);
        EXPECT_NE((found ? found->name : found.error().message).find(l.located), std::string::npos);
        auto reader = VolumeReader::open(**source);
        if (l.refusal) {
            ASSERT_FALSE(reader);
            EXPECT_NE(reader.error().message.find(l.refusal), std::string::npos) << reader.error().message;
            EXPECT_EQ(reader.error().code, l.code);
            continue;
        }
        ASSERT_TRUE(reader) << reader.error().message;
        EXPECT_EQ((*reader)->info().name, "Sample");
        EXPECT_EQ((*reader)->info().sizeBytes, volume.size());
        EXPECT_EQ((*reader)->info().offset, l.offset);
        EXPECT_EQ((*reader)->list()->size(), 5u);
    }
}

namespace {

// Damaged and hostile volumes as data: a named mutation of one good image and the words
// its error must contain, and its kind. Extraction goes to a fresh folder beside one called "outside",
// which must stay empty whatever the image says.
struct HfsDamage {
    const char* name;
    std::function<void(Patch&)> damage;
    const char* mentions;
    ErrorCode code = ErrorCode::corrupt;
};

const std::vector<HfsDamage>& hfsDamageCases()
{
    static const std::vector<HfsDamage> cases = {
        {"half cut", [](Patch& p) { p.bytes.resize(p.bytes.size() / 2); }, "image holds only", ErrorCode::corrupt},
        {"catalog leaves in a cycle",
         [](Patch& p) {
             const uint64_t catalog = p.catalogOffset();
             const uint32_t first = loadBE32(p.at(catalog + 14 + 10)), last = loadBE32(p.at(catalog + 14 + 14));
             EXPECT_NE(first, last) << "the sample needs several catalog leaves";
             storeBE32(p.at(catalog + uint64_t{last} * 4096), first); // catalog nodes of 4 KiB
         },
         "cycle"},
        {"extent outside the volume", [](Patch& p) { storeBE32(p.at(p.dataForkOf("first.txt") + 16), 0xFFFFFF00); },
         "outside the volume"},
        {"two files share blocks",
         [](Patch& p) { std::memcpy(p.at(p.dataForkOf("second.txt") + 16), p.at(p.dataForkOf("first.txt") + 16), 4); },
         "shares blocks"},
        {"file larger than its blocks", [](Patch& p) { storeBE64(p.at(p.dataForkOf("second.txt")), uint64_t{1} << 40); },
         "larger than its blocks"},
        {"case-sensitive signature", [](Patch& p) { p.at(1024)[1] = 'X'; }, "HFSX", ErrorCode::unsupported},
        // A name ".." in the catalog: key, thread record and any index key alike.
        {"name ..", [](Patch& p) { EXPECT_GE(p.renameAll("zz", ".."), 2); }, "invalid name \"..\""},
        // Two entries with one name: a link to the folder outside, then a file by that name.
        {"a file behind a link of its name", [](Patch& p) { EXPECT_GE(p.renameAll("evil2", "evil1"), 2); }, "File exists", ErrorCode::exists},
    };
    return cases;
}

} // namespace

TEST(HfsVolumeReader, RefusesDamagedImagesWithoutWritingOutside)
{
    ScratchDir dir;
    const std::string image = writeSample(dir, 400); // several catalog leaves
    makeFolder(dir.path("outside"));
    for (const HfsDamage& c : hfsDamageCases()) {
        Patch patch(image);
        c.damage(patch);
        patch.save(dir.path("bad.hfs"));
        const DiskImageError problem = openError(dir.path("bad.hfs"));
        EXPECT_NE(problem.message.find(c.mentions), std::string::npos) << c.name << ": " << problem.message;
        EXPECT_EQ(problem.code, c.code) << c.name;
        EXPECT_TRUE(folderEntries(dir.path("outside")).empty()) << c.name;
    }
}
