#include "platform/user/gtk/cursor_picture.h"

#include "platform/gdi/gdi.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using zv::user::gtk::CursorPicture;
using zv::user::gtk::PictureOfCursor;

struct CursorCase {
    const char* what;
    int width;
    int height;
    int colourBits; // 0: monochrome, the AND mask above the XOR image in the mask
    std::vector<BYTE> colour;
    std::vector<BYTE> mask; // rows padded to 2 bytes, leftmost pixel in the high bit
    std::vector<std::uint32_t> expected;
};

HCURSOR MakeCursor(const CursorCase& c, POINT hotspot)
{
    HBITMAP colour = c.colourBits ? CreateBitmap(c.width, c.height, 1, static_cast<UINT>(c.colourBits), c.colour.data())
                                  : nullptr;
    HBITMAP mask = CreateBitmap(c.width, c.colourBits ? c.height : c.height * 2, 1, 1, c.mask.data());
    ICONINFO info{FALSE, static_cast<DWORD>(hotspot.x), static_cast<DWORD>(hotspot.y), mask, colour};
    HICON cursor = CreateIconIndirect(&info);
    DeleteObject(mask);
    if (colour)
        DeleteObject(colour);
    return reinterpret_cast<HCURSOR>(cursor);
}

TEST(CursorPicture, EveryKindOfCursorKeepsItsPixelsAndHotspot)
{
    const CursorCase cases[] = {
        // Per pixel (AND, XOR): (0, 0) black, (0, 1) white, (1, 0) clear, (1, 1) inverts: black.
        {"monochrome", 4, 2, 0, {}, {0x30, 0, 0x30, 0, 0x50, 0, 0x50, 0},
         {0xFF000000, 0xFFFFFFFF, 0, 0xFF000000, 0xFF000000, 0xFFFFFFFF, 0, 0xFF000000}},
        // Colour under a mask: opaque, inverting (black), clear.
        {"colour and mask", 3, 1, 24, {0x30, 0x20, 0x10, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}, {0x60, 0},
         {0xFF102030, 0xFF000000, 0}},
        // Colour with alpha: premultiplied, the mask not consulted.
        {"alpha", 2, 1, 32, {0x40, 0x80, 0xC0, 0x80, 0xFF, 0xFF, 0xFF, 0x00}, {0xC0, 0},
         {0x80604020, 0}},
    };
    for (const CursorCase& c : cases) {
        SCOPED_TRACE(c.what);
        const HCURSOR cursor = MakeCursor(c, POINT{1, 0});
        ASSERT_NE(cursor, nullptr);
        const std::optional<CursorPicture> picture = PictureOfCursor(cursor);
        ASSERT_TRUE(picture.has_value());
        EXPECT_EQ(picture->width, c.width);
        EXPECT_EQ(picture->height, c.height);
        EXPECT_EQ(picture->hotspot.x, 1);
        EXPECT_EQ(picture->hotspot.y, 0);
        EXPECT_EQ(picture->pixels, c.expected);
        DestroyCursor(cursor);
    }
}

TEST(CursorPicture, AHandleThatIsNoCursorHasNoPicture)
{
    EXPECT_FALSE(PictureOfCursor(nullptr).has_value());
    HBITMAP bitmap = CreateBitmap(2, 2, 1, 32, nullptr);
    EXPECT_FALSE(PictureOfCursor(reinterpret_cast<HCURSOR>(bitmap)).has_value());
    DeleteObject(bitmap);
}

} // namespace
