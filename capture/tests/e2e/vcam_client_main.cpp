// A client application of the virtual camera, as a helper process of the end-to-end tests: captures
// "Zelvante Capture" through the capture graph at the size given on the command line. Commands on
// standard input, one answer line each:
//   frames        the number of frames received: "frames N"
//   dump <file>   waits for the next frame and writes it to the file: "dumped W H" (or "error ...")
//   lost          whether the graph reported the device lost: "lost 0|1"
//   quit          stops the graph and ends
#include "../test_camera.h"
#include "command_loop.h"
#include "frame_file.h"

#include "capture/VirtualCameraChannel.h"

#include <iostream>
#include <sstream>

using namespace zv::capture::testing;

int main(int argc, char** argv)
{
    if (argc != 3) {
        Answer("error usage: width height");
        return 2;
    }
    TestDevices devices(nullptr);
    const std::optional<DeviceInfo> camera = FindListedDevice(kVirtualCameraName);
    if (!camera) {
        Answer("error no device");
        return 1;
    }
    FrameRecorder recorder;
    CCaptureGraph graph;
    graph.m_nReqWidth = std::atoi(argv[1]);
    graph.m_nReqHeight = std::atoi(argv[2]);
    graph.m_VideoGrabber.m_pCallback = &FrameRecorder::Callback;
    if (graph.SelectDevice(&*camera) != 0 || graph.StartPreview() != 0) {
        Answer("error graph");
        return 1;
    }
    Answer("ready");

    ForEachCommand([&](const std::string& command, std::istringstream& words) {
        if (command == "frames") {
            Answer("frames " + std::to_string(recorder.Count()));
        } else if (command == "dump") {
            std::string path;
            words >> path;
            const int seen = recorder.Count();
            const std::optional<Frame> frame = recorder.WaitForMoreThan(seen) ? recorder.Last() : std::nullopt;
            if (!frame)
                Answer("error no frame");
            else if (WriteFrameFile(path, frame->size, frame->bytes.data(), frame->bytes.size()))
                Answer("dumped " + std::to_string(frame->size.width) + " " + std::to_string(frame->size.height));
            else
                Answer("error dump");
        } else if (command == "lost") {
            LONG code = 0;
            LONG_PTR first = 0, second = 0;
            bool lost = false;
            while (graph.m_pMediaEventEx != nullptr && graph.m_pMediaEventEx->GetEvent(&code, &first, &second, 0) == S_OK) {
                lost = lost || code == EC_DEVICE_LOST;
                graph.m_pMediaEventEx->FreeEventParams(code, first, second);
            }
            Answer(lost ? "lost 1" : "lost 0");
        } else if (command == "quit") {
            return false;
        }
        return true;
    });
    graph.StopGraph();
    return 0;
}
