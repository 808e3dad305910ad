#include <gtest/gtest.h>

#include "platform/gdi/gdi.h"
#include "platform/gdi/screen.h"
#include "platform/gdi/tests/pixel_canvas.h"
#include "platform/win32/last_error.h"

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

} // namespace
} // namespace zv::gdi::test
