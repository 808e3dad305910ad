// Test support: test cameras named through the environment, COM for the test's thread, and a
// frame callback that records what arrives.
#pragma once

#include "capture/CaptureGraph.h"
#include "platform/dshow/testing/device_hooks.h"
#include "platform/user/message_box.h"
#include "platform/win32/com.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace zv::capture::testing {

// Lists exactly the given test devices (no device of the machine) while it lives.
class TestDevices {
public:
    explicit TestDevices(const char* cameras, const char* microphones = nullptr)
    {
        Set("ZV_TEST_CAMERA", cameras);
        Set("ZV_TEST_MICROPHONE", microphones);
        zv::dshow::testing::HideSystemDevices(true);
        CoInitialize(nullptr);
        zv::user::MessageBoxResponder::Reset();
    }
    ~TestDevices()
    {
        CoUninitialize();
        unsetenv("ZV_TEST_CAMERA");
        unsetenv("ZV_TEST_MICROPHONE");
        zv::dshow::testing::HideSystemDevices(false);
    }
    TestDevices(const TestDevices&) = delete;
    TestDevices& operator=(const TestDevices&) = delete;

private:
    static void Set(const char* name, const char* value)
    {
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
};

// Texts of the message boxes shown since the last reset.
inline std::vector<std::string> ShownMessages()
{
    std::vector<std::string> texts;
    for (const auto& record : zv::user::MessageBoxResponder::History()) texts.push_back(record.text);
    return texts;
}

// The device the enumerator lists at `index`.
inline DeviceInfo ListedDevice(int index)
{
    int count = 0;
    CCaptureGraph::EnumVideoDevices(nullptr, &count);
    std::vector<DeviceInfo> devices(static_cast<std::size_t>(count));
    CCaptureGraph::EnumVideoDevices(devices.data(), &count);
    return devices.at(static_cast<std::size_t>(index));
}

// The first listed video device of that friendly name.
inline std::optional<DeviceInfo> FindListedDevice(const std::string& name)
{
    int count = 0;
    CCaptureGraph::EnumVideoDevices(nullptr, &count);
    std::vector<DeviceInfo> devices(static_cast<std::size_t>(count));
    CCaptureGraph::EnumVideoDevices(devices.data(), &count);
    for (const DeviceInfo& device : devices)
        if (device.m_strFriendlyName == name) return device;
    return std::nullopt;
}

// What the frame callback saw. One recorder at a time: the callback is a plain function.
struct Frame {
    std::vector<BYTE> bytes;
    FrameSize size;
};

class FrameRecorder {
public:
    FrameRecorder() { Current() = this; }
    ~FrameRecorder() { Current() = nullptr; }

    static std::int32_t Callback(double, BYTE* bits, std::int32_t length, FrameSize* size)
    {
        FrameRecorder* recorder = Current().load();
        if (recorder == nullptr) return 0;
        std::lock_guard lock(recorder->m_mutex);
        ++recorder->m_count;
        recorder->m_last = Frame{std::vector<BYTE>(bits, bits + length), *size};
        if (recorder->m_onFrame) recorder->m_onFrame();
        return 0;
    }

    int Count()
    {
        std::lock_guard lock(m_mutex);
        return m_count;
    }
    std::optional<Frame> Last()
    {
        std::lock_guard lock(m_mutex);
        return m_last;
    }
    // Runs inside the callback for every frame from now on.
    void OnFrame(std::function<void()> action)
    {
        std::lock_guard lock(m_mutex);
        m_onFrame = std::move(action);
    }

    // Waits (up to a generous limit, so a broken pipeline fails instead of hanging) until more
    // than `count` frames have arrived.
    bool WaitForMoreThan(int count)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (Count() <= count) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

private:
    static std::atomic<FrameRecorder*>& Current()
    {
        static std::atomic<FrameRecorder*> current{nullptr};
        return current;
    }

    std::mutex m_mutex;
    int m_count = 0;
    std::optional<Frame> m_last;
    std::function<void()> m_onFrame;
};

} // namespace zv::capture::testing
