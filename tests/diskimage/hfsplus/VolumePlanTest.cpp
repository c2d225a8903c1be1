// The IDs and dates planVolume promises are the ones writeVolume then stores, whether the
// folder's item numbers can be the IDs or not (a hard link repeats one), and in a
// reproducible volume. An alias made from the plan finds its items only if they agree.
#include "diskimage/ByteSource.h"
#include "diskimage/hfsplus/HfsDate.h"
#include "diskimage/hfsplus/HfsTestSupport.h"
#include "diskimage/hfsplus/VolumeReader.h"
#include "diskimage/hfsplus/VolumeWriter.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace vorlap::diskimage;
using namespace vorlap::diskimage::hfsplus;
using namespace vorlap::test::hfs;

TEST(VolumePlan, PlannedIdsAndDatesAreTheWrittenOnes)
{
    const struct {
        const char* name;
        bool hardLink;
        std::optional<int64_t> epoch;
        bool expectTreeOrder; // IDs 16, 17, ... rather than item numbers
    } cases[] = {
        {"item numbers", false, std::nullopt, false},
        {"a hard link makes item numbers unusable", true, std::nullopt, true},
        {"reproducible", false, 1700000000, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        const std::string src = dir.path("src");
        makeFolder(src);
        makeFolder(src + "/Z.app");
        writeFile(src + "/Z.app/binary", patternBytes(9000, 1));
        makeFolder(src + "/.background");
        writeFile(src + "/.background/picture.png", "png");
        writeFile(src + "/.DS_Store", "");
        if (c.hardLink)
            ASSERT_EQ(::link((src + "/Z.app/binary").c_str(), (src + "/Z.app/again").c_str()), 0);
        const VolumeOptions options = attachedFolderOptions("Plan", 8 << 20, c.epoch);
        const auto plan = planVolume(src, {".background", ".background/picture.png"}, options);
        ASSERT_TRUE(plan.has_value()) << plan.error().message;
        EXPECT_FALSE(planVolume(src, {".background/missing.png"}, options).has_value());
        if (c.expectTreeOrder) { // .background sorts first at the root, its picture right after
            EXPECT_EQ(plan->items[0].id, 16u);
            EXPECT_EQ(plan->items[1].id, 17u);
        }

        ASSERT_TRUE(writeVolume(src, dir.path("v.img"), options).has_value());
        auto file = FileByteSource::open(dir.path("v.img"));
        ASSERT_TRUE(file.has_value());
        auto reader = VolumeReader::open(**file);
        ASSERT_TRUE(reader.has_value());
        EXPECT_EQ((*reader)->info().createDate, plan->createDate);
        const auto entries = (*reader)->list();
        ASSERT_TRUE(entries.has_value());
        for (const auto& entry : *entries) {
            const int planned = entry.path == ".background" ? 0 : entry.path == ".background/picture.png" ? 1 : -1;
            if (planned < 0)
                continue;
            EXPECT_EQ(entry.id, plan->items[planned].id) << entry.path;
            EXPECT_EQ(unixFromHfsDate(plan->items[planned].createDate), entry.createTime) << entry.path;
            if (c.epoch)
                EXPECT_EQ(entry.ownerId, 99u);
        }
    }
}
