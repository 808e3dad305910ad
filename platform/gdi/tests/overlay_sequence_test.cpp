// The call sequence the text overlay uses to render its mask, end to end.
#include <gtest/gtest.h>

#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdi/tests/gdi_test_support.h"

namespace zv::gdi::test {
namespace {

using OverlaySequence = PinnedFontTest;

// Renders text as the overlay does: a monochrome bitmap compatible with a fresh memory context,
// white transparent text measured with DT_CALCRECT and drawn at the bottom centre, read back
// as a 24-bit bottom-up mask.
DibImage RenderBottomCentre(int w, int h, const char* text)
{
    LOGFONTA logFont = MakeLogFont(20);
    HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(memory, w, h);
    HFONT font = CreateFontIndirectA(&logFont);
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    HGDIOBJ oldFont = SelectObject(memory, font);
    SetTextColor(memory, RGB(255, 255, 255));
    SetBkMode(memory, TRANSPARENT);

    const UINT flags = DT_CENTER | DT_NOPREFIX | DT_NOCLIP | DT_WORDBREAK;
    RECT measured{0, 0, w, 0};
    EXPECT_GT(DrawTextExA(memory, text, -1, &measured, flags | DT_CALCRECT, nullptr), 0);
    const int tw = measured.right - measured.left;
    const int th = measured.bottom - measured.top;
    const int d = w - tw;
    RECT placed{d / 2, h - th, d / 2 + tw, h};
    EXPECT_GT(DrawTextExA(memory, text, -1, &placed, flags, nullptr), 0);
    DibImage mask = ReadDib(memory, bitmap, w, h);

    SelectObject(memory, oldFont);
    SelectObject(memory, oldBitmap);
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_TRUE(DeleteDC(memory));
    EXPECT_TRUE(DeleteDC(screen));
    return mask;
}

TEST_F(OverlaySequence, OneWordAtTheBottomCentre)
{
    const DibImage mask = RenderBottomCentre(320, 240, "Hello");
    const RECT box = mask.LitBox();
    ASSERT_LT(box.left, box.right);
    EXPECT_GE(box.top, 240 - 20);
    EXPECT_LE(box.bottom, 240);
    const int leftGap = box.left;
    const int rightGap = 320 - box.right;
    EXPECT_NEAR(leftGap, rightGap, 3);
}

TEST_F(OverlaySequence, LongTextWrapsIntoLinesCentredEachOnItsOwn)
{
    const DibImage mask = RenderBottomCentre(160, 120, "one two three four five six seven");
    // Lines of 20 pixels from the bottom; every line with text is centred on the frame.
    int lines = 0;
    for (int bottom = 120; bottom > 0; bottom -= 20) {
        int left = 160;
        int right = -1;
        for (int y = bottom - 20; y < bottom; ++y)
            for (int x = 0; x < 160; ++x)
                if (mask.Lit(x, y)) {
                    left = std::min(left, x);
                    right = std::max(right, x + 1);
                }
        if (right < 0)
            break;
        ++lines;
        EXPECT_NEAR(left, 160 - right, 3) << "line " << lines;
        EXPECT_LE(right - left, 160);
    }
    EXPECT_GE(lines, 2);
    // Nothing above the block.
    EXPECT_GE(mask.LitBox().top, 120 - 20 * lines);
}

TEST_F(OverlaySequence, OddWidthMaskHasPaddedRows)
{
    // 30 pixels: 90 bytes of pixels, 2 bytes of padding per row.
    const DibImage mask = RenderBottomCentre(30, 24, "ab");
    EXPECT_EQ(mask.stride, 92);
    EXPECT_GT(mask.LitCount(), 10);
    for (int line = 0; line < mask.height; ++line) {
        EXPECT_EQ(mask.bytes[static_cast<std::size_t>(line) * 92 + 90], 0);
        EXPECT_EQ(mask.bytes[static_cast<std::size_t>(line) * 92 + 91], 0);
    }
}

} // namespace
} // namespace zv::gdi::test
