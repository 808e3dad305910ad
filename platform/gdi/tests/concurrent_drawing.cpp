// Threads that share drawing objects and the handle table while each draws into its own context.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdi/tests/gdi_test_support.h"

namespace zv::gdi::test {
namespace {

using ConcurrentDrawing = PinnedFontTest;

TEST_F(ConcurrentDrawing, SharedFontSeparateContexts)
{
    const LOGFONTA logFont = MakeLogFont(-18);
    HFONT shared = CreateFontIndirectA(&logFont);
    ASSERT_NE(shared, nullptr);
    constexpr int kThreads = 4;
    std::vector<int> lit(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 20; ++round) {
                HDC dc = CreateCompatibleDC(nullptr);
                HBITMAP bitmap = CreateCompatibleBitmap(dc, 120, 30);
                HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
                HGDIOBJ oldFont = SelectObject(dc, shared);
                SetTextColor(dc, RGB(255, 255, 255));
                SetBkMode(dc, TRANSPARENT);
                // Each round asks for new glyphs, so the shared glyph cache grows under contention.
                const char text[] = {static_cast<char>('A' + (round + t) % 26), 'x', 'y', '\0'};
                RECT rect{0, 0, 120, 30};
                DrawTextExA(dc, text, -1, &rect, DT_LEFT, nullptr);
                const DibImage image = ReadDib(dc, bitmap, 120, 30);
                lit[t] = image.LitCount();
                SelectObject(dc, oldFont);
                SelectObject(dc, oldBitmap);
                DeleteObject(bitmap);
                DeleteDC(dc);
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int count : lit)
        EXPECT_GT(count, 20);
    EXPECT_TRUE(DeleteObject(shared));
}

TEST(ConcurrentPainting, SharedBrushPenAndIconSeparateContexts)
{
    const COLORREF red = RGB(200, 10, 10);
    HBRUSH brush = CreateSolidBrush(red);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 255));
    // A 2 x 2 icon: opaque green on the left, transparent on the right.
    HBITMAP colour = CreateBitmap(2, 2, 1, 32, nullptr);
    const BYTE maskBits[] = {0x40, 0, 0x40, 0};
    HBITMAP mask = CreateBitmap(2, 2, 1, 1, maskBits);
    HDC setup = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(setup, colour);
    SetPixel(setup, 0, 0, RGB(0, 255, 0));
    SetPixel(setup, 0, 1, RGB(0, 255, 0));
    SelectObject(setup, old);
    DeleteDC(setup);
    const ICONINFO info{TRUE, 0, 0, mask, colour};
    HICON icon = CreateIconIndirect(&info);
    ASSERT_NE(icon, nullptr);

    constexpr int kThreads = 4;
    std::vector<int> good(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 30; ++round) {
                HDC dc = CreateCompatibleDC(nullptr);
                HBITMAP bitmap = CreateBitmap(8, 8, 1, 32, nullptr);
                HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
                HGDIOBJ oldPen = SelectObject(dc, pen);
                // Brushes made and deleted while the others paint.
                HBRUSH own = CreateSolidBrush(RGB(t, round, 1));
                const RECT whole{0, 0, 8, 8};
                FillRect(dc, &whole, own);
                FillRect(dc, &whole, brush);
                DeleteObject(own);
                MoveToEx(dc, 0, 7, nullptr);
                LineTo(dc, 8, 7);
                DrawIconEx(dc, 0, 0, icon, 0, 0, 0, GetSysColorBrush(COLOR_BTNFACE), DI_NORMAL);
                const bool right = GetPixel(dc, 0, 0) == RGB(0, 255, 0) &&
                                   GetPixel(dc, 1, 0) == GetSysColor(COLOR_BTNFACE) && GetPixel(dc, 4, 4) == red &&
                                   GetPixel(dc, 4, 7) == RGB(0, 0, 255);
                good[t] += right ? 1 : 0;
                SelectObject(dc, oldPen);
                SelectObject(dc, oldBitmap);
                DeleteObject(bitmap);
                DeleteDC(dc);
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int count : good)
        EXPECT_EQ(count, 30);
    EXPECT_TRUE(DestroyIcon(icon));
    DeleteObject(brush);
    DeleteObject(pen);
    DeleteObject(colour);
    DeleteObject(mask);
}

} // namespace
} // namespace zv::gdi::test
