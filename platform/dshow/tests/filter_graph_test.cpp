#include "layer_fixture.h"

#include "platform/dshow/filter.h"
#include "platform/win32/com.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

namespace {

using zv::dshow::ComRef;

class FilterGraphTest : public zv::dshow::testing::LayerTest {};

struct CountingCallback final : ISampleGrabberCB {
    HRESULT QueryInterface(REFIID, void** ppv) override
    {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT SampleCB(double, IMediaSample*) override { return E_NOTIMPL; }
    HRESULT BufferCB(double, BYTE*, LONG length) override
    {
        lastLength = length;
        ++buffers;
        return S_OK;
    }
    std::atomic<ULONG> refs{1};
    std::atomic<int> buffers{0};
    std::atomic<LONG> lastLength{0};
};

TEST_F(FilterGraphTest, AddFilterNamesAndRefusals)
{
    auto graph = Create<IGraphBuilder>(CLSID_FilterGraph, IID_IGraphBuilder);
    auto first = Create<IBaseFilter>(CLSID_NullRenderer, IID_IBaseFilter);
    auto second = Create<IBaseFilter>(CLSID_NullRenderer, IID_IBaseFilter);
    auto third = Create<IBaseFilter>(CLSID_NullRenderer, IID_IBaseFilter);
    EXPECT_EQ(S_OK, graph->AddFilter(first.get(), u"Null"));
    EXPECT_EQ(VFW_S_DUPLICATE_NAME, graph->AddFilter(second.get(), u"Null"));
    EXPECT_EQ(S_OK, graph->AddFilter(third.get(), nullptr));
    EXPECT_EQ(E_INVALIDARG, graph->AddFilter(first.get(), u"Again")); // already in a graph
    EXPECT_EQ(E_POINTER, graph->AddFilter(nullptr, u"None"));
    auto other = Create<IGraphBuilder>(CLSID_FilterGraph, IID_IGraphBuilder);
    EXPECT_EQ(E_INVALIDARG, other->AddFilter(first.get(), u"Null"));
}

TEST_F(FilterGraphTest, RenderStreamNeedsTheFiltersInTheGraphAndEndsInARenderer)
{
    auto graph = Create<IGraphBuilder>(CLSID_FilterGraph, IID_IGraphBuilder);
    auto builder = Create<ICaptureGraphBuilder2>(CLSID_CaptureGraphBuilder2, IID_ICaptureGraphBuilder2);
    auto camera = BindCamera(0);
    auto grabber = Create<IBaseFilter>(CLSID_SampleGrabber, IID_IBaseFilter);
    EXPECT_EQ(E_UNEXPECTED, builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, camera.get(), grabber.get(), nullptr));
    ASSERT_EQ(S_OK, builder->SetFiltergraph(graph.get()));
    EXPECT_EQ(E_UNEXPECTED, builder->SetFiltergraph(graph.get()));
    EXPECT_EQ(VFW_E_NOT_IN_GRAPH,
              builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, camera.get(), grabber.get(), nullptr));
    ASSERT_EQ(S_OK, graph->AddFilter(camera.get(), nullptr));
    ASSERT_EQ(S_OK, graph->AddFilter(grabber.get(), u"Grabber"));
    EXPECT_EQ(E_FAIL, builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, camera.get(), grabber.get(),
                                            nullptr)); // no preview pin
    // Without a renderer of the caller's the stream ends in the graph's video renderer.
    EXPECT_EQ(S_OK, builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, camera.get(), grabber.get(),
                                          nullptr));
    zv::dshow::Pin* grabberOut = zv::dshow::AsLayerFilter(grabber.get())->FindPin(PINDIR_OUTPUT, nullptr, nullptr, false);
    ASSERT_NE(nullptr, grabberOut->Peer());
    EXPECT_EQ(u"Video Renderer", grabberOut->Peer()->Owner().Name());
}

TEST_F(FilterGraphTest, StreamConfigOfTheCapturePin)
{
    auto chain = BuildChain(0);
    IAMStreamConfig* config = nullptr;
    ASSERT_EQ(S_OK, chain.builder->FindInterface(&PIN_CATEGORY_CAPTURE, nullptr, chain.camera.get(), IID_IAMStreamConfig,
                                                 reinterpret_cast<void**>(&config)));
    auto streamConfig = ComRef<IAMStreamConfig>::Adopt(config);
    int count = 0, size = 0;
    ASSERT_EQ(S_OK, config->GetNumberOfCapabilities(&count, &size));
    EXPECT_EQ(2, count);
    EXPECT_EQ(128, size);

    struct Expected {
        LONG width;
        LONG height;
        REFERENCE_TIME minInterval;
    } expected[] = {{640, 480, 333333}, {320, 240, 666666}};
    for (int i = 0; i < count; ++i) {
        AM_MEDIA_TYPE* pmt = nullptr;
        VIDEO_STREAM_CONFIG_CAPS caps{};
        ASSERT_EQ(S_OK, config->GetStreamCaps(i, &pmt, reinterpret_cast<BYTE*>(&caps)));
        EXPECT_EQ(MEDIATYPE_Video, pmt->majortype);
        EXPECT_EQ(MEDIASUBTYPE_RGB24, pmt->subtype);
        EXPECT_EQ(FORMAT_VideoInfo, pmt->formattype);
        ASSERT_EQ(sizeof(VIDEOINFOHEADER), pmt->cbFormat);
        const auto* info = reinterpret_cast<VIDEOINFOHEADER*>(pmt->pbFormat);
        EXPECT_EQ(expected[i].width, info->bmiHeader.biWidth);
        EXPECT_EQ(expected[i].height, info->bmiHeader.biHeight);
        EXPECT_EQ(24, info->bmiHeader.biBitCount);
        EXPECT_EQ(static_cast<DWORD>(expected[i].width * 3 * expected[i].height), info->bmiHeader.biSizeImage);
        EXPECT_EQ(expected[i].width, caps.MinCroppingSize.cx);
        EXPECT_EQ(expected[i].width, caps.MaxCroppingSize.cx);
        EXPECT_EQ(expected[i].height, caps.MaxCroppingSize.cy);
        EXPECT_EQ(expected[i].minInterval, caps.MinFrameInterval);
        EXPECT_EQ(10000000, caps.MaxFrameInterval);
        CoTaskMemFree(pmt->pbFormat);
        CoTaskMemFree(pmt);
    }
    AM_MEDIA_TYPE* pmt = reinterpret_cast<AM_MEDIA_TYPE*>(1);
    VIDEO_STREAM_CONFIG_CAPS caps{};
    EXPECT_EQ(S_FALSE, config->GetStreamCaps(2, &pmt, reinterpret_cast<BYTE*>(&caps)));
    EXPECT_EQ(nullptr, pmt);

    // The current format is the first capability until set; sizes and rates outside the
    // capabilities are refused.
    ASSERT_EQ(S_OK, config->GetFormat(&pmt));
    auto* info = reinterpret_cast<VIDEOINFOHEADER*>(pmt->pbFormat);
    EXPECT_EQ(640, info->bmiHeader.biWidth);
    EXPECT_EQ(333333, info->AvgTimePerFrame);
    struct Change {
        LONG width;
        LONG height;
        REFERENCE_TIME interval;
        WORD bits;
        HRESULT expected;
    } changes[] = {{320, 240, 0, 24, S_OK},           {320, 240, 333333, 24, VFW_E_INVALIDMEDIATYPE},
                   {400, 300, 0, 24, VFW_E_INVALIDMEDIATYPE}, {320, -240, 0, 24, VFW_E_INVALIDMEDIATYPE},
                   {640, 480, 0, 32, VFW_E_INVALIDMEDIATYPE}, {640, 480, 1000000, 24, S_OK}};
    for (const Change& c : changes) {
        info->bmiHeader.biWidth = c.width;
        info->bmiHeader.biHeight = c.height;
        info->bmiHeader.biBitCount = c.bits;
        info->AvgTimePerFrame = c.interval;
        EXPECT_EQ(c.expected, config->SetFormat(pmt)) << c.width << "x" << c.height << " @" << c.interval;
    }
    CoTaskMemFree(pmt->pbFormat);
    CoTaskMemFree(pmt);
    ASSERT_EQ(S_OK, config->GetFormat(&pmt));
    info = reinterpret_cast<VIDEOINFOHEADER*>(pmt->pbFormat);
    EXPECT_EQ(640, info->bmiHeader.biWidth);
    EXPECT_EQ(1000000, info->AvgTimePerFrame);

    // Not while the graph runs.
    auto control = Query<IMediaControl>(chain.graph.get(), IID_IMediaControl);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    EXPECT_EQ(VFW_E_NOT_STOPPED, config->SetFormat(pmt));
    EXPECT_EQ(S_OK, control->Stop());
    EXPECT_EQ(S_OK, config->SetFormat(pmt));
    CoTaskMemFree(pmt->pbFormat);
    CoTaskMemFree(pmt);
}

TEST_F(FilterGraphTest, ProcAmpOverTheCamerasColourBalance)
{
    auto chain = BuildChain(1);
    IAMVideoProcAmp* procAmp = nullptr;
    ASSERT_EQ(S_OK, chain.builder->FindInterface(&PIN_CATEGORY_CAPTURE, nullptr, chain.camera.get(), IID_IAMVideoProcAmp,
                                                 reinterpret_cast<void**>(&procAmp)));
    auto held = ComRef<IAMVideoProcAmp>::Adopt(procAmp);
    for (LONG property : {VideoProcAmp_Brightness, VideoProcAmp_Contrast, VideoProcAmp_Hue, VideoProcAmp_Saturation}) {
        LONG min = 0, max = 0, step = 0, def = 0, flags = 0;
        ASSERT_EQ(S_OK, procAmp->GetRange(property, &min, &max, &step, &def, &flags)) << property;
        EXPECT_EQ(-1000, min);
        EXPECT_EQ(1000, max);
        EXPECT_EQ(0, def);
        EXPECT_EQ(VideoProcAmp_Flags_Manual, flags);
        EXPECT_EQ(S_OK, procAmp->Set(property, 250, VideoProcAmp_Flags_Manual));
        LONG value = 0;
        EXPECT_EQ(S_OK, procAmp->Get(property, &value, &flags));
        EXPECT_EQ(250, value);
        EXPECT_EQ(E_INVALIDARG, procAmp->Set(property, 1001, VideoProcAmp_Flags_Manual));
        EXPECT_EQ(E_INVALIDARG, procAmp->Set(property, 0, VideoProcAmp_Flags_Auto));
    }
    LONG min = 0, max = 0, step = 0, def = 0, flags = 0, value = 0;
    EXPECT_EQ(E_PROP_ID_UNSUPPORTED, procAmp->GetRange(VideoProcAmp_Gain, &min, &max, &step, &def, &flags));
    EXPECT_EQ(E_PROP_ID_UNSUPPORTED, procAmp->Get(VideoProcAmp_Sharpness, &value, &flags));
    EXPECT_EQ(E_PROP_ID_UNSUPPORTED, procAmp->Set(42, 0, VideoProcAmp_Flags_Manual));
    void* none = nullptr;
    EXPECT_EQ(E_NOINTERFACE, chain.builder->FindInterface(&PIN_CATEGORY_CAPTURE, nullptr, chain.camera.get(),
                                                          IID_IAMVideoControl, &none));
    EXPECT_EQ(E_NOINTERFACE, chain.builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, chain.camera.get(),
                                                          IID_IAMCrossbar, &none));
    EXPECT_EQ(E_NOINTERFACE, procAmp->QueryInterface(IID_ISpecifyPropertyPages, &none));
}

TEST_F(FilterGraphTest, SampleGrabberInterface)
{
    auto grabberFilter = Create<IBaseFilter>(CLSID_SampleGrabber, IID_IBaseFilter);
    auto grabber = Query<ISampleGrabber>(grabberFilter.get(), IID_ISampleGrabber);
    AM_MEDIA_TYPE type{};
    type.majortype = MEDIATYPE_Audio;
    EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, grabber->SetMediaType(&type));
    type.majortype = MEDIATYPE_Video;
    type.subtype = MEDIASUBTYPE_RGB24;
    EXPECT_EQ(S_OK, grabber->SetMediaType(&type));
    EXPECT_EQ(E_POINTER, grabber->SetMediaType(nullptr));
    EXPECT_EQ(S_OK, grabber->SetBufferSamples(FALSE));
    EXPECT_EQ(E_NOTIMPL, grabber->SetBufferSamples(TRUE));
    CountingCallback callback;
    EXPECT_EQ(E_NOTIMPL, grabber->SetCallback(&callback, 0));
    EXPECT_EQ(E_INVALIDARG, grabber->SetCallback(&callback, 2));
    EXPECT_EQ(S_OK, grabber->SetCallback(&callback, 1));
    EXPECT_EQ(2u, callback.refs.load()); // the grabber holds the callback
    EXPECT_EQ(S_OK, grabber->SetCallback(nullptr, 1));
    EXPECT_EQ(1u, callback.refs.load());
    AM_MEDIA_TYPE connected{};
    EXPECT_EQ(VFW_E_NOT_CONNECTED, grabber->GetConnectedMediaType(&connected));
    EXPECT_EQ(E_POINTER, grabber->GetConnectedMediaType(nullptr));
}

TEST_F(FilterGraphTest, RunningChainDeliversFramesAndStopsThem)
{
    auto chain = BuildChain(1); // 160 x 120
    auto grabber = Query<ISampleGrabber>(chain.grabber.get(), IID_ISampleGrabber);
    CountingCallback callback;
    ASSERT_EQ(S_OK, grabber->SetCallback(&callback, 1));
    AM_MEDIA_TYPE connected{};
    ASSERT_EQ(S_OK, grabber->GetConnectedMediaType(&connected)); // known from the connection already
    EXPECT_EQ(160, reinterpret_cast<VIDEOINFOHEADER*>(connected.pbFormat)->bmiHeader.biWidth);
    EXPECT_EQ(1000000, reinterpret_cast<VIDEOINFOHEADER*>(connected.pbFormat)->AvgTimePerFrame);
    CoTaskMemFree(connected.pbFormat);

    auto control = Query<IMediaControl>(chain.graph.get(), IID_IMediaControl);
    OAFilterState state = State_Running;
    EXPECT_EQ(S_OK, control->GetState(0, &state));
    EXPECT_EQ(State_Stopped, state);
    const HRESULT run = control->Run();
    ASSERT_TRUE(run == S_OK || run == S_FALSE);
    EXPECT_EQ(S_OK, control->GetState(5000, &state));
    EXPECT_EQ(State_Running, state);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (callback.buffers.load() < 2 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_GE(callback.buffers.load(), 2);
    EXPECT_EQ(160 * 3 * 120, callback.lastLength.load());

    EXPECT_EQ(S_OK, control->Pause());
    EXPECT_EQ(VFW_S_CANT_CUE, control->GetState(5000, &state)); // a paused live source
    EXPECT_EQ(State_Paused, state);
    EXPECT_EQ(S_OK, control->Stop());
    const int atStop = callback.buffers.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(150)); // more than a frame interval at 10 per second
    EXPECT_EQ(atStop, callback.buffers.load());
    EXPECT_EQ(S_OK, grabber->SetCallback(nullptr, 1));
}

TEST_F(FilterGraphTest, EndOfStreamAndLostDeviceBecomeGraphEvents)
{
    auto chain = BuildChain(0);
    auto control = Query<IMediaControl>(chain.graph.get(), IID_IMediaControl);
    auto events = Query<IMediaEventEx>(chain.graph.get(), IID_IMediaEventEx);
    LONG code = 0;
    LONG_PTR param1 = 0, param2 = 0;
    EXPECT_EQ(E_ABORT, events->GetEvent(&code, &param1, &param2, 0));
    EXPECT_FALSE(zv::dshow::testing::UnplugTestCamera("zv-test-camera:7"));

    ASSERT_TRUE(SUCCEEDED(control->Run()));
    OAFilterState state = State_Stopped;
    ASSERT_EQ(S_OK, control->GetState(5000, &state));
    ASSERT_TRUE(zv::dshow::testing::UnplugTestCamera("zv-test-camera:0"));
    ASSERT_EQ(S_OK, events->GetEvent(&code, &param1, &param2, 10000));
    EXPECT_EQ(EC_DEVICE_LOST, code);
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(chain.camera.get()), param1);
    EXPECT_EQ(0, param2);
    EXPECT_EQ(S_OK, events->FreeEventParams(code, param1, param2));
    EXPECT_EQ(S_OK, control->Stop());

    ASSERT_TRUE(SUCCEEDED(control->Run()));
    ASSERT_EQ(S_OK, control->GetState(5000, &state));
    ASSERT_TRUE(zv::dshow::testing::EndTestCameraStream("zv-test-camera:0"));
    ASSERT_EQ(S_OK, events->GetEvent(&code, &param1, &param2, 10000));
    EXPECT_EQ(EC_COMPLETE, code);
    EXPECT_EQ(S_OK, param1);
    EXPECT_EQ(S_OK, control->Stop());
}

TEST_F(FilterGraphTest, NoVideoWindowWithoutAWindowedRenderer)
{
    auto chain = BuildChain(1);
    auto window = Query<IVideoWindow>(chain.graph.get(), IID_IVideoWindow);
    EXPECT_EQ(E_NOINTERFACE, window->put_Visible(TRUE));
    EXPECT_EQ(E_NOINTERFACE, window->put_Owner(0));
    EXPECT_EQ(E_NOINTERFACE, window->SetWindowPosition(0, 0, 10, 10));
    auto mediaFilter = Query<IMediaFilter>(chain.graph.get(), IID_IMediaFilter);
    EXPECT_EQ(S_OK, mediaFilter->SetSyncSource(nullptr));
    EXPECT_EQ(E_NOTIMPL, mediaFilter->SetSyncSource(reinterpret_cast<IReferenceClock*>(1)));
    // Both event interfaces are the same object.
    void* event = nullptr;
    void* eventEx = nullptr;
    ASSERT_EQ(S_OK, chain.graph->QueryInterface(IID_IMediaEvent, &event));
    ASSERT_EQ(S_OK, chain.graph->QueryInterface(IID_IMediaEventEx, &eventEx));
    EXPECT_EQ(event, eventEx);
    static_cast<IUnknown*>(event)->Release();
    static_cast<IUnknown*>(eventEx)->Release();
}

} // namespace
