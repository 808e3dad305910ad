#include "platform/user/control_look.h"
#include "platform/user/tests/window_system_support.h"

#include <gtest/gtest.h>

namespace {

namespace look = zv::user::look;

class ControlLookTest : public zv::user::test::WindowSystemTest {};

TEST_F(ControlLookTest, TriangleFillsItsInsideAndPutsTheSelectedToolsBack)
{
    constexpr int kSize = 32;
    constexpr COLORREF kBackground = RGB(255, 255, 255);
    struct Case {
        const char* name;
        POINT corners[3];
        POINT inside;
        POINT outside;
        COLORREF colour;
    };
    const Case cases[] = {
        {"pointing up", {{16, 4}, {4, 28}, {28, 28}}, {16, 20}, {4, 4}, RGB(0x40, 0x40, 0x40)},
        {"pointing left", {{4, 16}, {28, 4}, {28, 28}}, {20, 16}, {4, 28}, RGB(0xBF, 0x10, 0x20)},
        {"flat", {{10, 16}, {22, 12}, {22, 20}}, {20, 16}, {12, 12}, RGB(0x00, 0x80, 0xFF)},
    };
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, kSize, kSize);
    const HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    const HGDIOBJ brush = SelectObject(memory, GetStockObject(BLACK_BRUSH));
    const HGDIOBJ pen = SelectObject(memory, GetStockObject(NULL_PEN));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RECT all{0, 0, kSize, kSize};
        look::Fill(memory, all, kBackground);
        look::Triangle(memory, c.corners, c.colour);
        EXPECT_EQ(GetPixel(memory, c.inside.x, c.inside.y), c.colour);
        for (const POINT& corner : c.corners)
            EXPECT_EQ(GetPixel(memory, corner.x, corner.y), c.colour) << "the outline reaches the corners";
        EXPECT_EQ(GetPixel(memory, c.outside.x, c.outside.y), kBackground);
        EXPECT_EQ(GetCurrentObject(memory, OBJ_BRUSH), GetStockObject(BLACK_BRUSH));
        EXPECT_EQ(GetCurrentObject(memory, OBJ_PEN), GetStockObject(NULL_PEN));
    }
    SelectObject(memory, pen);
    SelectObject(memory, brush);
    SelectObject(memory, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

} // namespace
