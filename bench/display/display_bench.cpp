// One 320 x 240 window on the gtk display; each round paints a block of the next colour through
// GetDC/ReleaseDC (the present) and polls the X screen until the block shows there. Reports the
// median and 99th percentile of those latencies over the run, and the rounds per second.
#include "platform/gdi/gdi.h"
#include "platform/gdi/gdi_brushes.h"
#include "platform/user/display.h"
#include "platform/user/window.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include <X11/Xlib.h> // last: its macros would spoil our headers
#include <X11/Xutil.h>

namespace {

constexpr RECT kPlace{100, 100, 420, 340};

HWND MakeWindow()
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = &DefWindowProcA;
    wc.lpszClassName = "ZvDisplayBench";
    RegisterClassA(&wc);
    const HWND hwnd = CreateWindowExA(0, "ZvDisplayBench", "Display bench", WS_POPUP, kPlace.left, kPlace.top,
                                      kPlace.right - kPlace.left, kPlace.bottom - kPlace.top, nullptr, nullptr,
                                      nullptr, nullptr);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    return hwnd;
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

// The colour the X screen shows at the point, as COLORREF.
COLORREF ScreenAt(::Display* x, int px, int py)
{
    XImage* image = XGetImage(x, DefaultRootWindow(x), px, py, 1, 1, AllPlanes, ZPixmap);
    if (!image)
        return CLR_INVALID;
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

// Paints the block and waits until the screen shows it; false after two seconds without.
bool PresentAndSee(HWND hwnd, ::Display* x, COLORREF colour)
{
    HDC hdc = GetDC(hwnd);
    HBRUSH brush = CreateSolidBrush(colour);
    const RECT block{40, 40, 280, 200};
    FillRect(hdc, &block, brush);
    DeleteObject(brush);
    ReleaseDC(hwnd, hdc);
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (ScreenAt(x, kPlace.left + 160, kPlace.top + 120) != colour) {
        if (std::chrono::steady_clock::now() > give_up)
            return false;
        Pump();
    }
    return true;
}

void PresentLatency(benchmark::State& state)
{
    setenv("ZV_DISPLAY", "gtk", 1);
    ::Display* x = XOpenDisplay(nullptr);
    if (!x || std::string(zv::user::Display().Name()) != "gtk") {
        state.SkipWithError("needs an X display (run under xvfb-run)");
        return;
    }
    const HWND hwnd = MakeWindow();
    PresentAndSee(hwnd, x, RGB(0, 0, 0)); // mapped and drawn once
    std::vector<double> latencies;
    unsigned round = 0;
    for (auto _ : state) {
        ++round;
        const COLORREF colour = RGB(round & 0xFF, (round >> 8) & 0xFF, 0x80);
        const auto start = std::chrono::steady_clock::now();
        if (!PresentAndSee(hwnd, x, colour)) {
            state.SkipWithError("the present never reached the screen");
            break;
        }
        const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
        latencies.push_back(took.count());
        state.SetIterationTime(took.count() / 1e6);
    }
    if (!latencies.empty()) {
        std::sort(latencies.begin(), latencies.end());
        state.counters["median_us"] = latencies[latencies.size() / 2];
        state.counters["p99_us"] = latencies[std::min(latencies.size() - 1, latencies.size() * 99 / 100)];
    }
    DestroyWindow(hwnd);
    Pump();
    XCloseDisplay(x);
}
BENCHMARK(PresentLatency)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(2000);

// What the desktop source does every 40 ms: the whole X screen through the screen context into a
// bitmap, then into 24-bit rows.
void ScreenGrab(benchmark::State& state)
{
    setenv("ZV_DISPLAY", "gtk", 1);
    const SIZE size = zv::user::Display().ScreenSize();
    HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, size.cx, size.cy);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = size.cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    std::vector<BYTE> bits(((static_cast<std::size_t>(size.cx) * 24 + 31) / 32) * 4 * static_cast<std::size_t>(size.cy));
    for (auto _ : state) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        if (!BitBlt(memory, 0, 0, size.cx, size.cy, screen, 0, 0, SRCCOPY))
            state.SkipWithError("the screen cannot be read");
        SelectObject(memory, previous);
        benchmark::DoNotOptimize(GetDIBits(memory, bitmap, 0, static_cast<UINT>(size.cy), bits.data(), &info, DIB_RGB_COLORS));
    }
    state.counters["width"] = size.cx;
    state.counters["height"] = size.cy;
    DeleteObject(bitmap);
    DeleteDC(memory);
    DeleteDC(screen);
}
BENCHMARK(ScreenGrab)->Unit(benchmark::kMillisecond)->Iterations(100);

} // namespace

BENCHMARK_MAIN();
