// Test support for the frame road: its process-wide state reset around each test, a main window
// whose posted messages can be counted, device paths, and frames with a recognisable pattern.
#pragma once

#include "capture/Deinterlace.h"
#include "capture/FrameCallback.h"
#include "capture/VirtualCameraChannel.h"
#include "capture/ZoomSource.h"
#include "platform/user/window.h"
#include "platform/win32/files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zv::capture::testing {

inline std::string DevicePath(int instance)
{
    return "\\\\?\\root#image#000" + std::to_string(instance) + "#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
}

inline HANDLE OpenPath(const std::string& path)
{
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

// A frame of that size whose bytes follow a pattern, with every fill byte at 0xA5.
inline std::vector<BYTE> PatternFrame(const FrameSize& size, int seed = 0)
{
    const std::size_t stride = FrameStride(size.width);
    std::vector<BYTE> frame(FrameBytes(size), 0xA5);
    for (std::size_t row = 0; row < static_cast<std::size_t>(size.height); ++row)
        for (std::size_t x = 0; x < static_cast<std::size_t>(size.width) * 3; ++x)
            frame[row * stride + x] = static_cast<BYTE>(row * 7 + x * 13 + static_cast<std::size_t>(seed));
    return frame;
}

class FrameRoadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Reset();
        ASSERT_TRUE(CreateFormatImages());
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = &DefWindowProcA;
        windowClass.lpszClassName = "FrameRoadTestMain";
        RegisterClassA(&windowClass);
        m_window = CreateWindowExA(0, "FrameRoadTestMain", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, m_window);
        g_hWndMain = m_window;
    }
    void TearDown() override
    {
        if (g_hDriver.load() != INVALID_HANDLE_VALUE) CloseHandle(g_hDriver.load());
        Reset();
        DestroyWindow(m_window);
    }

    // Removes the posted messages of that number and counts them.
    int TakeMessages(UINT message)
    {
        int count = 0;
        MSG msg;
        while (PeekMessageA(&msg, m_window, message, message, PM_REMOVE)) ++count;
        return count;
    }

    HWND m_window = nullptr;

private:
    static void Reset()
    {
        g_hDriver = INVALID_HANDLE_VALUE;
        g_nSourceKind = 1;
        g_bDeinterlace = 0;
        g_bSnapshotRequest = 0;
        g_hFrameReadyEvent = nullptr;
        g_hWndMain = nullptr;
        g_pConfigStore = nullptr;
        g_pZoomSource = nullptr;
    }
};

} // namespace zv::capture::testing
