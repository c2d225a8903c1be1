// Icon positions and window bounds as the build writes them.
#include "pipeline/LayoutRecords.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vorlap;

TEST(LayoutRecords, IconsArePulledInsideAndRoundedHalfAwayFromZero)
{
    const Size window{600, 400};
    EXPECT_EQ(*clampedIconLocation({700, -20}, window, 128), (IconLocation{536, 64}));
    EXPECT_EQ(*clampedIconLocation({99.5, 100.4}, window, 128), (IconLocation{100, 100}));
    EXPECT_EQ(*clampedIconLocation({100.5, 250.5}, window, 128), (IconLocation{101, 251}));
    // An icon larger than the window sits at half its size on both axes.
    EXPECT_EQ(*clampedIconLocation({10, 390}, window, 1000), (IconLocation{500, 500}));
    // Values that cannot be written as unsigned 32-bit numbers are refused.
    EXPECT_FALSE(clampedIconLocation({-10, 10}, window, -100));
    EXPECT_FALSE(clampedIconLocation({std::nan(""), 10}, window, 128));
}

TEST(LayoutRecords, WindowBoundsAddTheTitleBar)
{
    EXPECT_EQ(*windowBoundsText({640, 480}), "{{100, 100}, {640, 508}}");
    EXPECT_EQ(*windowBoundsText({599.5, 399.5}), "{{100, 100}, {600, 428}}");
    EXPECT_FALSE(windowBoundsText({INFINITY, 380}));
}

TEST(LayoutRecords, SixRecordsInBuildOrder)
{
    BuildConfig config;
    config.windowSize = {540, 380};
    config.iconSize = 128;
    const auto plain = layoutRecords(config, "Sample.app", std::nullopt);
    ASSERT_TRUE(plain);
    QStringList codes;
    for (const DSStoreRecord& r : *plain)
        codes << QString::fromLatin1(r.code());
    EXPECT_EQ(codes, (QStringList{"vSrn", "icvl", "bwsp", "Iloc", "Iloc", "icvp"}));
    const auto& view = std::get<DSStoreRecord::Icvp>((*plain)[5].payload());
    EXPECT_EQ(view.backgroundType, 0);
    EXPECT_FALSE(view.backgroundImageAlias);
    EXPECT_EQ(std::get<DSStoreRecord::Iloc>((*plain)[3].payload()).filename, "Sample.app");

    const auto withAlias = layoutRecords(config, "Sample.app", QByteArray("alias"));
    const auto& shown = std::get<DSStoreRecord::Icvp>((*withAlias)[5].payload());
    EXPECT_EQ(shown.backgroundType, 2);
    EXPECT_EQ(shown.backgroundImageAlias, QByteArray("alias"));
    EXPECT_EQ(shown.iconSize, 128);
}
