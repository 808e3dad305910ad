// The virtual camera as the program and its clients meet it: the channel finds "Zelvante Capture"
// in the device list and writes frames through the device host, and a capture graph bound to the
// same device receives them.
#include "../test_camera.h"

#include "capture/VirtualCameraChannel.h"
#include "platform/ks/devhost/device_records.h"
#include "platform/win32/testing/temp_zv_root.h"
#include "platform/win32/files.h"

#include <gtest/gtest.h>

namespace {

using zv::capture::testing::FrameRecorder;
using zv::capture::testing::ListedDevice;
using zv::capture::testing::TestDevices;

bool WaitFor(const std::function<bool()>& done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

TEST(VirtualCameraCapture, CaptureGraphReceivesWhatTheChannelWrites)
{
    zv::win32::testing::TempZvRoot root;
    const auto path = zv::devhost::CreateVirtualCameraRecord(ZV_DRIVER_PATH);
    ASSERT_TRUE(path.has_value());
    const std::string instanceId = zv::devhost::FindDeviceByPath(*path)->instanceId;
    {
        TestDevices devices(nullptr); // the machine's devices only: the virtual camera
        g_hDriver = OpenVirtualCameraDevice();
        ASSERT_NE(INVALID_HANDLE_VALUE, g_hDriver.load());

        FrameRecorder recorder;
        CCaptureGraph graph;
        graph.m_VideoGrabber.m_pCallback = &FrameRecorder::Callback;
        graph.m_nReqWidth = 176;
        graph.m_nReqHeight = 144;
        const DeviceInfo device = ListedDevice(0);
        EXPECT_EQ(kVirtualCameraName, device.m_strFriendlyName);
        EXPECT_EQ(*path, device.m_strDevicePath);
        ASSERT_EQ(0, graph.SelectDevice(&device));
        ASSERT_EQ(0, graph.StartPreview());
        ASSERT_TRUE(WaitFor([&] { return ReadDriverFormatFlags() && g_bFormatInUse[1].load() == 1; }));

        std::vector<BYTE> frame(g_nFormatBytes[1]);
        for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<BYTE>(i * 13 + i / 1009);
        WriteFrameToDriver(static_cast<DWORD>(frame.size()), frame.data(), 1);
        // The device keeps the block whole, the header the channel stamped over it included.
        FrameWriteHeader{1, 0}.WriteTo(frame.data());
        EXPECT_TRUE(WaitFor([&] {
            const auto last = recorder.Last();
            return last && last->bytes == frame && last->size.width == 176 && last->size.height == 144;
        }));
        graph.StopGraph();
        CloseHandle(g_hDriver.exchange(INVALID_HANDLE_VALUE));
    }
    zv::devhost::RemoveDeviceRecord(instanceId);
}

} // namespace
