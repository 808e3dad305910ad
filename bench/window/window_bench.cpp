// The headless display's composition, driven through its backend interface as the window system
// drives it: a 1024 x 768 screen, pictures presented and windows arranged.
#include "platform/user/headless_display.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

namespace headless = zv::user::headless;

HWND FakeHandle(int i) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x20000 + 2 * i)); }

zv::user::TopLevelPlacement Placed(int i, RECT rect)
{
    zv::user::TopLevelPlacement placement;
    placement.hwnd = FakeHandle(i);
    placement.rect = rect;
    placement.visible = true;
    return placement;
}

std::unique_ptr<zv::gdi::Surface> Picture(int width, int height, COLORREF colour)
{
    auto picture = zv::gdi::Surface::Create(width, height, zv::gdi::PixelFormat::Bgrx32, zv::gdi::RowOrder::TopDown, 4);
    picture->FillRect(picture->Bounds(), colour);
    return picture;
}

// Windows 1..count scattered in a grid of small windows, each presented once.
std::vector<zv::user::TopLevelPlacement> Scatter(int count, int width, int height)
{
    std::vector<zv::user::TopLevelPlacement> placements;
    for (int i = 1; i <= count; ++i) {
        const int x = (i * 97) % (1024 - width);
        const int y = (i * 61) % (768 - height);
        placements.push_back(Placed(i, RECT{x, y, x + width, y + height}));
    }
    return placements;
}

// The windows placed on a fresh screen, each with its picture presented once.
void ShowAll(const std::vector<zv::user::TopLevelPlacement>& placements)
{
    headless::SetScreenSize(1024, 768);
    headless::Backend().Arrange(placements);
    for (const auto& p : placements) {
        const auto picture = Picture(p.rect.right - p.rect.left, p.rect.bottom - p.rect.top, RGB(40, 90, 160));
        headless::Backend().Present(p.hwnd, *picture, picture->Bounds());
    }
}

void ForgetAll(const std::vector<zv::user::TopLevelPlacement>& placements)
{
    for (const auto& p : placements)
        headless::Backend().Forget(p.hwnd);
}

// A whole 640 x 480 window presented anew under 20 smaller windows.
void BM_PresentUnderTwentyWindows(benchmark::State& state)
{
    std::vector<zv::user::TopLevelPlacement> placements = Scatter(20, 120, 90);
    placements.push_back(Placed(0, RECT{100, 100, 740, 580}));
    ShowAll(placements);
    const auto picture = Picture(640, 480, RGB(200, 60, 30));
    for (auto _ : state)
        headless::Backend().Present(FakeHandle(0), *picture, picture->Bounds());
    ForgetAll(placements);
}
BENCHMARK(BM_PresentUnderTwentyWindows)->Unit(benchmark::kMicrosecond);

// 100 windows of 200 x 150, one of them moving a pixel each time.
void BM_ArrangeHundredWindowsOneMoves(benchmark::State& state)
{
    std::vector<zv::user::TopLevelPlacement> placements = Scatter(100, 200, 150);
    ShowAll(placements);
    int step = 0;
    for (auto _ : state) {
        RECT& moving = placements[50].rect;
        const int dx = (step++ % 2) ? -1 : 1;
        moving = RECT{moving.left + dx, moving.top, moving.right + dx, moving.bottom};
        headless::Backend().Arrange(placements);
    }
    ForgetAll(placements);
}
BENCHMARK(BM_ArrangeHundredWindowsOneMoves)->Unit(benchmark::kMicrosecond);

// 100 windows, the bottom one raised to the top each time.
void BM_ArrangeHundredWindowsRaiseOne(benchmark::State& state)
{
    std::vector<zv::user::TopLevelPlacement> placements = Scatter(100, 200, 150);
    ShowAll(placements);
    for (auto _ : state) {
        std::rotate(placements.rbegin(), placements.rbegin() + 1, placements.rend());
        headless::Backend().Arrange(placements);
    }
    ForgetAll(placements);
}
BENCHMARK(BM_ArrangeHundredWindowsRaiseOne)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
