// Test support for the frame road: its process-wide state reset around each test, a main window
// whose posted messages are counted, the test virtual camera as the program's device, and frames
// with a recognisable pattern.
#pragma once

#include "test_virtual_camera_device.h"

#include "capture/Deinterlace.h"
#include "capture/FrameCallback.h"
#include "capture/VirtualCameraChannel.h"
#include "capture/ZoomSource.h"
#include "platform/user/window.h"
#include "platform/win32/files.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

namespace zv::capture::testing {

inline std::string DevicePath(int instance)
{
    return "\\\\?\\root#image#000" + std::to_string(instance) + "#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
}

// A frame of that size whose bytes follow a pattern, every fill byte 0xA5.
inline std::vector<BYTE> PatternFrame(const FrameSize& size)
{
    const std::size_t stride = FrameStride(size.width);
    std::vector<BYTE> frame(FrameBytes(size), 0xA5);
    for (std::size_t row = 0; row < static_cast<std::size_t>(size.height); ++row)
        for (std::size_t x = 0; x < static_cast<std::size_t>(size.width) * 3; ++x)
            frame[row * stride + x] = static_cast<BYTE>(row * 7 + x * 13);
    return frame;
}

class FrameRoadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CreateFormatImages());
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = &DefWindowProcA;
        windowClass.lpszClassName = "FrameRoadTestMain";
        RegisterClassA(&windowClass);
        g_hWndMain = m_window = CreateWindowExA(0, "FrameRoadTestMain", "", 0, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
    }
    void TearDown() override
    {
        CloseDevice();
        g_nSourceKind = 1;
        g_bDeinterlace = g_bSnapshotRequest = 0;
        g_hFrameReadyEvent = nullptr;
        g_hWndMain = nullptr;
        g_pConfigStore = nullptr;
        g_pZoomSource = nullptr;
        DestroyWindow(m_window);
    }

    // The test virtual camera at path 0 as the program's device, with clients of those sizes.
    TestVirtualCameraDevice& OpenDevice(std::initializer_list<FrameSize> clients = {})
    {
        CloseDevice();
        m_device = std::make_unique<TestVirtualCameraDevice>(DevicePath(0));
        for (const FrameSize& size : clients) {
            std::vector<BYTE> buffer(FrameBytes(size));
            m_device->Pull(size.width, size.height, buffer);
        }
        g_hDriver = CreateFileA(DevicePath(0).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(INVALID_HANDLE_VALUE, g_hDriver.load());
        return *m_device;
    }
    void CloseDevice()
    {
        if (g_hDriver.load() != INVALID_HANDLE_VALUE) CloseHandle(g_hDriver.exchange(INVALID_HANDLE_VALUE));
        m_device.reset();
    }

    // Removes the posted messages of that number and counts them.
    int TakeMessages(UINT message)
    {
        int count = 0;
        for (MSG msg; PeekMessageA(&msg, m_window, message, message, PM_REMOVE);) ++count;
        return count;
    }

    zv::win32::testing::TempZvRoot m_root; // the main window is listed in the machine's run folder
    HWND m_window = nullptr;
    std::unique_ptr<TestVirtualCameraDevice> m_device;
};

} // namespace zv::capture::testing
