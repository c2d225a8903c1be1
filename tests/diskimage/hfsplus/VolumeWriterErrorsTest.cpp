// What the writer refuses, and that a refusal leaves the image as it was.
#include "HfsTestSupport.h"

#include "diskimage/ByteSource.h"
#include "diskimage/hfsplus/VolumeReader.h"
#include "diskimage/hfsplus/VolumeWriter.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace vorlap::diskimage;
using namespace vorlap::diskimage::hfsplus;
using namespace vorlap::test::hfs;

namespace {

// Writes over an existing image and expects a failure mentioning `fragment`, with the
// old image unchanged and nothing else left in its folder.
void expectRefused(const std::string& source, const VolumeOptions& options, const std::string& fragment)
{
    ScratchDir out;
    const std::string image = out.path("image.dmg");
    writeFile(image, "previous image");
    auto written = writeVolume(source, image, options);
    ASSERT_FALSE(written.has_value());
    EXPECT_NE(written.error().message.find(fragment), std::string::npos) << written.error().message;
    EXPECT_EQ(readFile(image), "previous image");
    EXPECT_EQ(folderEntries(out.path()), std::vector<std::string>{"image.dmg"});
}

} // namespace

TEST(HfsVolumeWriter, RefusesContentThatDoesNotFitAndSaysHowMuchIsNeeded)
{
    ScratchDir dir;
    writeFile(dir.path("big"), patternBytes(3 * 1024 * 1024, 7));
    expectRefused(dir.path(), {"Small", 2 * 1024 * 1024, false}, "needs 3");
    expectRefused(dir.path(), {"Small", 2 * 1024 * 1024, false}, "volume holds 2097152 bytes (2.0 MiB)");

    // Exactly full is fine: data plus metadata fill every block.
    ScratchDir out;
    auto probe = writeVolume(dir.path(), out.path("probe.hfs"), {"Fit", 4 * 1024 * 1024, false});
    ASSERT_TRUE(probe.has_value()) << probe.error().message;
    auto exact = writeVolume(dir.path(), out.path("exact.hfs"), {"Fit", probe->usedBytes, false});
    ASSERT_TRUE(exact.has_value()) << exact.error().message;
    EXPECT_EQ(exact->usedBytes, probe->usedBytes);
    EXPECT_EQ(checkVolumeStructure(out.path("exact.hfs")), std::vector<std::string>{});
    EXPECT_FALSE(writeVolume(dir.path(), out.path("short.hfs"), {"Fit", probe->usedBytes - 4096, false}).has_value());
}

TEST(HfsVolumeWriter, RefusesNamesAndItemsHfsPlusCannotHold)
{
    {
        ScratchDir dir;
        // 86 letters u-diaeresis-macron: 172 bytes of UTF-8, a legal Linux name, but 258
        // UTF-16 units once decomposed.
        std::string name;
        for (int i = 0; i < 86; ++i)
            name += "\u01d6";
        writeFile(dir.path(name), "x");
        expectRefused(dir.path(), {"V", 1024 * 1024, false}, "at most 255 fit");
    }
    {
        ScratchDir dir;
        writeFile(dir.path("Readme"), "a");
        writeFile(dir.path("README"), "b");
        expectRefused(dir.path(), {"V", 1024 * 1024, false}, "differ only in case");
    }
    {
        ScratchDir dir;
        makeFolder(dir.path("sub"));
        ASSERT_EQ(::mkfifo((dir.path("sub/pipe")).c_str(), 0644), 0);
        expectRefused(dir.path(), {"V", 1024 * 1024, false}, "pipe is a FIFO");
    }
    {
        ScratchDir dir;
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string path = dir.path("sock");
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        expectRefused(dir.path(), {"V", 1024 * 1024, false}, "sock is a socket");
        ::close(fd);
    }
    {
        ScratchDir dir;
        writeFile(dir.path("bad\xff"), "x");
        expectRefused(dir.path(), {"V", 1024 * 1024, false}, "not valid UTF-8");
    }
    ScratchDir empty;
    expectRefused(empty.path(), {"", 1024 * 1024, false}, "invalid volume name");
    expectRefused(empty.path(), {std::string(256, 'v'), 1024 * 1024, false}, "invalid volume name");
    expectRefused(empty.path(), {"V", 1024 * 1024 + 100, false}, "multiple of 512");
    expectRefused(empty.path(), {"V", 4096, false}, "too small");
    expectRefused(empty.path() + "/missing", {"V", 1024 * 1024, false}, "No such file");
}

TEST(HfsVolumeWriter, FallsBackToFreshIdsWhenInodeNumbersCannotServe)
{
    // A hard link gives two items one inode number: every item then gets a fresh ID.
    ScratchDir dir;
    const std::string src = dir.path("src");
    makeFolder(src);
    writeFile(src + "/one", "shared");
    ASSERT_EQ(::link((src + "/one").c_str(), (src + "/two").c_str()), 0);
    makeFolder(src + "/folder");
    const std::string image = dir.path("links.hfs");
    auto written = writeVolume(src, image, {"Links", 1024 * 1024, true});
    ASSERT_TRUE(written.has_value()) << written.error().message;
    EXPECT_FALSE(written->usedItemNumbers);
    EXPECT_EQ(checkVolumeStructure(image), std::vector<std::string>{});

    auto file = FileByteSource::open(image);
    ASSERT_TRUE(file.has_value());
    auto reader = VolumeReader::open(**file);
    ASSERT_TRUE(reader.has_value()) << reader.error().message;
    auto listed = (*reader)->list();
    ASSERT_TRUE(listed.has_value());
    std::vector<uint32_t> ids;
    for (const auto& entry : *listed)
        ids.push_back(entry.id);
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<uint32_t>{16, 17, 18}));
    EXPECT_EQ(readFile(image).substr(1024 + 64, 4), std::string("\0\0\0\x13", 4)); // nextCatalogID 19
}
