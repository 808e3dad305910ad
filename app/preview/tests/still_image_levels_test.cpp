// The still-picture levels: level values to pixel results per channel; neutral is the identity.
#include "app/preview/StillImageLevels.h"

#include <gtest/gtest.h>

namespace {

enum Channel { kBlue = 0, kGreen = 1, kRed = 2 };

TEST(StillImageLevels, LevelValuesToPixelResults)
{
    struct Case {
        const char* name;
        ColourLevels levels; // red, green, blue, brightness, contrast
        Channel channel;
        BYTE in;
        BYTE out;
    };
    const Case cases[] = {
        {"neutral", {0.5f, 0.5f, 0.5f, 0.5f, 0.5f}, kRed, 77, 77},
        {"red full: +255 on red", {1.0f, 0.5f, 0.5f, 0.5f, 0.5f}, kRed, 10, 255},
        {"red full leaves blue", {1.0f, 0.5f, 0.5f, 0.5f, 0.5f}, kBlue, 10, 10},
        {"red none: -255", {0.0f, 0.5f, 0.5f, 0.5f, 0.5f}, kRed, 200, 0},
        {"green 0.6: +51", {0.5f, 0.6f, 0.5f, 0.5f, 0.5f}, kGreen, 100, 151},
        // 0.4 is a little above 0.4 in single precision: -50.99... truncates to -50.
        {"blue 0.4: -50", {0.5f, 0.5f, 0.4f, 0.5f, 0.5f}, kBlue, 100, 50},
        // Brightness b = trunc(255 - 510 * level) is taken away: 0.75 gives -127.
        {"brighter", {0.5f, 0.5f, 0.5f, 0.75f, 0.5f}, kGreen, 100, 227},
        {"darker, clamped at 0", {0.5f, 0.5f, 0.5f, 0.25f, 0.5f}, kGreen, 100, 0},
        {"darker", {0.5f, 0.5f, 0.5f, 0.25f, 0.5f}, kGreen, 200, 73},
        // Contrast factor (100 - trunc(100 - 200 * level)) / 100 about 128.
        {"contrast 1.5 below the middle", {0.5f, 0.5f, 0.5f, 0.5f, 0.75f}, kBlue, 100, 86},
        {"contrast 1.5 above the middle", {0.5f, 0.5f, 0.5f, 0.5f, 0.75f}, kBlue, 200, 236},
        {"contrast 0.5", {0.5f, 0.5f, 0.5f, 0.5f, 0.25f}, kRed, 200, 164},
        {"no contrast: all grey", {0.5f, 0.5f, 0.5f, 0.5f, 0.0f}, kRed, 3, 128},
        {"offset and contrast together", {0.6f, 0.5f, 0.5f, 0.5f, 0.75f}, kRed, 100, 162},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(StillImageLevels(c.levels).Map(c.channel, c.in), c.out);
    }
    EXPECT_TRUE(StillImageLevels(ColourLevels{0.501f, 0.5f, 0.5f, 0.5f, 0.5f}).IsNeutral());
    EXPECT_FALSE(StillImageLevels(ColourLevels{0.5f, 0.5f, 0.5f, 0.5f, 0.6f}).IsNeutral());
}

} // namespace
