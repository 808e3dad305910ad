#include "capture/TextOverlay.h"

#include "platform/gdi/fonts.h"
#include "platform/gdi/gdi.h"
#include "platform/win32/profile.h"
#include "platform/win32/registry.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr const char* kFontFile = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";
constexpr BYTE kBackground = 0x5A;

// A 24-bit bottom-up frame with rows padded to 4 bytes, filled with a background byte.
struct Frame {
    Frame(LONG w, LONG h, std::size_t extra = 0)
        : size{w, h}, stride(FrameStride(w)), bytes(stride * static_cast<std::size_t>(h) + extra, kBackground)
    {
    }
    LONG Length() const { return static_cast<LONG>(bytes.size()); }
    // Pixel (x, y) with y counted from the top of the picture.
    BYTE* At(LONG x, LONG y) { return &bytes[static_cast<std::size_t>(size.height - 1 - y) * stride + x * 3]; }
    bool Painted(LONG x, LONG y) { return At(x, y)[0] != kBackground; }
    // Bounding box of the painted pixels; left > right when none is.
    RECT PaintedBox()
    {
        RECT box{size.width, size.height, -1, -1};
        for (LONG y = 0; y < size.height; ++y)
            for (LONG x = 0; x < size.width; ++x)
                if (Painted(x, y)) {
                    box.left = std::min(box.left, x);
                    box.top = std::min(box.top, y);
                    box.right = std::max(box.right, x + 1);
                    box.bottom = std::max(box.bottom, y + 1);
                }
        return box;
    }
    // Runs of picture rows that hold painted pixels.
    int PaintedBands()
    {
        int bands = 0;
        bool previous = false;
        for (LONG y = 0; y < size.height; ++y) {
            bool any = false;
            for (LONG x = 0; x < size.width && !any; ++x)
                any = Painted(x, y);
            bands += (any && !previous) ? 1 : 0;
            previous = any;
        }
        return bands;
    }
    bool PaddingUntouched() const
    {
        const std::size_t rowBytes = static_cast<std::size_t>(size.width) * 3;
        for (std::size_t row = 0; row < static_cast<std::size_t>(size.height); ++row)
            for (std::size_t i = row * stride + rowBytes; i < (row + 1) * stride; ++i)
                if (bytes[i] != kBackground)
                    return false;
        for (std::size_t i = stride * static_cast<std::size_t>(size.height); i < bytes.size(); ++i)
            if (bytes[i] != kBackground)
                return false;
        return true;
    }

    FrameSize size;
    std::size_t stride;
    std::vector<BYTE> bytes;
};

struct BlockSize {
    LONG cx;
    LONG cy;
};

// The text block's size as DrawTextExA measures it within a width, with the overlay's font.
BlockSize MeasureText(const char* text, LONG width)
{
    LOGFONTA logFont{};
    logFont.lfHeight = 20;
    logFont.lfCharSet = DEFAULT_CHARSET;
    std::strcpy(logFont.lfFaceName, "Arial");
    HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HFONT font = CreateFontIndirectA(&logFont);
    HGDIOBJ old = SelectObject(dc, font);
    RECT rect{0, 0, width, 0};
    DrawTextExA(dc, text, -1, &rect, DT_CALCRECT | DT_NOPREFIX | DT_NOCLIP | DT_WORDBREAK, nullptr);
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
    DeleteDC(screen);
    return BlockSize{rect.right - rect.left, rect.bottom - rect.top};
}

class TextOverlayTest : public ::testing::Test {
protected:
    void SetUp() override { zv::gdi::SetFontFileOverride(kFontFile); }
    void TearDown() override { zv::gdi::SetFontFileOverride(""); }

    TextOverlaySettings overlay;
};

TEST_F(TextOverlayTest, EmptyTextLeavesFramesAloneAndMakesNoMask)
{
    Frame frame(320, 240);
    const std::vector<BYTE> before = frame.bytes;
    ApplyTextOverlay(overlay, &frame.size, frame.bytes.data(), frame.Length());
    SetOverlayText(overlay, "");
    ApplyTextOverlay(overlay, &frame.size, frame.bytes.data(), frame.Length());
    SetOverlayText(overlay, nullptr);
    ApplyTextOverlay(overlay, &frame.size, frame.bytes.data(), frame.Length());
    EXPECT_EQ(frame.bytes, before);
    EXPECT_TRUE(overlay.mask.empty());
    EXPECT_EQ(overlay.maskWidth, 0);

    // Missing frame or size: nothing happens.
    SetOverlayText(overlay, "Zelvante");
    ApplyTextOverlay(overlay, nullptr, frame.bytes.data(), frame.Length());
    ApplyTextOverlay(overlay, &frame.size, nullptr, frame.Length());
    EXPECT_EQ(frame.bytes, before);
}

TEST_F(TextOverlayTest, EachPositionPutsTheBlockWhereItBelongs)
{
    const LONG w = 320;
    const LONG h = 240;
    const char* const text = "Zelvante";
    const BlockSize block = MeasureText(text, w);
    ASSERT_GT(block.cx, 0);
    const LONG d = w - block.cx;
    const struct {
        LONG position;
        RECT placed;
    } cases[] = {
        {0, {0, 0, block.cx, block.cy}},
        {1, {d / 2, 0, d / 2 + block.cx, block.cy}},
        {2, {d, 0, w, block.cy}},
        {3, {0, h - block.cy, block.cx, h}},
        {4, {d / 2, h - block.cy, d / 2 + block.cx, h}},
        {5, {d, h - block.cy, w, h}},
        {9, {0, 0, block.cx, block.cy}}, // unknown: the measured rectangle
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.position);
        overlay.position = c.position;
        SetOverlayText(overlay, text);
        Frame frame(w, h);
        ApplyTextOverlay(overlay, &frame.size, frame.bytes.data(), frame.Length());
        const RECT box = frame.PaintedBox();
        ASSERT_LT(box.left, box.right);
        EXPECT_GE(box.left, c.placed.left);
        EXPECT_LE(box.right, c.placed.right);
        EXPECT_GE(box.top, c.placed.top);
        EXPECT_LE(box.bottom, c.placed.bottom);
        // The ink fills most of the block: its sides lie within a few pixels of the block's.
        EXPECT_LE(box.left - c.placed.left, 3);
        EXPECT_LE(c.placed.right - box.right, 3);
        EXPECT_EQ(frame.PaintedBands(), 1);
    }
}

TEST_F(TextOverlayTest, LongTextWrapsAtWordsWithinTheFrame)
{
    const char* const text = "one two three four five six seven eight";
    const LONG lineHeight = MeasureText("one", 160).cy;
    const LONG blockHeight = MeasureText(text, 160).cy;
    ASSERT_GE(blockHeight, 2 * lineHeight);
    overlay.position = 3;
    SetOverlayText(overlay, text);
    Frame frame(160, 120);
    ApplyTextOverlay(overlay, &frame.size, frame.bytes.data(), frame.Length());
    const RECT box = frame.PaintedBox();
    ASSERT_LT(box.left, box.right);
    // Several lines, stacked from the bottom up, none wider than the frame.
    EXPECT_GE(box.top, 120 - blockHeight);
    EXPECT_LT(box.top, 120 - blockHeight + lineHeight);
    EXPECT_GT(box.bottom, 120 - lineHeight);
    EXPECT_LE(box.left, 2);
    EXPECT_LT(box.right, 160);
    EXPECT_TRUE(frame.PaddingUntouched());
}

TEST_F(TextOverlayTest, AWordWiderThanTheFrameIsClippedNotBroken)
{
    const char* const word = "Supercalifragilistic";
    ASSERT_GT(MeasureText(word, 80).cx, 80);
    const LONG lineHeight = MeasureText(word, 80).cy;
    overlay.position = 0;
    SetOverlayText(overlay, word);
    Frame frame(80, 60, 64);
    ApplyTextOverlay(overlay, &frame.size, frame.bytes.data(), frame.Length());
    const RECT box = frame.PaintedBox();
    EXPECT_LE(box.left, 2);
    EXPECT_EQ(box.right, 80) << "the word runs on to the right edge";
    EXPECT_LE(box.bottom, lineHeight) << "on one line";
    EXPECT_TRUE(frame.PaddingUntouched());
}

TEST_F(TextOverlayTest, TheColourIsWrittenBlueGreenRed)
{
    overlay.colour = RGB(0x11, 0x22, 0x33);
    SetOverlayText(overlay, "Zelvante");
    Frame frame(320, 240);
    ApplyTextOverlay(overlay, &frame.size, frame.bytes.data(), frame.Length());
    int painted = 0;
    for (LONG y = 0; y < 240; ++y)
        for (LONG x = 0; x < 320; ++x)
            if (frame.Painted(x, y)) {
                ++painted;
                const BYTE* pixel = frame.At(x, y);
                ASSERT_EQ(pixel[0], 0x33);
                ASSERT_EQ(pixel[1], 0x22);
                ASSERT_EQ(pixel[2], 0x11);
            }
    EXPECT_GT(painted, 50);
}

TEST_F(TextOverlayTest, ANewFrameSizeOrTextRendersTheMaskAgain)
{
    SetOverlayText(overlay, "Zelvante");
    Frame large(320, 240);
    ApplyTextOverlay(overlay, &large.size, large.bytes.data(), large.Length());
    EXPECT_EQ(overlay.maskWidth, 320);
    EXPECT_EQ(overlay.dirty, 0);

    Frame small(160, 120);
    ApplyTextOverlay(overlay, &small.size, small.bytes.data(), small.Length());
    EXPECT_EQ(overlay.maskWidth, 160);
    EXPECT_EQ(overlay.maskHeight, 120);
    const RECT box = small.PaintedBox();
    ASSERT_LT(box.left, box.right);
    EXPECT_GE(box.top, 120 - 25);
    EXPECT_NEAR(box.left, 160 - box.right, 3);

    Frame before(160, 120);
    ApplyTextOverlay(overlay, &before.size, before.bytes.data(), before.Length());
    SetOverlayText(overlay, "Zelvante Zelvante");
    EXPECT_EQ(overlay.dirty, 1);
    Frame after(160, 120);
    ApplyTextOverlay(overlay, &after.size, after.bytes.data(), after.Length());
    EXPECT_NE(after.bytes, before.bytes);
    EXPECT_EQ(overlay.dirty, 0);
}

TEST_F(TextOverlayTest, AWideFrameWithPaddedRowsLinesUpWithTheMask)
{
    // 1366 x 3 = 4098 bytes a row, padded to 4100.
    overlay.position = 2;
    SetOverlayText(overlay, "Zelvante");
    Frame frame(1366, 40);
    ASSERT_EQ(frame.stride, 4100u);
    ApplyTextOverlay(overlay, &frame.size, frame.bytes.data(), frame.Length());
    EXPECT_EQ(overlay.maskBytes, 4100 * 40);
    EXPECT_TRUE(frame.PaddingUntouched());
    const RECT box = frame.PaintedBox();
    ASSERT_LT(box.left, box.right);
    EXPECT_GE(box.right, 1366 - 3);
    EXPECT_LE(box.bottom, 25);
    // The same text at the same place of a narrow frame has the same shape: rows did not drift.
    Frame narrow(320, 40);
    ApplyTextOverlay(overlay, &narrow.size, narrow.bytes.data(), narrow.Length());
    const RECT narrowBox = narrow.PaintedBox();
    EXPECT_EQ(box.right - box.left, narrowBox.right - narrowBox.left);
    EXPECT_EQ(box.top, narrowBox.top);
    EXPECT_EQ(box.bottom, narrowBox.bottom);
    for (LONG y = box.top; y < box.bottom; ++y)
        for (LONG dx = 0; dx < box.right - box.left; ++dx)
            ASSERT_EQ(frame.Painted(box.left + dx, y), narrow.Painted(narrowBox.left + dx, y)) << dx << "," << y;
}

TEST_F(TextOverlayTest, AFrameShorterThanTheMaskIsLeftAlone)
{
    SetOverlayText(overlay, "Zelvante");
    // Rows not padded: 1366 x 3 x 40 bytes, less than the mask's 4100 x 40.
    std::vector<BYTE> unpadded(1366 * 3 * 40, kBackground);
    const FrameSize size{1366, 40};
    ApplyTextOverlay(overlay, &size, unpadded.data(), static_cast<LONG>(unpadded.size()));
    EXPECT_TRUE(std::all_of(unpadded.begin(), unpadded.end(), [](BYTE b) { return b == kBackground; }));

    Frame frame(320, 240);
    const std::vector<BYTE> before = frame.bytes;
    ApplyTextOverlay(overlay, &frame.size, frame.bytes.data(), frame.Length() - 1);
    ApplyTextOverlay(overlay, &frame.size, frame.bytes.data(), -1);
    EXPECT_EQ(frame.bytes, before);
    ApplyTextOverlay(overlay, &frame.size, frame.bytes.data(), frame.Length());
    EXPECT_NE(frame.bytes, before);
}

TEST_F(TextOverlayTest, EveryLitMaskPixelIsPaintedUpToTheLastOne)
{
    // A mask made by hand: the bottom-left pixel, the top-right pixel (the last of a bottom-up
    // frame) and one lit only in its red byte.
    const LONG w = 5;
    const LONG h = 3;
    const std::size_t stride = FrameStride(w);
    ASSERT_EQ(stride, 16u);
    overlay.text = "x";
    overlay.dirty = 0;
    overlay.maskWidth = w;
    overlay.maskHeight = h;
    overlay.maskBytes = static_cast<LONG>(stride * h);
    overlay.mask.assign(stride * h, 0);
    overlay.mask[0] = 0xFF;
    overlay.mask[2 * stride + 4 * 3 + 1] = 0xFF;
    overlay.mask[stride + 2 * 3 + 2] = 0x01;
    overlay.colour = RGB(1, 2, 3);

    Frame frame(w, h);
    ApplyTextOverlay(overlay, &frame.size, frame.bytes.data(), frame.Length());
    EXPECT_TRUE(frame.Painted(0, h - 1));
    EXPECT_TRUE(frame.Painted(w - 1, 0));
    EXPECT_TRUE(frame.Painted(2, 1));
    EXPECT_EQ(frame.At(w - 1, 0)[0], 3);
    RECT box = frame.PaintedBox();
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.right, w);
    int painted = 0;
    for (LONG y = 0; y < h; ++y)
        for (LONG x = 0; x < w; ++x)
            painted += frame.Painted(x, y) ? 1 : 0;
    EXPECT_EQ(painted, 3);
    EXPECT_TRUE(frame.PaddingUntouched());
}

TEST_F(TextOverlayTest, AFailedRenderIsNotTakenForTheOldSize)
{
    SetOverlayText(overlay, "Zelvante");
    Frame frame(320, 240);
    ApplyTextOverlay(overlay, &frame.size, frame.bytes.data(), frame.Length());
    EXPECT_EQ(overlay.maskWidth, 320);
    const FrameSize broken{-4, 240};
    EXPECT_FALSE(RenderTextMask(overlay, broken));
    EXPECT_EQ(overlay.maskWidth, 0);
    Frame again(320, 240);
    ApplyTextOverlay(overlay, &again.size, again.bytes.data(), again.Length());
    EXPECT_EQ(again.bytes, frame.bytes) << "the next frame renders again and gets the same overlay";
}

// ---- settings in the registry ----

class OverlaySettingsTest : public ::testing::Test {
protected:
    zv::win32::testing::TempZvRoot root;
    zv::win32::Profile profile{"Kestrova", "Zelvante"};
    TextOverlaySettings overlay;
};

TEST_F(OverlaySettingsTest, AbsentValuesKeepTheDefaults)
{
    LoadOverlaySettings(overlay, profile);
    EXPECT_EQ(overlay.text, "");
    EXPECT_EQ(overlay.colour, 0xFFFFFFu);
    EXPECT_EQ(overlay.position, 4);
    EXPECT_EQ(overlay.font.lfHeight, 20);
    EXPECT_EQ(overlay.font.lfCharSet, DEFAULT_CHARSET);
    EXPECT_STREQ(overlay.font.lfFaceName, "Arial");
    EXPECT_EQ(overlay.enabled, 1);
}

TEST_F(OverlaySettingsTest, SavedSettingsLoadIntoAnotherRecord)
{
    SetOverlayText(overlay, "On air");
    overlay.colour = RGB(0x10, 0x20, 0x30);
    overlay.position = 1;
    overlay.font.lfHeight = -32;
    overlay.font.lfWeight = 700;
    std::strcpy(overlay.font.lfFaceName, "Courier New");
    SaveOverlaySettings(overlay, profile);

    std::vector<BYTE> stored;
    ASSERT_TRUE(profile.GetProfileBinary("Params", "OverlayFont", stored));
    EXPECT_EQ(stored.size(), 60u);

    TextOverlaySettings loaded;
    LoadOverlaySettings(loaded, profile);
    EXPECT_EQ(loaded.text, "On air");
    EXPECT_EQ(loaded.colour, RGB(0x10, 0x20, 0x30));
    EXPECT_EQ(loaded.position, 1);
    EXPECT_EQ(std::memcmp(&loaded.font, &overlay.font, sizeof(LOGFONTA)), 0);
    EXPECT_EQ(loaded.dirty, 1);
}

TEST_F(OverlaySettingsTest, OnlyAStoredFontOfSixtyBytesIsTaken)
{
    LOGFONTA font{};
    font.lfHeight = 44;
    std::strcpy(font.lfFaceName, "Stored");
    std::vector<BYTE> bytes(reinterpret_cast<const BYTE*>(&font), reinterpret_cast<const BYTE*>(&font) + 60);
    for (std::size_t length : {0u, 1u, 59u, 61u, 120u, 60u}) {
        SCOPED_TRACE(length);
        std::vector<BYTE> stored = bytes;
        stored.resize(length, 0);
        ASSERT_TRUE(profile.WriteProfileBinary("Params", "OverlayFont", stored.data(), static_cast<UINT>(length)));
        TextOverlaySettings loaded;
        LoadOverlaySettings(loaded, profile);
        EXPECT_EQ(loaded.font.lfHeight, length == 60 ? 44 : 20);
        EXPECT_STREQ(loaded.font.lfFaceName, length == 60 ? "Stored" : "Arial");
    }
}

TEST_F(OverlaySettingsTest, TheProcessOverlayUsesTheApplicationProfile)
{
    const zv::win32::Profile before = zv::win32::ApplicationProfile();
    zv::win32::SetApplicationProfile(profile);
    ASSERT_TRUE(profile.WriteProfileString("Params", "OverlayText", "from the registry"));
    LoadOverlaySettings();
    EXPECT_EQ(g_TextOverlay.text, "from the registry");
    SetOverlayText("changed");
    SaveOverlaySettings();
    EXPECT_EQ(profile.GetProfileString("Params", "OverlayText"), "changed");
    SetOverlayText(nullptr);
    zv::win32::SetApplicationProfile(before);
}

} // namespace
