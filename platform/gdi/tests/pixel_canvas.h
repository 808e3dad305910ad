// Helpers for the blit, stretch and clipping tests: memory contexts over bitmaps filled from a
// function of the pixel position, read back pixel by pixel, and DIBs built in memory.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/gdi/gdi.h"

namespace zv::gdi::test {

using PixelFill = std::function<COLORREF(int x, int y)>;

inline constexpr COLORREF kWhite = RGB(255, 255, 255);
inline constexpr COLORREF kBlack = RGB(0, 0, 0);

// A memory context with its own bitmap: 32-bit colour or monochrome, every pixel set by fill.
class PixelCanvas {
public:
    PixelCanvas(int width, int height, bool monochrome, const PixelFill& fill) : width_(width), height_(height)
    {
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = monochrome ? MonochromeBitmap(fill) : ColourBitmap(fill);
        EXPECT_NE(bitmap_, nullptr);
        old_ = SelectObject(dc_, bitmap_);
        EXPECT_NE(old_, nullptr);
    }
    ~PixelCanvas()
    {
        SelectObject(dc_, old_);
        EXPECT_TRUE(DeleteObject(bitmap_));
        EXPECT_TRUE(DeleteDC(dc_));
    }
    PixelCanvas(const PixelCanvas&) = delete;
    PixelCanvas& operator=(const PixelCanvas&) = delete;

    HDC Dc() const { return dc_; }
    HBITMAP Bitmap() const { return bitmap_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

    // Every pixel, row by row from the top, read back through GetDIBits.
    std::vector<COLORREF> Pixels() const
    {
        const int stride = (width_ * 3 + 3) & ~3;
        std::vector<BYTE> bytes(static_cast<std::size_t>(stride) * height_);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width_;
        info.bmiHeader.biHeight = -height_; // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        EXPECT_EQ(GetDIBits(dc_, bitmap_, 0, static_cast<UINT>(height_), bytes.data(), &info, DIB_RGB_COLORS),
                  height_);
        std::vector<COLORREF> pixels;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) {
                const BYTE* p = &bytes[static_cast<std::size_t>(y) * stride + x * 3];
                pixels.push_back(RGB(p[2], p[1], p[0]));
            }
        return pixels;
    }
    COLORREF At(int x, int y) const { return Pixels()[static_cast<std::size_t>(y) * width_ + x]; }

    // Compares every pixel with expected(x, y); the first few differences are reported.
    ::testing::AssertionResult Matches(const PixelFill& expected) const
    {
        const std::vector<COLORREF> pixels = Pixels();
        std::string differences;
        int count = 0;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) {
                const COLORREF have = pixels[static_cast<std::size_t>(y) * width_ + x];
                const COLORREF want = expected(x, y);
                if (have != want && count++ < 5)
                    differences += " (" + std::to_string(x) + "," + std::to_string(y) + "): " + Hex(have) +
                                   " instead of " + Hex(want);
            }
        if (count == 0)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << count << " pixels differ:" << differences;
    }

private:
    static std::string Hex(COLORREF colour)
    {
        char text[16];
        std::snprintf(text, sizeof text, "%06X", colour);
        return text;
    }

    HBITMAP ColourBitmap(const PixelFill& fill) const
    {
        std::vector<BYTE> bits(static_cast<std::size_t>(width_) * height_ * 4);
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) {
                const COLORREF c = fill(x, y);
                BYTE* p = &bits[(static_cast<std::size_t>(y) * width_ + x) * 4];
                p[0] = GetBValue(c);
                p[1] = GetGValue(c);
                p[2] = GetRValue(c);
            }
        return CreateBitmap(width_, height_, 1, 32, bits.data());
    }

    HBITMAP MonochromeBitmap(const PixelFill& fill) const
    {
        const int stride = (width_ + 15) / 16 * 2;
        std::vector<BYTE> bits(static_cast<std::size_t>(stride) * height_);
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                if (fill(x, y) == kWhite)
                    bits[static_cast<std::size_t>(y) * stride + x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
        return CreateBitmap(width_, height_, 1, 1, bits.data());
    }

    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

// A DIB in memory: header, palette and rows, laid out as a BITMAPINFO followed by its bits.
class MemoryDib {
public:
    // A negative height gives a top-down DIB. Palette depths get the given entries.
    MemoryDib(int width, int height, int bitsPerPixel, std::vector<RGBQUAD> palette = {})
        : width_(width), height_(height < 0 ? -height : height), bitsPerPixel_(bitsPerPixel),
          topDown_(height < 0), stride_((width * bitsPerPixel + 31) / 32 * 4)
    {
        header_.resize(sizeof(BITMAPINFOHEADER) + palette.size() * sizeof(RGBQUAD));
        BITMAPINFOHEADER header{};
        header.biSize = sizeof(BITMAPINFOHEADER);
        header.biWidth = width;
        header.biHeight = height;
        header.biPlanes = 1;
        header.biBitCount = static_cast<WORD>(bitsPerPixel);
        header.biCompression = BI_RGB;
        header.biClrUsed = static_cast<DWORD>(palette.size());
        std::memcpy(header_.data(), &header, sizeof header);
        if (!palette.empty())
            std::memcpy(header_.data() + sizeof header, palette.data(), palette.size() * sizeof(RGBQUAD));
        bits_.resize(static_cast<std::size_t>(stride_) * height_);
    }

    const BITMAPINFO* Info() const { return reinterpret_cast<const BITMAPINFO*>(header_.data()); }
    const BYTE* Bits() const { return bits_.data(); }
    BYTE* Bits() { return bits_.data(); }
    int Stride() const { return stride_; }

    // Row y counted from the top of the picture.
    BYTE* Row(int y) { return &bits_[static_cast<std::size_t>(topDown_ ? y : height_ - 1 - y) * stride_]; }
    void SetIndex(int x, int y, BYTE index)
    {
        BYTE* row = Row(y);
        switch (bitsPerPixel_) {
        case 1:
            row[x / 8] = static_cast<BYTE>((row[x / 8] & ~(0x80 >> (x % 8))) | ((index & 1) << (7 - x % 8)));
            break;
        case 4:
            row[x / 2] = static_cast<BYTE>(x % 2 ? (row[x / 2] & 0xF0) | index : (row[x / 2] & 0x0F) | (index << 4));
            break;
        default:
            row[x] = index;
        }
    }
    void SetColour(int x, int y, COLORREF colour)
    {
        BYTE* p = Row(y) + x * 3;
        p[0] = GetBValue(colour);
        p[1] = GetGValue(colour);
        p[2] = GetRValue(colour);
    }

private:
    int width_;
    int height_;
    int bitsPerPixel_;
    bool topDown_;
    int stride_;
    std::vector<BYTE> header_;
    std::vector<BYTE> bits_;
};

inline RGBQUAD Quad(COLORREF colour) { return RGBQUAD{GetBValue(colour), GetGValue(colour), GetRValue(colour), 0}; }

} // namespace zv::gdi::test
