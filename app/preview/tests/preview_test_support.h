// Test support for the preview window: a parent that records what it is told, the main preview
// laid at the top left of the 640 x 480 headless screen, a message loop as the program's, and
// pictures whose pixels say where they come from.
#pragma once

#include "app/ProgramMessages.h"
#include "app/preview/DlgCapPreview.h"
#include "capture/FrameCallback.h"
#include "platform/user/input_events.h"
#include "platform/user/tests/window_system_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace preview_test {

using zv::user::MouseButton;

constexpr int kPreviewWidth = 320;
constexpr int kPreviewHeight = 240;

// Handles everything queued as the program's loop does: framework windows see keys first.
inline void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (AfxWalkPreTranslateTree(&msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Blue and green: x and y modulo 256; red: the high bits of x (low nibble) and y (high nibble).
inline void FillPattern(CPixImage& image, LONG width, LONG height)
{
    image.Create(static_cast<DWORD>(width), static_cast<DWORD>(height), 24, 0);
    for (LONG y = 0; y < height; ++y) {
        BYTE* pixel = image.GetRowPointer(static_cast<DWORD>(height - 1 - y)); // rows are bottom-up
        for (LONG x = 0; x < width; ++x, pixel += 3) {
            pixel[0] = static_cast<BYTE>(x & 0xFF);
            pixel[1] = static_cast<BYTE>(y & 0xFF);
            pixel[2] = static_cast<BYTE>((x >> 8) | ((y >> 8) << 4));
        }
    }
}

// The source point a pattern pixel came from.
inline POINT PatternPointAt(const CPixImage& image, LONG x, LONG y)
{
    const BYTE* pixel = image.GetRowPointer(static_cast<DWORD>(image.GetHeight() - 1 - y)) + 3 * x;
    return {pixel[0] | ((pixel[2] & 0x0F) << 8), pixel[1] | ((pixel[2] >> 4) << 8)};
}

inline void FillSolidImage(CPixImage& image, LONG width, LONG height, BYTE blue, BYTE green, BYTE red)
{
    image.Create(static_cast<DWORD>(width), static_cast<DWORD>(height), 24, 0);
    for (LONG y = 0; y < height; ++y)
        for (BYTE *pixel = image.GetRowPointer(static_cast<DWORD>(y)), *end = pixel + 3 * width; pixel < end; pixel += 3)
            pixel[0] = blue, pixel[1] = green, pixel[2] = red;
}

class PreviewTest : public zv::user::test::WindowSystemTest {
protected:
    void SetUp() override
    {
        WindowSystemTest::SetUp();
        m_parentWindow = m_parent.Create("main", WS_POPUP | WS_VISIBLE);
        ASSERT_NE(m_parentWindow, nullptr);
        SetWindowPos(m_parentWindow, nullptr, 500, 400, 100, 50, SWP_NOZORDER);
        m_preview = std::make_unique<CDlgCapPreview>(CWnd::FromHandle(m_parentWindow));
        ASSERT_NE(m_preview->GetSafeHwnd(), nullptr);
        g_pPreview = m_preview.get();
        m_preview->MoveWindow(0, 0, kPreviewWidth, kPreviewHeight);
        m_preview->ShowWindow(SW_SHOW);
        zv::user::DeliverMouseMove(100, 100); // the wheel turns what is under the pointer
        Pump();
    }
    void TearDown() override
    {
        if (zv::user::VirtualClock::Installed()) zv::user::VirtualClock::Uninstall();
        m_preview.reset();
        DestroyWindow(m_parentWindow);
        g_pConfigStore = nullptr;
        WindowSystemTest::TearDown();
    }

    // Input at a point of the preview's client area (the preview sits at the screen's origin).
    static void MoveTo(int x, int y) { zv::user::DeliverMouseMove(x, y), Pump(); }
    static void Button(MouseButton button, bool down) { zv::user::DeliverMouseButton(button, down), Pump(); }
    static void Click(MouseButton button, int x = 100, int y = 100)
    {
        MoveTo(x, y);
        Button(button, true);
        Button(button, false);
    }
    // One wheel message per notch (each is one zoom step however far it turns).
    static void Wheel(int notches)
    {
        for (int i = 0; i < std::abs(notches); ++i)
            zv::user::DeliverMouseWheel(notches > 0 ? WHEEL_DELTA : -WHEEL_DELTA), Pump();
    }
    static void Key(UINT key)
    {
        zv::user::DeliverKey(key, true);
        zv::user::DeliverKey(key, false);
        Pump();
    }
    // The wParam of every message of this kind the parent received since the last ForgetParentLog.
    std::vector<WPARAM> ParentGot(UINT message) const
    {
        std::vector<WPARAM> seen;
        const auto log = m_parent.Log();
        for (std::size_t i = m_logStart; i < log.size(); ++i)
            if (log[i].message == message) seen.push_back(log[i].wParam);
        return seen;
    }
    void ForgetParentLog() { m_logStart = m_parent.Log().size(); }

    zv::user::test::RecordingWindow m_parent;
    HWND m_parentWindow = nullptr;
    std::unique_ptr<CDlgCapPreview> m_preview;
    std::size_t m_logStart = 0;
};

} // namespace preview_test
