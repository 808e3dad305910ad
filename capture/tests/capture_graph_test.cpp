#include "fake_interfaces.h"
#include "test_camera.h"

#include "platform/dshow/testing/device_hooks.h"
#include "platform/user/window.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

namespace {

using zv::capture::testing::FakeMediaControl;
using zv::capture::testing::FrameRecorder;
using zv::capture::testing::ListedDevice;
using zv::capture::testing::ShownMessages;
using zv::capture::testing::TestDevices;

void ExpectNoGraph(const CCaptureGraph& graph)
{
    EXPECT_EQ(0, graph.m_nState);
    const void* interfaces[] = {graph.m_pVideoWindow,  graph.m_pMediaControl, graph.m_pMediaEventEx,
                                graph.m_pGraph,        graph.m_pBuilder,      graph.m_pStreamConfig,
                                graph.m_pProcAmp,      graph.m_pVideoControl, graph.m_pGrabber,
                                graph.m_pAudioGrabber, graph.m_pFileSource,   graph.m_pCapture,
                                graph.m_pMediaSeeking};
    for (const void* pointer : interfaces) EXPECT_EQ(nullptr, pointer);
}

TEST(CaptureGraph, StartsEmpty)
{
    CCaptureGraph graph;
    ExpectNoGraph(graph);
    EXPECT_EQ(0, graph.m_nWidth);
    EXPECT_EQ(0, graph.m_nHeight);
    EXPECT_EQ(640, graph.m_sizeMin.cx);
    EXPECT_EQ(480, graph.m_sizeMin.cy);
    EXPECT_EQ(160, graph.m_sizeMax.cx);
    EXPECT_EQ(120, graph.m_sizeMax.cy);
    EXPECT_EQ(320, graph.m_nReqWidth);
    EXPECT_EQ(240, graph.m_nReqHeight);
    EXPECT_EQ(30, graph.m_nFps);
    EXPECT_EQ(0u, graph.m_nNotifyMsg);
    EXPECT_EQ(0, graph.m_bPlayFile);
    EXPECT_EQ(0, graph.m_bShowVideoWindow);
    EXPECT_EQ(1, graph.m_bAudioGrabber);
    EXPECT_EQ(nullptr, graph.m_VideoGrabber.m_pCallback.load());
    EXPECT_EQ(nullptr, graph.m_AudioGrabber.m_pCallback.load());
    EXPECT_TRUE(graph.m_Device.m_strFriendlyName.empty());
}

TEST(CaptureGraph, OperationsWithoutGraph)
{
    CCaptureGraph graph;
    EXPECT_EQ(0, graph.Pause());
    EXPECT_EQ(0, graph.StopPreview());
    EXPECT_EQ(0, graph.SelectDevice(nullptr));
    EXPECT_EQ(1, graph.SetFrameRate());
    graph.m_nFps = 25;
    EXPECT_EQ(25, graph.GetFrameRate());
    EXPECT_EQ(1, graph.SetVideoProcAmp(VideoProcAmp_Brightness, 0.5));
    EXPECT_EQ(0.0, graph.GetVideoProcAmp(VideoProcAmp_Brightness));
    EXPECT_EQ(3, graph.ShowDevicePages());
    EXPECT_EQ(3, graph.ShowCrossbarPages());
    EXPECT_EQ(E_UNEXPECTED, graph.ScanStreamCaps());
    AM_MEDIA_TYPE mt{};
    EXPECT_EQ(E_POINTER, graph.SetStreamFormat(nullptr));
    EXPECT_EQ(E_UNEXPECTED, graph.SetStreamFormat(&mt));
    EXPECT_EQ(1, graph.ApplyRequestedSize());
    graph.StopGraph();
    ExpectNoGraph(graph);
}

TEST(CaptureGraph, DeliversBottomUpFramesOfTheRequestedSize)
{
    TestDevices devices("Test Camera:640x480@30,320x240@30,322x242@30");
    struct Case {
        int width;
        int height;
        int stride;
    } cases[] = {{640, 480, 1920}, {320, 240, 960}, {322, 242, 968}};
    for (const Case& c : cases) {
        FrameRecorder recorder;
        CCaptureGraph graph;
        graph.m_VideoGrabber.m_pCallback = &FrameRecorder::Callback;
        graph.m_nReqWidth = c.width;
        graph.m_nReqHeight = c.height;
        const DeviceInfo device = ListedDevice(0);
        ASSERT_EQ(0, graph.SelectDevice(&device));
        ASSERT_EQ(0, graph.StartPreview());
        EXPECT_EQ(2, graph.m_nState);
        ASSERT_TRUE(recorder.WaitForMoreThan(2));
        const auto frame = recorder.Last();
        ASSERT_TRUE(frame.has_value());
        EXPECT_EQ(c.width, frame->size.width);
        EXPECT_EQ(c.height, frame->size.height);
        ASSERT_EQ(static_cast<std::size_t>(c.stride * c.height), frame->bytes.size());
        // The pattern's colour bars (yellow among them) fill the top of the picture, which is the
        // last row in memory; the bottom row has no yellow.
        const auto hasYellow = [&](int memoryRow) {
            const BYTE* row = frame->bytes.data() + static_cast<std::size_t>(memoryRow) * c.stride;
            for (int x = 0; x < c.width; ++x) {
                const BYTE* p = row + 3 * x; // blue, green, red
                if (p[2] > 150 && p[1] > 150 && p[0] < 100) return true;
            }
            return false;
        };
        EXPECT_TRUE(hasYellow(c.height - 1));
        EXPECT_FALSE(hasYellow(0));
        // Row padding is zero.
        for (int row = 0; row < c.height; ++row) {
            for (int pad = c.width * 3; pad < c.stride; ++pad)
                ASSERT_EQ(0, frame->bytes[static_cast<std::size_t>(row * c.stride + pad)]);
        }
        graph.StopGraph();
        ExpectNoGraph(graph);
        EXPECT_EQ(c.width, graph.GetFrameSize().width); // StopGraph leaves the size alone
    }
    EXPECT_TRUE(ShownMessages().empty());
}

TEST(CaptureGraph, RequestedSizeIsStoredOnlyWhenTheDeviceTakesIt)
{
    TestDevices devices("Only VGA:640x480@30;Both:640x480@30,320x240@30");
    struct Case {
        int device;
        int expectedResult;
        FrameSize expectedSize;
    } cases[] = {{0, 1, {640, 480}}, {1, 0, {320, 240}}};
    for (const Case& c : cases) {
        CCaptureGraph graph;
        const DeviceInfo device = ListedDevice(c.device);
        graph.SelectDevice(&device);
        ASSERT_EQ(0, graph.StartPreview());
        ASSERT_EQ(S_OK, graph.m_pMediaControl->Stop());
        graph.m_nReqWidth = 640;
        graph.m_nReqHeight = 480;
        ASSERT_EQ(0, graph.ApplyRequestedSize()); // already that size: nothing to do
        graph.m_nReqWidth = 320;
        graph.m_nReqHeight = 240;
        EXPECT_EQ(c.expectedResult, graph.ApplyRequestedSize());
        EXPECT_EQ(c.expectedSize.width, graph.GetFrameSize().width);
        EXPECT_EQ(c.expectedSize.height, graph.GetFrameSize().height);
    }
}

std::atomic<bool> g_sawStaleSize{false};
std::atomic<int> g_sizeChecks{0};
std::int32_t RecordStaleSize(double, BYTE*, std::int32_t, FrameSize* size)
{
    if (size->width == 123) g_sawStaleSize = true;
    ++g_sizeChecks;
    return 0;
}

TEST(CaptureGraph, ANewGraphForgetsThePreviousFrameSize)
{
    TestDevices devices("Only VGA:640x480@30");
    CCaptureGraph graph;
    graph.m_VideoGrabber.m_pCallback = &RecordStaleSize;
    graph.m_VideoGrabber.SetFrameSize(123, 45);
    const DeviceInfo device = ListedDevice(0);
    graph.SelectDevice(&device);
    ASSERT_EQ(0, graph.StartPreview());
    EXPECT_EQ(640, graph.GetFrameSize().width);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (g_sizeChecks.load() < 3 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_GE(g_sizeChecks.load(), 3);
    graph.StopGraph();
    EXPECT_FALSE(g_sawStaleSize.load());
}

TEST(CaptureGraph, FrameRateIsAppliedToTheDevice)
{
    TestDevices devices("Test Camera:320x240@30");
    struct Case {
        int fps;
        int expectedFps;
        REFERENCE_TIME expectedInterval;
    } cases[] = {{0, 15, 666666}, {30, 30, 333333}, {10, 10, 1000000}, {60, 30, 333333}};
    for (const Case& c : cases) {
        CCaptureGraph graph;
        const DeviceInfo device = ListedDevice(0);
        graph.SelectDevice(&device);
        ASSERT_EQ(0, graph.StartPreview());
        graph.m_nFps = c.fps;
        // 60 per second is beyond the camera: refused, the rate stays.
        EXPECT_EQ(c.fps == 60 ? 1 : 0, graph.SetFrameRate());
        EXPECT_EQ(2, graph.m_nState);
        AM_MEDIA_TYPE* pmt = nullptr;
        ASSERT_EQ(S_OK, graph.m_pStreamConfig->GetFormat(&pmt));
        EXPECT_EQ(c.expectedInterval, reinterpret_cast<VIDEOINFOHEADER*>(pmt->pbFormat)->AvgTimePerFrame);
        CCaptureGraph::FreeMediaType(pmt);
        EXPECT_EQ(c.expectedFps, graph.GetFrameRate());
        if (c.fps != 60) {
            EXPECT_EQ(c.expectedFps, graph.m_nFps);
        }
    }
}

TEST(CaptureGraph, LargestSizeComesFromTheStreamCapabilities)
{
    TestDevices devices("Test Camera:320x240@30,800x600@30,160x120@30");
    CCaptureGraph graph;
    graph.m_nReqWidth = 0; // take the largest
    const DeviceInfo device = ListedDevice(0);
    graph.SelectDevice(&device);
    ASSERT_EQ(0, graph.StartPreview());
    EXPECT_EQ(800, graph.m_sizeMax.cx);
    EXPECT_EQ(600, graph.m_sizeMax.cy);
    EXPECT_EQ(160, graph.m_sizeMin.cx);
    EXPECT_EQ(120, graph.m_sizeMin.cy);
    EXPECT_EQ(800, graph.GetFrameSize().width);
    EXPECT_EQ(600, graph.GetFrameSize().height);
    // Again while running: the graph is stopped around the change and runs on.
    EXPECT_EQ(0, graph.SelectLargestSize());
    EXPECT_EQ(2, graph.m_nState);
    OAFilterState state = State_Stopped;
    EXPECT_EQ(S_OK, graph.m_pMediaControl->GetState(30000, &state));
    EXPECT_EQ(State_Running, state);
}

TEST(CaptureGraph, AShownVideoWindowPreviewsThroughTheDefaultRenderer)
{
    TestDevices devices("Test Camera:320x240@30");
    CCaptureGraph graph;
    graph.m_bShowVideoWindow = 1; // no renderer passed: the graph's video renderer takes the stream
    const DeviceInfo device = ListedDevice(0);
    graph.SelectDevice(&device);
    EXPECT_EQ(0, graph.StartPreview());
    EXPECT_TRUE(ShownMessages().empty());
    EXPECT_NE(nullptr, graph.m_pVideoWindow);
    EXPECT_EQ(0, graph.StopPreview());
    ExpectNoGraph(graph);
}

TEST(CaptureGraph, SwitchingDevicesRestartsARunningGraph)
{
    TestDevices devices("Big:640x480@30;Small:320x240@30");
    FrameRecorder recorder;
    CCaptureGraph graph;
    graph.m_VideoGrabber.m_pCallback = &FrameRecorder::Callback;
    const DeviceInfo big = ListedDevice(0);
    const DeviceInfo small = ListedDevice(1);
    ASSERT_EQ(0, graph.SelectDevice(&big));
    EXPECT_EQ(0, graph.m_nState); // not running before: nothing started
    ASSERT_EQ(0, graph.StartPreview());
    EXPECT_EQ(640, graph.GetFrameSize().width);
    ASSERT_EQ(0, graph.SelectDevice(&small));
    EXPECT_EQ(2, graph.m_nState);
    EXPECT_EQ("Small", graph.m_Device.m_strFriendlyName);
    EXPECT_EQ("zv-test-camera:1", graph.m_Device.m_strDevicePath);
    EXPECT_EQ(320, graph.GetFrameSize().width);
    const int before = recorder.Count();
    ASSERT_TRUE(recorder.WaitForMoreThan(before));
    EXPECT_EQ(320, recorder.Last()->size.width);
    // Paused: the new device is only remembered.
    ASSERT_EQ(0, graph.Pause());
    EXPECT_EQ(1, graph.m_nState);
    ASSERT_EQ(0, graph.SelectDevice(&big));
    ExpectNoGraph(graph);
    EXPECT_EQ("Big", graph.m_Device.m_strFriendlyName);
}

TEST(CaptureGraph, PauseAndResume)
{
    TestDevices devices("Test Camera:320x240@30");
    CCaptureGraph graph;
    const DeviceInfo device = ListedDevice(0);
    graph.SelectDevice(&device);
    ASSERT_EQ(0, graph.StartPreview());
    IGraphBuilder* built = graph.m_pGraph;
    ASSERT_EQ(0, graph.Pause());
    EXPECT_EQ(1, graph.m_nState);
    EXPECT_EQ(0, graph.Pause()); // not running: nothing to do
    ASSERT_EQ(0, graph.StartPreview());
    EXPECT_EQ(2, graph.m_nState);
    EXPECT_EQ(built, graph.m_pGraph); // the same graph runs on
    EXPECT_EQ(0, graph.StartPreview()); // running already
    EXPECT_EQ(0, graph.StopPreview());
    ExpectNoGraph(graph);
}

TEST(CaptureGraph, GraphEventsAreAnnouncedToTheNotifyWindow)
{
    zv::win32::testing::TempZvRoot root; // windows are listed in the machine's run folder
    TestDevices devices("Test Camera:320x240@30");
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &DefWindowProcA;
    windowClass.lpszClassName = "CaptureGraphNotifyTest";
    RegisterClassA(&windowClass);
    const HWND window = CreateWindowExA(0, "CaptureGraphNotifyTest", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                        nullptr);
    ASSERT_NE(nullptr, window);
    {
        CCaptureGraph graph;
        graph.m_hWndNotify = window;
        graph.m_nNotifyMsg = 0x806E;
        const DeviceInfo device = ListedDevice(0);
        graph.SelectDevice(&device);
        ASSERT_EQ(0, graph.StartPreview());
        ASSERT_TRUE(zv::dshow::testing::EndTestCameraStream("zv-test-camera:0"));
        LONG code = 0;
        LONG_PTR param1 = 0, param2 = 0;
        ASSERT_EQ(S_OK, graph.m_pMediaEventEx->GetEvent(&code, &param1, &param2, 10000));
        EXPECT_EQ(EC_COMPLETE, code);
        EXPECT_EQ(S_OK, graph.m_pMediaEventEx->FreeEventParams(code, param1, param2));
        MSG msg{};
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!PeekMessageA(&msg, window, 0, 0, PM_REMOVE) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        EXPECT_EQ(0x806Eu, msg.message);
        EXPECT_EQ(0u, msg.wParam);
        EXPECT_EQ(0, msg.lParam);
    }
    DestroyWindow(window);
    UnregisterClassA("CaptureGraphNotifyTest", nullptr);
}

// Scripted graphs: the transitions and failures a working device never shows.

struct RunCase {
    const char* name;
    HRESULT runResult;
    std::deque<HRESULT> stateResults;
    int expectedResult;
    int expectedState;
    std::vector<LONG> expectedTimeouts;
    const char* expectedMessage;
};

class StartPreviewTransition : public ::testing::TestWithParam<RunCase> {};

TEST_P(StartPreviewTransition, WaitsAndDecides)
{
    const RunCase& c = GetParam();
    zv::user::MessageBoxResponder::Reset();
    FakeMediaControl control;
    control.runResult = c.runResult;
    control.stateResults = c.stateResults;
    {
        CCaptureGraph graph;
        graph.m_nState = 1; // a paused graph, resumed
        graph.m_pMediaControl = &control;
        EXPECT_EQ(c.expectedResult, graph.StartPreview());
        EXPECT_EQ(c.expectedTimeouts, control.timeouts);
        EXPECT_EQ(c.expectedState, graph.m_nState);
        const auto shown = ShownMessages();
        ASSERT_FALSE(shown.empty());
        EXPECT_EQ(c.expectedMessage, shown[0]);
        graph.StopGraph();
    }
    EXPECT_EQ(0, control.refs);
}

const std::deque<HRESULT> kNeverSettles{VFW_S_STATE_INTERMEDIATE};

INSTANTIATE_TEST_SUITE_P(
    Cases, StartPreviewTransition,
    ::testing::Values(
        // Without a sample grabber the size cannot be read: that is said, and the start succeeds.
        RunCase{"Immediate", S_OK, {S_OK}, 0, 2, {}, "StartPreview: GetConnectedMediaType() failed with error \"NULL pointer argument\""},
        RunCase{"SettlesAtOnce", S_FALSE, {S_OK}, 0, 2, {5000}, "StartPreview: GetConnectedMediaType() failed with error \"NULL pointer argument\""},
        RunCase{"SettlesLater", S_FALSE, {VFW_S_STATE_INTERMEDIATE, VFW_S_STATE_INTERMEDIATE, S_OK}, 0, 2,
                {5000, 3000, 3000}, "StartPreview: GetConnectedMediaType() failed with error \"NULL pointer argument\""},
        RunCase{"NeverSettles", S_FALSE, kNeverSettles, 0, 2, {5000, 3000, 3000, 3000, 3000, 3000},
                "StartPreview: GetConnectedMediaType() failed with error \"NULL pointer argument\""},
        RunCase{"FailsAtOnce", S_FALSE, {E_FAIL}, 1, 0, {5000}, "Error starting preview: transition hasn't completed successfully."},
        RunCase{"FailsOnTheLastWait", S_FALSE,
                {VFW_S_STATE_INTERMEDIATE, VFW_S_STATE_INTERMEDIATE, VFW_S_STATE_INTERMEDIATE,
                 VFW_S_STATE_INTERMEDIATE, VFW_S_STATE_INTERMEDIATE, E_FAIL},
                1, 0, {5000, 3000, 3000, 3000, 3000, 3000}, "Error starting preview: transition hasn't completed successfully."},
        RunCase{"RunRefused", E_FAIL, {S_OK}, 1, 1, {}, "StartPreview: Run() failed with error code 0x80004005"}),
    [](const ::testing::TestParamInfo<RunCase>& info) { return std::string(info.param.name); });

TEST(CaptureGraph, SelectDeviceKeepsTheDeviceWhenTheGraphCannotStop)
{
    FakeMediaControl control;
    control.stopResult = E_FAIL;
    {
        CCaptureGraph graph;
        graph.m_Device = {"Old", "", "old-path"};
        graph.m_nState = 2;
        graph.m_pMediaControl = &control;
        const DeviceInfo other{"New", "", "new-path"};
        EXPECT_EQ(1, graph.SelectDevice(&other));
        EXPECT_EQ("Old", graph.m_Device.m_strFriendlyName);
        EXPECT_EQ("old-path", graph.m_Device.m_strDevicePath);
        EXPECT_EQ(2, graph.m_nState);
        EXPECT_EQ(&control, graph.m_pMediaControl);
        // StopPreview keeps the graph too when it cannot stop.
        EXPECT_EQ(1, graph.StopPreview());
        EXPECT_EQ(&control, graph.m_pMediaControl);
        control.stopResult = S_OK;
        EXPECT_EQ(0, graph.StopPreview());
        ExpectNoGraph(graph);
    }
    EXPECT_EQ(0, control.refs);
}

TEST(CaptureGraph, PauseResults)
{
    struct Case {
        HRESULT pauseResult;
        int expectedResult;
        int expectedState;
        std::vector<LONG> expectedTimeouts;
    } cases[] = {{S_OK, 0, 1, {}}, {S_FALSE, 0, 1, {5000}}, {E_FAIL, 1, 2, {}}};
    for (const Case& c : cases) {
        FakeMediaControl control;
        control.pauseResult = c.pauseResult;
        CCaptureGraph graph;
        graph.m_nState = 2;
        graph.m_pMediaControl = &control;
        EXPECT_EQ(c.expectedResult, graph.Pause());
        EXPECT_EQ(c.expectedState, graph.m_nState);
        EXPECT_EQ(c.expectedTimeouts, control.timeouts);
        graph.StopGraph();
    }
}

} // namespace

namespace {

TEST(CaptureGraph, OwnerWindowRectangleIsTakenForTheVideoWindow)
{
    zv::win32::testing::TempZvRoot root; // windows are listed in the machine's run folder
    TestDevices devices("Test Camera:320x240@30");
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &DefWindowProcA;
    windowClass.lpszClassName = "CaptureGraphOwnerTest";
    RegisterClassA(&windowClass);
    const HWND top = CreateWindowExA(0, "CaptureGraphOwnerTest", "", 0, 10, 20, 300, 200, nullptr, nullptr, nullptr, nullptr);
    const HWND child = CreateWindowExA(0, "CaptureGraphOwnerTest", "", WS_CHILD, 5, 6, 100, 50, top, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, child);
    {
        CCaptureGraph graph;
        graph.SetOwnerWindow(child); // no graph yet: only stored
        EXPECT_EQ(child, graph.m_hWndOwner);
        EXPECT_EQ(0, graph.m_rcOwner.right);
        const DeviceInfo device = ListedDevice(0);
        graph.SelectDevice(&device);
        ASSERT_EQ(0, graph.StartPreview());
        graph.SetOwnerWindow(child);
        EXPECT_EQ(15, graph.m_rcOwner.left);
        EXPECT_EQ(26, graph.m_rcOwner.top);
        EXPECT_EQ(115, graph.m_rcOwner.right);
        EXPECT_EQ(76, graph.m_rcOwner.bottom);
        // There is no windowed renderer in a device graph here.
        EXPECT_EQ(1, graph.ShowVideoWindow());
        EXPECT_EQ(1, graph.CreateVideoWindow());
        ASSERT_FALSE(ShownMessages().empty());
        EXPECT_EQ("CreateVideoWindow: put_Owner() failed with error code 0x80004002", ShownMessages().back());
    }
    DestroyWindow(top);
    UnregisterClassA("CaptureGraphOwnerTest", nullptr);
}

} // namespace
