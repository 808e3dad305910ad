// The still-picture levels: level values to pixel results per channel, neutral levels as the
// identity, and pictures that are not 24 bits copied as they are.
#include "app/preview/StillImageLevels.h"

#include <gtest/gtest.h>

namespace {

enum Channel { kBlue = 0, kGreen = 1, kRed = 2 };

TEST(StillImageLevels, LevelValuesToPixelResults)
{
    struct Case {
        const char* name;
        ColourLevels levels;
        Channel channel;
        BYTE in;
        BYTE out;
    };
    const auto with = [](float red, float green, float blue, float brightness, float contrast) {
        return ColourLevels{red, green, blue, brightness, contrast};
    };
    const Case cases[] = {
        {"neutral", with(0.5f, 0.5f, 0.5f, 0.5f, 0.5f), kRed, 77, 77},
        {"red full: +255 on red", with(1.0f, 0.5f, 0.5f, 0.5f, 0.5f), kRed, 10, 255},
        {"red full leaves blue", with(1.0f, 0.5f, 0.5f, 0.5f, 0.5f), kBlue, 10, 10},
        {"red none: -255 on red", with(0.0f, 0.5f, 0.5f, 0.5f, 0.5f), kRed, 200, 0},
        {"green 0.6: +51", with(0.5f, 0.6f, 0.5f, 0.5f, 0.5f), kGreen, 100, 151},
        // 0.4 is a little above 0.4 in single precision: -50.99... truncates to -50.
        {"blue 0.4: -50", with(0.5f, 0.5f, 0.4f, 0.5f, 0.5f), kBlue, 100, 50},
        // Brightness b = trunc(255 - 510 * level) is taken away: 0.75 gives -127.
        {"brighter", with(0.5f, 0.5f, 0.5f, 0.75f, 0.5f), kGreen, 100, 227},
        {"darker, clamped at 0", with(0.5f, 0.5f, 0.5f, 0.25f, 0.5f), kGreen, 100, 0},
        {"darker", with(0.5f, 0.5f, 0.5f, 0.25f, 0.5f), kGreen, 200, 73},
        // Contrast factor (100 - trunc(100 - 200 * level)) / 100 about 128.
        {"contrast 1.5 below the middle", with(0.5f, 0.5f, 0.5f, 0.5f, 0.75f), kBlue, 100, 86},
        {"contrast 1.5 above the middle", with(0.5f, 0.5f, 0.5f, 0.5f, 0.75f), kBlue, 200, 236},
        {"contrast 0.5", with(0.5f, 0.5f, 0.5f, 0.5f, 0.25f), kRed, 200, 164},
        {"no contrast: all grey", with(0.5f, 0.5f, 0.5f, 0.5f, 0.0f), kRed, 3, 128},
        {"offset and contrast together", with(0.6f, 0.5f, 0.5f, 0.5f, 0.75f), kRed, 100, 162},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(StillImageLevels(c.levels).Map(c.channel, c.in), c.out);
    }
}

TEST(StillImageLevels, OnlyNeutralLevelsAreTheIdentity)
{
    EXPECT_TRUE(StillImageLevels(ColourLevels{}).IsNeutral());
    // 0.501 still gives offset 0 and factor 1.
    EXPECT_TRUE(StillImageLevels(ColourLevels{0.501f, 0.5f, 0.5f, 0.5f, 0.5f}).IsNeutral());
    EXPECT_FALSE(StillImageLevels(ColourLevels{0.5f, 0.5f, 0.5f, 0.5f, 0.6f}).IsNeutral());
    EXPECT_FALSE(StillImageLevels(ColourLevels{0.5f, 0.5f, 0.5f, 0.6f, 0.5f}).IsNeutral());
}

TEST(StillImageLevels, ApplyWritesTheAdjustedCopyAndLeavesPadding)
{
    CPixImage work(3, 2, 24);
    for (DWORD row = 0; row < 2; ++row) {
        BYTE* pixels = work.GetRowPointer(row);
        for (int i = 0; i < 9; ++i) pixels[i] = static_cast<BYTE>(100 + i);
    }
    CPixImage shown(5, 5, 24);
    const StillImageLevels darker(ColourLevels{0.5f, 0.5f, 0.5f, 0.25f, 0.5f});
    ASSERT_TRUE(darker.Apply(work, shown));
    ASSERT_EQ(shown.GetWidth(), 3);
    ASSERT_EQ(shown.GetHeight(), 2);
    for (DWORD row = 0; row < 2; ++row) {
        for (int i = 0; i < 9; ++i) EXPECT_EQ(shown.GetRowPointer(row)[i], darker.Map(i % 3, static_cast<BYTE>(100 + i)));
    }
    EXPECT_EQ(work.GetRowPointer(0)[0], 100) << "the work picture stays as it was";

    // Neutral: a plain copy, whatever `shown` held before.
    ASSERT_TRUE(StillImageLevels(ColourLevels{}).Apply(work, shown));
    EXPECT_EQ(shown.GetRowPointer(1)[8], 108);

    // Not 24 bits: copied unchanged.
    CPixImage grey(2, 2, 8);
    grey.GetRowPointer(0)[0] = 200;
    ASSERT_TRUE(darker.Apply(grey, shown));
    EXPECT_EQ(shown.GetBpp(), 8);
    EXPECT_EQ(shown.GetRowPointer(0)[0], 200);

    // Nothing to copy: false, nothing shown.
    EXPECT_FALSE(darker.Apply(CPixImage(), shown));
    EXPECT_FALSE(shown.IsValid());
}

} // namespace
