// The main program's side of the virtual camera, as a helper process of the end-to-end tests: a test
// camera through the capture graph into the frame callback, which writes to the virtual camera through
// the real channel. Commands on standard input, one answer line each:
//   frames        the number of frames the callback has processed
//   flags         reads the in-use flags from the device: "flags b0 ... b9", or "flags none"
//   stop          stops the capture graph (no more writes)
//   dump <file>   writes the last processed frame to the file: "dumped W H"
//   reopen        closes the device and opens it again: "reopened" or "error reopen"
//   quit          closes the device and ends
#include "../frame_road_fixture.h"
#include "../test_camera.h"
#include "command_loop.h"
#include "frame_file.h"

#include <iostream>
#include <sstream>

using namespace zv::capture::testing;

namespace {

std::atomic<int> g_frames{0};

std::int32_t CountingCallback(double sampleTime, BYTE* bits, std::int32_t length, FrameSize* size)
{
    const std::int32_t result = OnVideoFrame(sampleTime, bits, length, size);
    ++g_frames;
    return result;
}

} // namespace

int main()
{
    TestDevices cameras("Test Camera:320x240@30");
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &DefWindowProcA;
    windowClass.lpszClassName = "VirtualCameraWriter";
    RegisterClassA(&windowClass);
    g_hWndMain = CreateWindowExA(0, "VirtualCameraWriter", "", 0, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
    if (!CreateFormatImages()) {
        Answer("error images");
        return 1;
    }
    g_hDriver = OpenVirtualCameraDevice();
    const std::optional<DeviceInfo> camera = FindListedDevice("Test Camera");
    if (g_hDriver.load() == INVALID_HANDLE_VALUE || !camera) {
        Answer("error no device");
        return 1;
    }
    CCaptureGraph graph;
    graph.m_VideoGrabber.m_pCallback = &CountingCallback;
    if (graph.SelectDevice(&*camera) != 0 || graph.StartPreview() != 0) {
        Answer("error graph");
        return 1;
    }
    Answer("ready");

    ForEachCommand([&](const std::string& command, std::istringstream& words) {
        if (command == "frames") {
            Answer("frames " + std::to_string(g_frames.load()));
        } else if (command == "flags") {
            std::string answer = ReadDriverFormatFlags() ? "flags" : "flags none";
            for (const auto& flag : g_bFormatInUse) {
                answer += ' ';
                answer += std::to_string(flag.load());
            }
            Answer(answer);
        } else if (command == "stop") {
            graph.StopGraph();
            Answer("stopped");
        } else if (command == "dump") {
            std::string path;
            words >> path;
            std::lock_guard lock(g_PreviewFrameLock);
            const FrameSize size = g_PreviewFrameSize;
            const bool written = WriteFrameFile(path, size, g_PreviewFrame, FrameBytes(size));
            Answer(written ? "dumped " + std::to_string(size.width) + " " + std::to_string(size.height) : "error dump");
        } else if (command == "reopen") {
            CloseHandle(g_hDriver.exchange(INVALID_HANDLE_VALUE));
            g_hDriver = OpenVirtualCameraDevice();
            Answer(g_hDriver.load() != INVALID_HANDLE_VALUE ? "reopened" : "error reopen");
        } else if (command == "quit") {
            return false;
        }
        // Messages the frame callback posted to the main window are not needed here.
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
        return true;
    });
    graph.StopGraph();
    if (g_hDriver.load() != INVALID_HANDLE_VALUE) CloseHandle(g_hDriver.exchange(INVALID_HANDLE_VALUE));
    DestroyWindow(g_hWndMain.exchange(nullptr));
    return 0;
}
