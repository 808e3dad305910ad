#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdi/screen.h"
#include "platform/gdi/tests/gdi_test_support.h"
#include "platform/win32/last_error.h"

namespace zv::gdi::test {
namespace {

BITMAPINFO Dib24(LONG width, LONG height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

BITMAP ObjectOf(HBITMAP bitmap)
{
    BITMAP record{};
    EXPECT_EQ(GetObjectA(bitmap, sizeof record, &record), static_cast<int>(sizeof record));
    return record;
}

struct BitmapCase {
    const char* name;
    HBITMAP (*create)(HDC screen, HDC memory, void** bits);
    LONG width;
    LONG height;
    LONG widthBytes;
    WORD bitsPerPixel;
    bool hasBits;
};

class NewBitmap : public ::testing::TestWithParam<BitmapCase> {};

TEST_P(NewBitmap, IsBlackAndDescribesItself)
{
    const BitmapCase& c = GetParam();
    HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = c.create(screen, memory, &bits);
    ASSERT_NE(bitmap, nullptr);

    const BITMAP record = ObjectOf(bitmap);
    EXPECT_EQ(record.bmType, 0);
    EXPECT_EQ(record.bmWidth, c.width);
    EXPECT_EQ(record.bmHeight, c.height);
    EXPECT_EQ(record.bmWidthBytes, c.widthBytes);
    EXPECT_EQ(record.bmPlanes, 1);
    EXPECT_EQ(record.bmBitsPixel, c.bitsPerPixel);
    EXPECT_EQ(record.bmBits != nullptr, c.hasBits);
    EXPECT_EQ(record.bmBits, c.hasBits ? bits : nullptr);

    EXPECT_EQ(ReadDib(memory, bitmap, c.width, c.height).LitCount(), 0);
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_TRUE(DeleteDC(memory));
    EXPECT_TRUE(DeleteDC(screen));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, NewBitmap,
    ::testing::Values(
        BitmapCase{"CompatibleWithFreshMemoryDc",
                   [](HDC, HDC memory, void**) { return CreateCompatibleBitmap(memory, 17, 5); }, 17, 5, 4, 1, false},
        BitmapCase{"CompatibleWithScreen",
                   [](HDC screen, HDC, void**) { return CreateCompatibleBitmap(screen, 7, 3); }, 7, 3, 28, 32, false},
        BitmapCase{"Monochrome", [](HDC, HDC, void**) { return CreateBitmap(9, 4, 1, 1, nullptr); }, 9, 4, 2, 1,
                   false},
        BitmapCase{"TrueColour", [](HDC, HDC, void**) { return CreateBitmap(5, 2, 1, 24, nullptr); }, 5, 2, 16, 24,
                   false},
        BitmapCase{"DibSection",
                   [](HDC screen, HDC, void** bits) {
                       const BITMAPINFO info = Dib24(5, 3);
                       return CreateDIBSection(screen, &info, DIB_RGB_COLORS, bits, nullptr, 0);
                   },
                   5, 3, 16, 24, true}),
    [](const ::testing::TestParamInfo<BitmapCase>& info) { return std::string(info.param.name); });

TEST(Bitmaps, CompatibleBitmapFollowsTheSelectedBitmap)
{
    HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP colour = CreateCompatibleBitmap(screen, 4, 4);
    HGDIOBJ old = SelectObject(memory, colour);
    HBITMAP second = CreateCompatibleBitmap(memory, 4, 4);
    EXPECT_EQ(ObjectOf(second).bmBitsPixel, 32);
    SelectObject(memory, old);
    EXPECT_TRUE(DeleteObject(second));
    EXPECT_TRUE(DeleteObject(colour));
    EXPECT_TRUE(DeleteDC(memory));
    EXPECT_TRUE(DeleteDC(screen));
}

TEST(Bitmaps, SelectObjectReturnsThePreviousBitmap)
{
    HDC memory = CreateCompatibleDC(nullptr);
    HBITMAP a = CreateBitmap(2, 2, 1, 1, nullptr);
    HBITMAP b = CreateBitmap(3, 3, 1, 1, nullptr);

    HGDIOBJ stock = SelectObject(memory, a);
    ASSERT_NE(stock, nullptr);
    const BITMAP stockRecord = ObjectOf(static_cast<HBITMAP>(stock));
    EXPECT_EQ(stockRecord.bmWidth, 1);
    EXPECT_EQ(stockRecord.bmHeight, 1);
    EXPECT_EQ(stockRecord.bmBitsPixel, 1);

    EXPECT_EQ(SelectObject(memory, b), static_cast<HGDIOBJ>(a));
    EXPECT_EQ(SelectObject(memory, stock), static_cast<HGDIOBJ>(b));
    // The default bitmap survives an attempt to delete it.
    EXPECT_TRUE(DeleteObject(stock));
    EXPECT_EQ(SelectObject(memory, a), stock);

    EXPECT_TRUE(DeleteDC(memory));
    EXPECT_TRUE(DeleteObject(a));
    EXPECT_TRUE(DeleteObject(b));
}

TEST(Bitmaps, ABitmapLivesInOneContextAtATime)
{
    HDC first = CreateCompatibleDC(nullptr);
    HDC second = CreateCompatibleDC(nullptr);
    HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    HBITMAP bitmap = CreateBitmap(2, 2, 1, 1, nullptr);

    HGDIOBJ old = SelectObject(first, bitmap);
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(SelectObject(second, bitmap), nullptr);
    EXPECT_EQ(SelectObject(screen, bitmap), nullptr);
    // Still selected: not deleted.
    EXPECT_FALSE(DeleteObject(bitmap));
    EXPECT_EQ(ObjectOf(bitmap).bmWidth, 2);

    SelectObject(first, old);
    EXPECT_NE(SelectObject(second, bitmap), nullptr);
    // Deleting the context releases the bitmap.
    EXPECT_TRUE(DeleteDC(second));
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_EQ(GetObjectA(bitmap, sizeof(BITMAP), nullptr), 0);
    EXPECT_TRUE(DeleteDC(first));
    EXPECT_TRUE(DeleteDC(screen));
}

TEST(Bitmaps, CreateBitmapTakesTopDownWordAlignedRows)
{
    // 9 pixels wide: two bytes per row. Row 0 lights pixel 0, row 1 pixel 8, row 2 nothing.
    const BYTE bits[] = {0x80, 0x00, 0x00, 0x80, 0x00, 0x00};
    HBITMAP bitmap = CreateBitmap(9, 3, 1, 1, bits);
    HDC memory = CreateCompatibleDC(nullptr);
    const DibImage image = ReadDib(memory, bitmap, 9, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 9; ++x)
            EXPECT_EQ(image.Lit(x, y), (y == 0 && x == 0) || (y == 1 && x == 8)) << x << "," << y;
    // Lit monochrome pixels read back white.
    EXPECT_EQ(std::vector<BYTE>(image.At(0, 0), image.At(0, 0) + 3), (std::vector<BYTE>{255, 255, 255}));
    EXPECT_TRUE(DeleteDC(memory));
    EXPECT_TRUE(DeleteObject(bitmap));
}

TEST(Bitmaps, DibSectionRowsRunBottomUpForPositiveHeight)
{
    HDC memory = CreateCompatibleDC(nullptr);
    for (const LONG height : {3, -3}) {
        const BITMAPINFO info = Dib24(2, height);
        void* bits = nullptr;
        HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(section, nullptr);
        ASSERT_NE(bits, nullptr);
        // First row in memory, first pixel: blue 1, green 2, red 3.
        auto* memoryBytes = static_cast<BYTE*>(bits);
        memoryBytes[0] = 1;
        memoryBytes[1] = 2;
        memoryBytes[2] = 3;
        const DibImage image = ReadDib(memory, section, 2, 3);
        const int pictureRow = height > 0 ? 2 : 0;
        EXPECT_EQ(std::vector<BYTE>(image.At(0, pictureRow), image.At(0, pictureRow) + 3),
                  (std::vector<BYTE>{1, 2, 3}))
            << height;
        EXPECT_EQ(image.LitCount(), 1);
        EXPECT_TRUE(DeleteObject(section));
    }
    EXPECT_TRUE(DeleteDC(memory));
}

TEST(Bitmaps, GetDIBitsWritesPaddedBgrRowsFromTheBottom)
{
    // 5 pixels wide: 15 bytes of pixels and 1 byte of padding per row.
    LOGFONTA font = MakeLogFont(-10);
    SetFontFileOverride(kRegularFontFile);
    Canvas canvas(5, 4, false, &font);
    SetFontFileOverride("");
    // An opaque cell of one space fills the rows it covers with the background colour; only
    // the top row is inside the rectangle.
    SetBkMode(canvas.Dc(), OPAQUE);
    SetBkColor(canvas.Dc(), RGB(0x30, 0x20, 0x10));
    canvas.Draw("     ", RECT{0, 0, 5, 1}, DT_LEFT);

    std::vector<BYTE> bytes(4 * 16, 0xAA);
    BITMAPINFO info = Dib24(5, 4);
    ASSERT_EQ(GetDIBits(canvas.Dc(), canvas.Bitmap(), 0, 4, bytes.data(), &info, DIB_RGB_COLORS), 4);
    for (int line = 0; line < 4; ++line) {
        const bool topRow = line == 3; // scan line 0 is the bottom row
        for (int x = 0; x < 5; ++x) {
            const BYTE* p = &bytes[static_cast<std::size_t>(line) * 16 + x * 3];
            EXPECT_EQ(std::vector<BYTE>(p, p + 3),
                      topRow ? (std::vector<BYTE>{0x10, 0x20, 0x30}) : (std::vector<BYTE>{0, 0, 0}))
                << line << "," << x;
        }
    }

    // A part of the scan lines lands at the start of the buffer.
    std::vector<BYTE> part(16, 0);
    EXPECT_EQ(GetDIBits(canvas.Dc(), canvas.Bitmap(), 3, 5, part.data(), &info, DIB_RGB_COLORS), 1);
    EXPECT_EQ(part[0], 0x10);
    EXPECT_EQ(part[2], 0x30);
}

TEST(Bitmaps, BadArgumentsFail)
{
    HDC memory = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateBitmap(2, 2, 1, 1, nullptr);
    BITMAPINFO info = Dib24(2, 2);
    std::vector<BYTE> bytes(16);
    void* bits = reinterpret_cast<void*>(1);

    EXPECT_EQ(CreateBitmap(0, 2, 1, 1, nullptr), nullptr);
    EXPECT_EQ(CreateBitmap(2, 2, 2, 1, nullptr), nullptr);
    EXPECT_EQ(CreateBitmap(2, 2, 1, 8, nullptr), nullptr);
    EXPECT_EQ(CreateBitmap(1 << 30, 1 << 30, 1, 32, nullptr), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(memory, -1, 2), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(nullptr, 2, 2), nullptr);

    BITMAPINFO eightBit = Dib24(2, 2);
    eightBit.bmiHeader.biBitCount = 8;
    EXPECT_EQ(CreateDIBSection(nullptr, &eightBit, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(bits, nullptr);
    EXPECT_EQ(CreateDIBSection(nullptr, &info, 1, nullptr, nullptr, 0), nullptr);

    EXPECT_EQ(GetDIBits(nullptr, bitmap, 0, 2, bytes.data(), &info, DIB_RGB_COLORS), 0);
    EXPECT_EQ(GetDIBits(memory, nullptr, 0, 2, bytes.data(), &info, DIB_RGB_COLORS), 0);
    BITMAPINFO thirtyTwoBit = Dib24(2, 2);
    thirtyTwoBit.bmiHeader.biBitCount = 32;
    EXPECT_EQ(GetDIBits(memory, bitmap, 0, 2, bytes.data(), &thirtyTwoBit, DIB_RGB_COLORS), 0);
    EXPECT_EQ(GetDIBits(memory, bitmap, 0, 2, nullptr, &info, DIB_RGB_COLORS), 0);

    BITMAP record{};
    EXPECT_EQ(GetObjectA(bitmap, sizeof record - 1, &record), 0);
    EXPECT_EQ(GetObjectA(bitmap, 0, nullptr), static_cast<int>(sizeof(BITMAP)));
    EXPECT_EQ(GetObjectA(memory, sizeof record, &record), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

    EXPECT_FALSE(DeleteObject(memory)); // contexts go through DeleteDC
    EXPECT_FALSE(DeleteDC(reinterpret_cast<HDC>(bitmap)));
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_FALSE(DeleteObject(bitmap));
    EXPECT_TRUE(DeleteDC(memory));
    EXPECT_FALSE(DeleteDC(memory));
}

TEST(Screen, DisplayContextUsesTheVirtualScreen)
{
    const ScreenSize original = GetScreenSize();
    ASSERT_TRUE(SetScreenSize(64, 48));
    EXPECT_EQ(GetScreenSize().width, 64);
    EXPECT_EQ(GetScreenSize().height, 48);
    EXPECT_FALSE(SetScreenSize(0, 10));

    HDC screen = CreateDCA("display", nullptr, nullptr, nullptr);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(CreateDCA("WINSPOOL", nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(CreateDCA(nullptr, nullptr, nullptr, nullptr), nullptr);

    // Text drawn on the screen context stays inside the screen.
    SetFontFileOverride(kRegularFontFile);
    LOGFONTA logFont = MakeLogFont(-12);
    HFONT font = CreateFontIndirectA(&logFont);
    SetFontFileOverride("");
    HGDIOBJ oldFont = SelectObject(screen, font);
    SetTextColor(screen, RGB(255, 255, 255));
    RECT rect{50, 40, 200, 100};
    EXPECT_GT(DrawTextExA(screen, "Wide text", -1, &rect, DT_LEFT | DT_NOCLIP, nullptr), 0);
    SelectObject(screen, oldFont);
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_TRUE(DeleteDC(screen));
    ASSERT_TRUE(SetScreenSize(original.width, original.height));
}

} // namespace
} // namespace zv::gdi::test
