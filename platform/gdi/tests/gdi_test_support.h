// Helpers for the GDI tests: a memory context with a bitmap and a font, read back as 24-bit rows.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/gdi/fonts.h"
#include "platform/gdi/gdi.h"

namespace zv::gdi::test {

inline const char* const kRegularFontFile = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";

// Pins the font file so metrics do not depend on the installed fonts.
class PinnedFontTest : public ::testing::Test {
protected:
    void SetUp() override { SetFontFileOverride(kRegularFontFile); }
    void TearDown() override { SetFontFileOverride(""); }
};

inline LOGFONTA MakeLogFont(LONG height, LONG weight = FW_NORMAL, const char* face = "Arial")
{
    LOGFONTA font{};
    font.lfHeight = height;
    font.lfWeight = weight;
    font.lfCharSet = DEFAULT_CHARSET;
    std::snprintf(font.lfFaceName, sizeof font.lfFaceName, "%s", face);
    return font;
}

// A 24-bit bottom-up copy of a bitmap, as GetDIBits gives it.
struct DibImage {
    int width = 0;
    int height = 0;
    int stride = 0;
    std::vector<BYTE> bytes;

    // Pixel (x, y) with y counted from the top of the picture.
    const BYTE* At(int x, int y) const { return &bytes[static_cast<std::size_t>(height - 1 - y) * stride + x * 3]; }
    bool Lit(int x, int y) const
    {
        const BYTE* p = At(x, y);
        return p[0] != 0 || p[1] != 0 || p[2] != 0;
    }
    int LitCount() const
    {
        int count = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                count += Lit(x, y) ? 1 : 0;
        return count;
    }
    // Bounding box of the lit pixels; left > right when nothing is lit.
    RECT LitBox() const
    {
        RECT box{width, height, -1, -1};
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (Lit(x, y)) {
                    box.left = std::min<LONG>(box.left, x);
                    box.top = std::min<LONG>(box.top, y);
                    box.right = std::max<LONG>(box.right, x + 1);
                    box.bottom = std::max<LONG>(box.bottom, y + 1);
                }
        return box;
    }
    int LitInRow(int y) const
    {
        int count = 0;
        for (int x = 0; x < width; ++x)
            count += Lit(x, y) ? 1 : 0;
        return count;
    }
    std::string Ascii() const
    {
        std::string out;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x)
                out += Lit(x, y) ? '#' : '.';
            out += '\n';
        }
        return out;
    }
};

inline DibImage ReadDib(HDC dc, HBITMAP bitmap, int width, int height)
{
    DibImage image;
    image.width = width;
    image.height = height;
    image.stride = (width * 3 + 3) & ~3;
    image.bytes.assign(static_cast<std::size_t>(image.stride) * height, 0);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    EXPECT_EQ(GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), image.bytes.data(), &info, DIB_RGB_COLORS),
              height);
    return image;
}

// A memory context with a selected bitmap (monochrome or 32-bit colour) and an optional font.
// Everything is restored and deleted on destruction.
class Canvas {
public:
    Canvas(int width, int height, bool monochrome, const LOGFONTA* font = nullptr)
        : width_(width), height_(height)
    {
        screen_ = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
        dc_ = CreateCompatibleDC(screen_);
        bitmap_ = CreateCompatibleBitmap(monochrome ? dc_ : screen_, width, height);
        EXPECT_NE(bitmap_, nullptr);
        oldBitmap_ = SelectObject(dc_, bitmap_);
        if (font != nullptr) {
            font_ = CreateFontIndirectA(font);
            EXPECT_NE(font_, nullptr);
            oldFont_ = SelectObject(dc_, font_);
        }
        SetTextColor(dc_, RGB(255, 255, 255));
        SetBkMode(dc_, TRANSPARENT);
    }
    ~Canvas()
    {
        SelectObject(dc_, oldBitmap_);
        if (font_ != nullptr) {
            SelectObject(dc_, oldFont_);
            EXPECT_TRUE(DeleteObject(font_));
        }
        EXPECT_TRUE(DeleteObject(bitmap_));
        EXPECT_TRUE(DeleteDC(dc_));
        EXPECT_TRUE(DeleteDC(screen_));
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC Dc() const { return dc_; }
    HBITMAP Bitmap() const { return bitmap_; }
    DibImage Read() const { return ReadDib(dc_, bitmap_, width_, height_); }

    // DrawTextExA into (left, top, right, bottom); returns the height it reports.
    int Draw(const char* text, RECT rect, UINT format) { return DrawTextExA(dc_, text, -1, &rect, format, nullptr); }
    // The DT_CALCRECT rectangle of the text laid out from (left, top) with the given width.
    RECT Measure(const char* text, UINT format, int width = 0)
    {
        RECT rect{0, 0, width, 0};
        DrawTextExA(dc_, text, -1, &rect, format | DT_CALCRECT, nullptr);
        return rect;
    }

private:
    int width_;
    int height_;
    HDC screen_ = nullptr;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr;
    HFONT font_ = nullptr;
    HGDIOBJ oldFont_ = nullptr;
};

} // namespace zv::gdi::test
