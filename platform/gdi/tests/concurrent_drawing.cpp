// Threads that share a font and the handle table while each draws into its own context.
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

} // namespace
} // namespace zv::gdi::test
