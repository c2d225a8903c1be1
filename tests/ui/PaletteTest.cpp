// The nine shared colours, component by component, made once and shared.
#include "ui/Palette.h"

#include <gtest/gtest.h>

using namespace vorlap;

TEST(Palette, NineSrgbColours)
{
    struct Expected {
        const QColor& colour;
        float r, g, b;
    };
    const Expected table[] = {
        {Palette::sidebarBackground(), 0.086f, 0.086f, 0.11f}, {Palette::windowBackground(), 0.102f, 0.102f, 0.133f},
        {Palette::canvasFill(), 0.118f, 0.118f, 0.141f},       {Palette::separator(), 0.165f, 0.165f, 0.204f},
        {Palette::outline(), 0.2f, 0.2f, 0.243f},              {Palette::primaryText(), 0.816f, 0.816f, 0.878f},
        {Palette::secondaryText(), 0.596f, 0.596f, 0.659f},    {Palette::accentLight(), 0.482f, 0.624f, 0.961f},
        {Palette::accent(), 0.357f, 0.498f, 0.961f},
    };
    for (const Expected& e : table) {
        EXPECT_EQ(e.colour, e.colour.toRgb()); // an sRGB colour, not another model
        EXPECT_NEAR(e.colour.redF(), e.r, 1.0 / 65535);
        EXPECT_NEAR(e.colour.greenF(), e.g, 1.0 / 65535);
        EXPECT_NEAR(e.colour.blueF(), e.b, 1.0 / 65535);
        EXPECT_EQ(e.colour.alphaF(), 1.0f);
    }
    EXPECT_EQ(&Palette::accent(), &Palette::accent());
    EXPECT_NEAR(Palette::withOpacity(Palette::secondaryText(), 0.5).alphaF(), 0.5, 1.0 / 65535);
}
