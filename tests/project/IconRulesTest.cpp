// Where an icon may sit and which sizes are offered: the one home of the clamp that the
// canvas drag, the size slider, normalisation and `vorlap build` all use.
#include "project/IconRules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace vorlap;

TEST(IconRules, CentreIsKeptHalfAnIconInsideTheWindow)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        Point centre;
        Size window;
        double iconSize;
        Point expected;
    } cases[] = {
        {{180, 190}, {540, 380}, 128, {180, 190}}, // inside: untouched
        {{2000, -2000}, {540, 380}, 128, {476, 64}}, // past the far x and near y edge
        {{-3000, 3000}, {540, 380}, 128, {64, 316}},
        {{64, 316}, {540, 380}, 128, {64, 316}},     // exactly on the limits
        {{470, 70}, {540, 380}, 256, {412, 128}},
        {{180.25, 190.75}, {540, 380}, 48, {180.25, 190.75}}, // fractions are kept
        {{0, 1000}, {540, 380}, 400, {200, 200}},    // larger than the window: ends at half
        {{540, 0}, {540, 380}, 400, {340, 200}},
        {{nan, nan}, {540, 380}, 128, {476, 316}},   // NaN lands on the far edge
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.centre.x << "," << c.centre.y << " size " << c.iconSize);
        const Point clamped = clampIconCentre(c.centre, c.window, c.iconSize);
        EXPECT_DOUBLE_EQ(clamped.x, c.expected.x);
        EXPECT_DOUBLE_EQ(clamped.y, c.expected.y);
    }
}

TEST(IconRules, OfferedSizesAreTheStepsFrom48To256)
{
    const struct {
        double size;
        bool offered;
        int nearest;
    } cases[] = {
        {48, true, 48},    {56, true, 56},    {256, true, 256},  {128, true, 128},
        {52, false, 56},   {51, false, 48},   {133, false, 136}, {47, false, 48},
        {264, false, 256}, {-8, false, 48},   {10000, false, 256},
        {128.5, false, 128}, {std::numeric_limits<double>::infinity(), false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        EXPECT_EQ(isOfferedIconSize(c.size), c.offered);
        if (std::isfinite(c.size)) {
            EXPECT_EQ(nearestOfferedIconSize(int(c.size)), c.nearest);
        }
    }
}
