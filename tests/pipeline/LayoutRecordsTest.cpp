// Icon positions as the build writes them; the records themselves, window bounds
// included, are read back from finished images by the build tests.
#include "pipeline/LayoutRecords.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vorlap;

TEST(LayoutRecords, IconsArePulledInsideAndRoundedHalfAwayFromZero)
{
    const struct {
        Point wanted;
        double iconSize;
        std::optional<IconLocation> written; // none: not writable as unsigned 32-bit numbers
    } cases[] = {
        {{700, -20}, 128, IconLocation{536, 64}},
        {{99.5, 100.4}, 128, IconLocation{100, 100}},
        {{100.5, 250.5}, 128, IconLocation{101, 251}},
        {{10, 390}, 1000, IconLocation{500, 500}}, // larger than the window: half its size on both axes
        {{-10, 10}, -100, std::nullopt},
        {{std::nan(""), 10}, 128, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.wanted.x) + ", " + std::to_string(c.wanted.y));
        const auto written = clampedIconLocation(c.wanted, {600, 400}, c.iconSize);
        ASSERT_EQ(bool(written), bool(c.written));
        if (written)
            EXPECT_EQ(*written, *c.written);
    }
}
