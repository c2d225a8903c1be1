// Tree -> image -> tree, read back by our reader and by independent ones: 7-Zip,
// libfshfs and the Linux kernel's hfsplus driver.
#include "HfsTestSupport.h"
#include "support/SevenZip.h"
#include "support/Shell.h"
#include "support/TestPaths.h"

#include "diskimage/ByteSource.h"
#include "diskimage/hfsplus/UnicodeName.h"
#include "diskimage/hfsplus/VolumeReader.h"
#include "diskimage/hfsplus/VolumeWriter.h"
#include "platform/ItemMetadata.h"

#include <QString>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace vorlap::diskimage;
using namespace vorlap::diskimage::hfsplus;
using namespace vorlap::test::hfs;
using vorlap::test::expectSevenZipHappy;
using vorlap::test::runProgram;

namespace {

constexpr int64_t fixedTime = 1234567890; // 2009-02-13

struct TreeOptions {
    bool emoji = true;
    size_t bigFileBytes = 0;
    int manyFiles = 0;
};

void buildSampleTree(const std::string& root, const TreeOptions& options)
{
    makeFolder(root + "/.background");
    writeFile(root + "/.background/background-0123456789abcdef.png", patternBytes(5000, 1));
    writeFile(root + "/.DS_Store", patternBytes(6148, 2));
    makeFolder(root + "/App.app");
    makeFolder(root + "/App.app/Contents");
    makeFolder(root + "/App.app/Contents/MacOS");
    writeFile(root + "/App.app/Contents/MacOS/App", patternBytes(10000, 3), 0755);
    writeFile(root + "/App.app/Contents/Info.plist", "<plist/>\n");
    makeFolder(root + "/App.app/Contents/Resources");
    writeFile(root + "/App.app/Contents/Resources/empty.txt", "");
    makeFolder(root + "/App.app/Contents/Resources/en.lproj");
    makeFolder(root + "/App.app/Contents/Resources/en.lproj/Deep");
    writeFile(root + "/App.app/Contents/Resources/en.lproj/Deep/strings", "x");
    makeSymlink("/Applications", root + "/Applications");
    makeSymlink("App.app/Contents/Info.plist", root + "/relative link");
    makeFolder(root + "/Empty Folder", 0700);
    writeFile(root + "/caf\u00e9", "accent");
    writeFile(root + "/\u00dcn\u00efc\u00f6d\u00e9 \u65e5\u672c\u8a9e.txt", "nihongo");
    writeFile(root + "/\ud55c\uad6d\uc5b4", "hangul");
    writeFile(root + "/Mixed Case.TXT", "mixed");
    writeFile(root + "/lower.txt", "lower");
    writeFile(root + "/a:b", "colon");
    writeFile(root + "/_under", "under");
    writeFile(root + "/[bracket]", "bracket");
    writeFile(root + "/exact4096", patternBytes(4096, 4));
    writeFile(root + "/exact4097", patternBytes(4097, 5));
    writeFile(root + "/setuid-free", "mode", 0750);
    if (options.emoji)
        writeFile(root + "/\U0001F600 smile.txt", "emoji");
    makeFolder(root + "/locked");
    writeFile(root + "/locked/inside", "in a read-only folder");
    ::chmod((root + "/locked").c_str(), 0555);
    if (options.bigFileBytes)
        writeFile(root + "/big.bin", patternBytes(options.bigFileBytes, 6));
    if (options.manyFiles) {
        makeFolder(root + "/many");
        for (int i = 0; i < options.manyFiles; ++i)
            writeFile(root + "/many/file-" + std::to_string(i) + ".txt", std::to_string(i));
    }
    setModificationTime(root + "/lower.txt", fixedTime);
    setModificationTime(root + "/Applications", fixedTime + 1);
    setModificationTime(root + "/App.app/Contents", fixedTime + 2);
}

// What the volume should show for an item of the source tree.
struct Expected {
    ItemKind kind;
    std::string sourcePath;
    uint16_t mode = 0;
    uint64_t size = 0;
    int64_t modifyTime = 0;
    uint64_t itemNumber = 0;
    std::string linkTarget;
};

std::string storedName(const std::string& name)
{
    auto hfs = hfsNameFromUtf8(name);
    return hfs ? utf8FromHfsName(*hfs) : "<invalid>";
}

std::map<std::string, Expected> expectedEntries(const std::string& root)
{
    std::map<std::string, Expected> out;
    std::function<void(const std::string&, const std::string&)> walk = [&](const std::string& dir,
                                                                            const std::string& prefix) {
        for (const std::string& name : folderEntries(dir)) {
            const std::string path = dir + "/" + name;
            struct stat st {};
            ::lstat(path.c_str(), &st);
            Expected e;
            e.sourcePath = path;
            e.mode = static_cast<uint16_t>(st.st_mode);
            e.modifyTime = st.st_mtim.tv_sec;
            e.itemNumber = st.st_ino;
            const std::string key = prefix + storedName(name);
            if (S_ISDIR(st.st_mode)) {
                e.kind = ItemKind::Folder;
                out[key] = e;
                walk(path, key + "/");
                continue;
            }
            if (S_ISLNK(st.st_mode)) {
                e.kind = ItemKind::Symlink;
                e.linkTarget = std::filesystem::read_symlink(path).string();
                e.size = e.linkTarget.size();
            } else {
                e.kind = ItemKind::File;
                e.size = static_cast<uint64_t>(st.st_size);
            }
            out[key] = e;
        }
    };
    walk(root, "");
    return out;
}

std::unique_ptr<VolumeReader> openVolume(const std::string& image, std::unique_ptr<FileByteSource>& source)
{
    auto file = FileByteSource::open(image);
    EXPECT_TRUE(file.has_value());
    if (!file)
        return nullptr;
    source = std::move(*file);
    auto reader = VolumeReader::open(*source);
    EXPECT_TRUE(reader.has_value()) << reader.error().message;
    return reader ? std::move(*reader) : nullptr;
}

void expectExtractedTreeMatches(const std::map<std::string, Expected>& expected, const std::string& out)
{
    for (const auto& [path, e] : expected) {
        SCOPED_TRACE(path);
        // Unpacked names are composed again (NFC), whatever form the source used.
        const std::string extracted = out + "/" + QString::fromStdString(path).normalized(QString::NormalizationForm_C).toStdString();
        struct stat st {};
        ASSERT_EQ(::lstat(extracted.c_str(), &st), 0);
        EXPECT_EQ(st.st_mtim.tv_sec, e.modifyTime);
        if (e.kind == ItemKind::Folder) {
            EXPECT_TRUE(S_ISDIR(st.st_mode));
            EXPECT_EQ(st.st_mode & 07777, e.mode & 07777u);
        } else if (e.kind == ItemKind::Symlink) {
            ASSERT_TRUE(S_ISLNK(st.st_mode));
            EXPECT_EQ(std::filesystem::read_symlink(extracted).string(), e.linkTarget);
        } else {
            EXPECT_TRUE(S_ISREG(st.st_mode));
            EXPECT_EQ(st.st_mode & 07777, e.mode & 07777u);
            EXPECT_TRUE(readFile(extracted) == readFile(e.sourcePath));
        }
    }
    size_t count = 0;
    for (auto it = std::filesystem::recursive_directory_iterator(out); it != std::filesystem::recursive_directory_iterator(); ++it)
        ++count;
    EXPECT_EQ(count, expected.size());
}

// Paths and sizes 7-Zip lists for the volume ("VOLUME/path" with ':' shown as '_').
std::map<std::string, std::string> sevenZipListing(const std::string& image)
{
    const auto listed = runProgram({"7zz", "l", "-slt", image});
    EXPECT_EQ(listed.exitCode, 0) << listed.output;
    std::map<std::string, std::string> out;
    std::istringstream lines(listed.output);
    std::string line, path;
    while (std::getline(lines, line)) {
        if (line.rfind("Path = ", 0) == 0)
            path = line.substr(7);
        else if (line.rfind("Size = ", 0) == 0 && !path.empty())
            out[path] = line.substr(7);
    }
    return out;
}

std::string sevenZipName(std::string path)
{
    std::replace(path.begin(), path.end(), ':', '_');
    return path;
}

// Inode number -> name, as the kernel's `ls -laiR` shows them.
std::set<uint64_t> kernelInodes(const std::string& output)
{
    std::set<uint64_t> inodes;
    const std::regex row(R"(^\s*(\d+)\s+[-dlrwxsStT]{10}\s.*\s(\S+)$)");
    std::istringstream lines(output);
    std::string line;
    bool inListing = false;
    while (std::getline(lines, line)) {
        if (line.rfind("=== ", 0) == 0)
            inListing = line.rfind("=== LISTING", 0) == 0;
        std::smatch m;
        if (inListing && std::regex_match(line, m, row) && m[2] != "." && m[2] != "..")
            inodes.insert(std::stoull(m[1]));
    }
    return inodes;
}

} // namespace

// One volume read back by every reader: ours (listing with metadata, extraction),
// 7-Zip (listing, extraction, modes) and libfshfs (names).
TEST(HfsVolumeRoundTrip, EveryReaderReproducesTheTree)
{
    ScratchDir dir;
    const std::string src = dir.path("src");
    makeFolder(src);
    buildSampleTree(src, {true, 0, 600});
    const std::string image = dir.path("volume.hfs");
    VolumeOptions options{"Round Trip \u00e9", 8 * 1024 * 1024, true};
    auto written = writeVolume(src, image, options);
    ASSERT_TRUE(written.has_value()) << written.error().message;
    EXPECT_TRUE(written->usedItemNumbers);
    EXPECT_EQ(std::filesystem::file_size(image), options.sizeBytes);
    EXPECT_EQ(checkVolumeStructure(image), std::vector<std::string>{});
    EXPECT_EQ(folderEntries(dir.path()), (std::vector<std::string>{"src", "volume.hfs"})); // no temporary left

    std::unique_ptr<FileByteSource> source;
    auto reader = openVolume(image, source);
    ASSERT_TRUE(reader);
    const std::string volumeName = reader->info().name;
    EXPECT_EQ(volumeName, "Round Trip e\u0301");
    EXPECT_EQ(reader->info().sizeBytes, options.sizeBytes);
    // Creation dates are the ones the alias record reads (birth time, else modification
    // time): the source folder's for the volume, each item's own for the items.
    auto creationOf = [](const std::string& path) {
        if (const auto birth = vorlap::platform::creationTime(path))
            return birth->seconds;
        return vorlap::platform::modificationTime(path)->seconds;
    };
    EXPECT_EQ(int64_t{reader->info().createDate} - 2082844800, creationOf(src));

    const auto expected = expectedEntries(src);
    auto listed = reader->list();
    ASSERT_TRUE(listed.has_value()) << listed.error().message;
    ASSERT_EQ(listed->size(), expected.size());
    for (const VolumeEntry& entry : *listed) {
        SCOPED_TRACE(entry.path);
        const auto it = expected.find(entry.path);
        ASSERT_NE(it, expected.end());
        EXPECT_EQ(entry.kind, it->second.kind);
        EXPECT_EQ(entry.mode, it->second.mode);
        EXPECT_EQ(entry.size, it->second.size);
        EXPECT_EQ(entry.modifyTime, it->second.modifyTime);
        EXPECT_EQ(entry.id, it->second.itemNumber);
        EXPECT_EQ(entry.linkTarget, it->second.linkTarget);
        EXPECT_EQ(entry.createTime, creationOf(it->second.sourcePath));
    }
    EXPECT_TRUE(expected.count("cafe\u0301"));
    EXPECT_TRUE(expected.count("a:b"));

    const std::string out = dir.path("out");
    makeFolder(out);
    auto extracted = reader->extractTo(out);
    ASSERT_TRUE(extracted.has_value()) << extracted.error().message;
    expectExtractedTreeMatches(expected, out);

    expectSevenZipHappy(image);
    const auto listing = sevenZipListing(image);
    EXPECT_EQ(listing.size(), expected.size() + 1); // + the volume's root folder
    const std::string sevenOut = dir.path("7z");
    const auto sevenExtracted = runProgram({"7zz", "x", "-snld", "-o" + sevenOut, image});
    ASSERT_EQ(sevenExtracted.exitCode, 0) << sevenExtracted.output;
    for (const auto& [path, e] : expected) {
        SCOPED_TRACE(path);
        const auto it = listing.find(sevenZipName(volumeName + "/" + path));
        ASSERT_NE(it, listing.end());
        if (e.kind == ItemKind::Folder)
            continue;
        EXPECT_EQ(it->second, std::to_string(e.size));
        const std::string copy = sevenOut + "/" + volumeName + "/" + sevenZipName(path);
        if (e.kind == ItemKind::File) {
            EXPECT_TRUE(readFile(copy) == readFile(e.sourcePath));
            EXPECT_EQ(::access(copy.c_str(), X_OK) == 0, (e.mode & 0100) != 0);
        }
    }

    const auto fshfs = runProgram({"fshfsinfo", "-H", image});
    ASSERT_EQ(fshfs.exitCode, 0) << fshfs.output;
    for (const auto& [path, e] : expected) {
        if (path.find("\U0001F600") != std::string::npos)
            continue; // libfshfs 20201104 misprints characters outside the BMP
        EXPECT_NE(fshfs.output.find("/" + path + "\n"), std::string::npos) << path;
    }
}

// Two kernel runs in the suite: a large volume with inode-number IDs, and an empty one.
TEST(HfsVolumeRoundTrip, KernelMountsALargeVolumeWithOurNodeIds)
{
    if (!vorlap::test::haveProgram("qemu-system-x86_64"))
        GTEST_SKIP() << "qemu-system-x86_64 is not installed";
    ScratchDir dir;
    const std::string src = dir.path("src");
    makeFolder(src);
    buildSampleTree(src, {false, 101 * 1024 * 1024 + 123, 3000});
    const std::string image = dir.path("large.hfs");
    auto written = writeVolume(src, image, {"Large", 128 * 1024 * 1024, true});
    ASSERT_TRUE(written.has_value()) << written.error().message;
    ASSERT_TRUE(written->usedItemNumbers);
    EXPECT_EQ(checkVolumeStructure(image), std::vector<std::string>{});

    // Only the blocks in use were written: the image is sparse.
    struct stat st {};
    ::stat(image.c_str(), &st);
    EXPECT_LT(uint64_t(st.st_blocks) * 512, written->usedBytes + 1024 * 1024);

    const auto expected = expectedEntries(src);
    std::set<uint64_t> ids;
    for (const auto& [path, e] : expected)
        ids.insert(e.itemNumber);

    const auto checked = runProgram({vorlap::test::toolPath("kernel-hfsplus-check"), image});
    EXPECT_EQ(checked.exitCode, 0) << checked.output;
    EXPECT_NE(checked.output.find("read_errors=0 hfs_kmsgs=0"), std::string::npos) << checked.output;
    EXPECT_EQ(kernelInodes(checked.output), ids);
    const std::string bigHash = runProgram({"sha256sum", src + "/big.bin"}).output.substr(0, 64);
    EXPECT_NE(checked.output.find(bigHash + "  ./big.bin"), std::string::npos);
    EXPECT_NE(checked.output.find("./Applications -> /Applications"), std::string::npos);

    // Our reader gives back the large file byte for byte.
    std::unique_ptr<FileByteSource> source;
    auto reader = openVolume(image, source);
    ASSERT_TRUE(reader);
    const std::string out = dir.path("out");
    makeFolder(out);
    auto extracted = reader->extractTo(out);
    ASSERT_TRUE(extracted.has_value()) << extracted.error().message;
    EXPECT_EQ(runProgram({"sha256sum", out + "/big.bin"}).output.substr(0, 64), bigHash);
}

TEST(HfsVolumeRoundTrip, EmptyVolumeAsCreateMakesIt)
{
    ScratchDir dir;
    const std::string image = dir.path("empty.dmg");
    auto written = writeEmptyVolume(image, {"Vorlap", 16 * 1024 * 1024, true});
    ASSERT_TRUE(written.has_value()) << written.error().message;
    EXPECT_EQ(written->fileCount, 0u);
    EXPECT_EQ(checkVolumeStructure(image), std::vector<std::string>{});
    std::unique_ptr<FileByteSource> source;
    auto reader = openVolume(image, source);
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->info().name, "Vorlap");
    EXPECT_EQ(reader->info().sizeBytes, 16u * 1024 * 1024);
    auto listed = reader->list();
    ASSERT_TRUE(listed.has_value());
    EXPECT_TRUE(listed->empty());

    if (!vorlap::test::haveProgram("qemu-system-x86_64"))
        GTEST_SKIP() << "qemu-system-x86_64 is not installed";
    const auto checked = runProgram({vorlap::test::toolPath("kernel-hfsplus-check"), image});
    EXPECT_EQ(checked.exitCode, 0) << checked.output;
    EXPECT_NE(checked.output.find("RESULT: mount=ok"), std::string::npos) << checked.output;
}
