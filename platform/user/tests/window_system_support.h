// Test support for the window system: windows at given places, solid painting without brushes,
// and a fresh emulated machine with a known screen for each test.
#pragma once

#include "platform/gdi/gdi.h"
#include "platform/user/headless_display.h"
#include "platform/user/input.h"
#include "platform/user/paint.h"
#include "platform/user/tests/recording_window.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace zv::user::test {

// Every window system test starts on a 640 x 480 screen with nothing active.
class WindowSystemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root = std::make_unique<win32::testing::TempZvRoot>();
        ASSERT_TRUE(headless::SetScreenSize(640, 480));
    }
    void TearDown() override
    {
        ReleaseCapture();
        m_root.reset();
    }

private:
    std::unique_ptr<win32::testing::TempZvRoot> m_root;
};

// A window of the recording class at a place, the recorder as its creation parameter.
inline HWND CreateAt(RecordingWindow& window, DWORD style, int x, int y, int width, int height,
                     HWND parent = nullptr, int id = 0, DWORD exStyle = 0)
{
    return CreateWindowExA(exStyle, RecordingWindow::ClassName(), "", style, x, y, width, height, parent,
                           reinterpret_cast<HMENU>(static_cast<std::intptr_t>(id)), nullptr, &window);
}

// Paints a rectangle in one colour through a 1 x 1 DIB stretched over it.
inline void FillSolid(HDC hdc, const RECT& rect, COLORREF colour)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 1;
    info.bmiHeader.biHeight = 1;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    const BYTE pixel[4] = {GetBValue(colour), GetGValue(colour), GetRValue(colour), 0};
    StretchDIBits(hdc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, 0, 0, 1, 1, pixel, &info,
                  DIB_RGB_COLORS, SRCCOPY);
}

// An answer that paints the whole client area in one colour on WM_PAINT.
inline auto PaintsIn(COLORREF colour)
{
    return [colour](HWND hwnd, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message != WM_PAINT)
            return std::nullopt;
        PAINTSTRUCT paint;
        HDC hdc = BeginPaint(hwnd, &paint);
        RECT client;
        GetClientRect(hwnd, &client);
        FillSolid(hdc, client, colour);
        EndPaint(hwnd, &paint);
        return 0;
    };
}

// Takes everything queued and handles it as a message loop does, key translation included.
inline void DispatchQueued()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// The messages of a kind the window received, with their wParam.
inline std::vector<std::pair<UINT, WPARAM>> Received(const RecordingWindow& window, std::initializer_list<UINT> kinds)
{
    std::vector<std::pair<UINT, WPARAM>> seen;
    for (const auto& r : window.Log()) {
        if (std::find(kinds.begin(), kinds.end(), r.message) != kinds.end())
            seen.emplace_back(r.message, r.wParam);
    }
    return seen;
}

} // namespace zv::user::test
