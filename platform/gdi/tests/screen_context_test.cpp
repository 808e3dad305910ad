#include <gtest/gtest.h>

#include "platform/gdi/gdi.h"
#include "platform/gdi/screen.h"
#include "platform/gdi/screen_surface.h"
#include "platform/gdi/tests/pixel_canvas.h"
#include "platform/win32/last_error.h"

#include <vector>

namespace zv::gdi::test {
namespace {

class ScreenContext : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SetScreenSize(320, 200)); }
    void TearDown() override { SetScreenSize(1024, 768); }
};

TEST_F(ScreenContext, GetDCCoversTheScreenUntilReleased)
{
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    RECT box{};
    EXPECT_EQ(GetClipBox(screen, &box), SIMPLEREGION);
    EXPECT_EQ(box.right, 320);
    EXPECT_EQ(box.bottom, 200);
    EXPECT_EQ(RealizePalette(screen), 0u);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
    // Released means gone.
    EXPECT_EQ(GetClipBox(screen, &box), ERROR);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 0);
}

TEST_F(ScreenContext, ReleaseDCTakesOnlyWhatGetDCGave)
{
    HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    SetLastError(0);
    EXPECT_EQ(ReleaseDC(nullptr, display), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_TRUE(DeleteDC(display));
    EXPECT_EQ(GetDC(reinterpret_cast<HWND>(0x10)), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(RealizePalette(nullptr), GDI_ERROR);
}

TEST_F(ScreenContext, GetCurrentObjectGivesAMemoryContextsBitmap)
{
    PixelCanvas canvas(3, 3, false, [](int, int) { return kWhite; });
    EXPECT_EQ(GetCurrentObject(canvas.Dc(), OBJ_BITMAP), canvas.Bitmap());
    HDC screen = GetDC(nullptr);
    SetLastError(0);
    EXPECT_EQ(GetCurrentObject(screen, OBJ_BITMAP), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    // A context starts with the stock font, brush and pen; palettes are not kept.
    EXPECT_EQ(GetCurrentObject(canvas.Dc(), OBJ_FONT), GetStockObject(SYSTEM_FONT));
    EXPECT_EQ(GetCurrentObject(screen, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(GetCurrentObject(screen, OBJ_PEN), GetStockObject(BLACK_PEN));
    EXPECT_EQ(GetCurrentObject(canvas.Dc(), 5), nullptr);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
}

// A display that shows its own picture: each pixel's colour tells where it lies.
struct FakeDisplay {
    std::vector<RECT> asked;
    bool answers = true;

    static COLORREF Shown(int x, int y) { return RGB(x & 0xFF, y & 0xFF, 0x80); }
    ScreenReader Reader()
    {
        return [this](Surface& screen, const RECT& area) {
            asked.push_back(area);
            for (int y = area.top; y < area.bottom; ++y)
                for (int x = area.left; x < area.right; ++x)
                    screen.SetPixel(x, y, Shown(x, y));
            return answers;
        };
    }
};

class ScreenOfADisplay : public ScreenContext {
protected:
    void TearDown() override
    {
        SetScreenReader(nullptr);
        ScreenContext::TearDown();
    }
    FakeDisplay m_display;
};

TEST_F(ScreenOfADisplay, BlitsFromTheScreenReadTheDisplayFirst)
{
    SetScreenReader(m_display.Reader());
    struct Case {
        RECT from;      // on the screen
        RECT expected;  // what the display is asked for: the part on the screen
    };
    const Case cases[] = {
        {RECT{10, 20, 40, 35}, RECT{10, 20, 40, 35}},
        {RECT{300, 190, 330, 205}, RECT{300, 190, 320, 200}},
        {RECT{-5, -5, 5, 5}, RECT{0, 0, 5, 5}},
    };
    HDC screen = GetDC(nullptr);
    for (const Case& c : cases) {
        m_display.asked.clear();
        const int width = c.from.right - c.from.left;
        const int height = c.from.bottom - c.from.top;
        PixelCanvas canvas(width, height, false, [](int, int) { return kBlack; });
        ASSERT_TRUE(BitBlt(canvas.Dc(), 0, 0, width, height, screen, c.from.left, c.from.top, SRCCOPY));
        ASSERT_EQ(m_display.asked.size(), 1u);
        EXPECT_EQ(m_display.asked[0].left, c.expected.left);
        EXPECT_EQ(m_display.asked[0].top, c.expected.top);
        EXPECT_EQ(m_display.asked[0].right, c.expected.right);
        EXPECT_EQ(m_display.asked[0].bottom, c.expected.bottom);
        const int x = c.expected.left - c.from.left;
        const int y = c.expected.top - c.from.top;
        EXPECT_EQ(GetPixel(canvas.Dc(), x, y), FakeDisplay::Shown(c.expected.left, c.expected.top));
    }
    // Off the screen entirely: nothing to read.
    m_display.asked.clear();
    PixelCanvas canvas(4, 4, false, [](int, int) { return kBlack; });
    EXPECT_TRUE(BitBlt(canvas.Dc(), 0, 0, 4, 4, screen, 400, 300, SRCCOPY));
    EXPECT_TRUE(m_display.asked.empty());
    EXPECT_EQ(GetPixel(screen, 7, 9), FakeDisplay::Shown(7, 9));
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
}

TEST_F(ScreenOfADisplay, AnUnreadableDisplayFailsTheReadsRatherThanShowingStalePixels)
{
    m_display.answers = false;
    SetScreenReader(m_display.Reader());
    HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    PixelCanvas canvas(8, 8, false, [](int, int) { return kWhite; });
    SetLastError(0);
    EXPECT_FALSE(BitBlt(canvas.Dc(), 0, 0, 8, 8, screen, 0, 0, SRCCOPY));
    EXPECT_EQ(GetLastError(), ERROR_GEN_FAILURE);
    EXPECT_EQ(GetPixel(screen, 1, 1), CLR_INVALID);
    // Drawing onto the screen and blits between other contexts do not ask the display.
    m_display.asked.clear();
    EXPECT_TRUE(BitBlt(screen, 0, 0, 8, 8, canvas.Dc(), 0, 0, SRCCOPY));
    EXPECT_TRUE(m_display.asked.empty());
    EXPECT_TRUE(DeleteDC(screen));
}

} // namespace
} // namespace zv::gdi::test
