// The virtual camera through its device host: the built driver in a host process, a device
// record in a temporary ZV_ROOT, and the capture filter bound from the device list.
#include "../layer_fixture.h"

#include "platform/dshow/media_types.h"
#include "platform/ks/devhost/device_records.h"
#include "platform/ks/devhost/host_connection.h"
#include "platform/win32/files.h"
#include "platform/win32/handle_table.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <chrono>
#include <csignal>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using zv::dshow::ComRef;

constexpr int kVirtualCameraIndex = 2; // after the fixture's two test cameras

struct LastFrame final : ISampleGrabberCB {
    HRESULT QueryInterface(REFIID, void** ppv) override { return *ppv = nullptr, E_NOINTERFACE; }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT SampleCB(double, IMediaSample*) override { return E_NOTIMPL; }
    HRESULT BufferCB(double, BYTE* data, LONG length) override
    {
        std::lock_guard lock(mutex);
        bytes.assign(data, data + length);
        ++count;
        return S_OK;
    }
    std::pair<int, std::vector<BYTE>> Get()
    {
        std::lock_guard lock(mutex);
        return {count, bytes};
    }
    std::mutex mutex;
    std::vector<BYTE> bytes;
    int count = 0;
};

bool WaitFor(const std::function<bool()>& done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

class VirtualCameraTest : public zv::dshow::testing::LayerTest {
protected:
    void SetUp() override
    {
        LayerTest::SetUp();
        const auto path = zv::devhost::CreateVirtualCameraRecord(ZV_DRIVER_PATH);
        ASSERT_TRUE(path.has_value());
        devicePath = *path;
        instanceId = zv::devhost::FindDeviceByPath(devicePath)->instanceId;
    }
    void TearDown() override
    {
        zv::devhost::RemoveDeviceRecord(instanceId); // stops the host too
        LayerTest::TearDown();
    }

    ComRef<IAMStreamConfig> StreamConfig(IBaseFilter* camera)
    {
        auto builder = Create<ICaptureGraphBuilder2>(CLSID_CaptureGraphBuilder2, IID_ICaptureGraphBuilder2);
        IAMStreamConfig* config = nullptr;
        EXPECT_EQ(S_OK, builder->FindInterface(&PIN_CATEGORY_CAPTURE, nullptr, camera, IID_IAMStreamConfig,
                                               reinterpret_cast<void**>(&config)));
        return ComRef<IAMStreamConfig>::Adopt(config);
    }

    static HRESULT SetSize(IAMStreamConfig* config, LONG width, LONG height, REFERENCE_TIME interval = 333333,
                           WORD bitCount = 24)
    {
        AM_MEDIA_TYPE* type = zv::dshow::CreateRgb24MediaType({width, height, interval});
        reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat)->bmiHeader.biBitCount = bitCount;
        const HRESULT hr = config->SetFormat(type);
        zv::dshow::DeleteMediaType(type);
        return hr;
    }
    static VIDEOINFOHEADER CurrentFormat(IAMStreamConfig* config)
    {
        AM_MEDIA_TYPE* type = nullptr;
        EXPECT_EQ(S_OK, config->GetFormat(&type));
        VIDEOINFOHEADER info;
        std::memcpy(&info, type->pbFormat, sizeof info);
        zv::dshow::DeleteMediaType(type);
        return info;
    }

    zv::win32::testing::TempZvRoot root;
    std::string devicePath;
    std::string instanceId;
};

TEST_F(VirtualCameraTest, ListedAfterTheTestDevicesWithNameDescriptionAndPath)
{
    auto devEnum = Create<ICreateDevEnum>(CLSID_SystemDeviceEnum, IID_ICreateDevEnum);
    IEnumMoniker* monikers = nullptr;
    ASSERT_EQ(S_OK, devEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0));
    auto enumerator = ComRef<IEnumMoniker>::Adopt(monikers);
    std::vector<std::u16string> listed; // name, description and path of each device
    for (IMoniker* moniker = nullptr; enumerator->Next(1, &moniker, nullptr) == S_OK;) {
        IPropertyBag* bag = nullptr;
        ASSERT_EQ(S_OK, moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&bag)));
        moniker->Release();
        for (const char16_t* name : {u"FriendlyName", u"Description", u"DevicePath"}) {
            VARIANT value;
            VariantInit(&value);
            listed.push_back(SUCCEEDED(bag->Read(name, &value, nullptr)) ? value.bstrVal : u"(none)");
            VariantClear(&value);
        }
        bag->Release();
    }
    // The test hides the machine's GStreamer devices, not those of its own ZV_ROOT.
    ASSERT_EQ(std::size_t{3 * (kVirtualCameraIndex + 1)}, listed.size());
    EXPECT_EQ(u"Zelvante Capture", listed[3 * kVirtualCameraIndex]);
    EXPECT_EQ(u"Zelvante Capture", listed[3 * kVirtualCameraIndex + 1]);
    EXPECT_EQ(std::u16string(devicePath.begin(), devicePath.end()), listed[3 * kVirtualCameraIndex + 2]);
}

TEST_F(VirtualCameraTest, CapsComeFromTheDataRangeAndFormatsFromTheDriver)
{
    auto camera = BindCamera(kVirtualCameraIndex);
    auto config = StreamConfig(camera.get());
    int count = 0, size = 0;
    ASSERT_EQ(S_OK, config->GetNumberOfCapabilities(&count, &size));
    EXPECT_EQ(1, count);
    VIDEO_STREAM_CONFIG_CAPS caps{};
    AM_MEDIA_TYPE* type = nullptr;
    ASSERT_EQ(S_OK, config->GetStreamCaps(0, &type, reinterpret_cast<BYTE*>(&caps)));
    const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat);
    EXPECT_EQ((std::vector<LONGLONG>{320, 240, 333333}),
              (std::vector<LONGLONG>{info->bmiHeader.biWidth, info->bmiHeader.biHeight, info->AvgTimePerFrame}));
    zv::dshow::DeleteMediaType(type);
    EXPECT_EQ((std::vector<LONGLONG>{160, 120, 720, 480, 8, 333333}),
              (std::vector<LONGLONG>{caps.MinOutputSize.cx, caps.MinOutputSize.cy, caps.MaxOutputSize.cx,
                                     caps.MaxOutputSize.cy, caps.OutputGranularityX, caps.MinFrameInterval}));
    EXPECT_EQ(S_FALSE, config->GetStreamCaps(1, &type, reinterpret_cast<BYTE*>(&caps)));

    const struct {
        LONG width, height;
        REFERENCE_TIME interval;
        WORD bitCount;
        bool accepted;
    } cases[] = {
        {176, 144, 333333, 24, true},   {320, 240, 666666, 24, true},  {320, 200, 333333, 24, true},
        {100, 100, 333333, 24, false},  {724, 480, 333333, 24, false}, {164, 120, 333333, 24, false},
        {320, -240, 333333, 24, false}, {320, 240, 100000, 24, false}, {320, 240, 333333, 16, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " every " << c.interval);
        const VIDEOINFOHEADER before = CurrentFormat(config.get());
        const HRESULT hr = SetSize(config.get(), c.width, c.height, c.interval, c.bitCount);
        const VIDEOINFOHEADER after = CurrentFormat(config.get());
        EXPECT_EQ(c.accepted ? S_OK : VFW_E_INVALIDMEDIATYPE, hr);
        if (!c.accepted) {
            EXPECT_EQ(0, std::memcmp(&before, &after, sizeof after));
            continue;
        }
        EXPECT_EQ(c.width, after.bmiHeader.biWidth);
        EXPECT_EQ(c.height, after.bmiHeader.biHeight);
        EXPECT_EQ(c.interval, after.AvgTimePerFrame);
        EXPECT_EQ(static_cast<DWORD>((c.width * 3 + 3) / 4 * 4 * c.height), after.bmiHeader.biSizeImage);
    }
    type = zv::dshow::CreateRgb24MediaType({320, 240, 333333});
    type->subtype = MEDIATYPE_Video; // not RGB24
    EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, config->SetFormat(type));
    zv::dshow::DeleteMediaType(type);
}

TEST_F(VirtualCameraTest, GrabberGetsTheBytesWrittenOnTheSideChannel)
{
    const struct {
        LONG width, height;
        BYTE index;         // the stored format the driver copies from
        std::size_t bytes;  // of that format's frame
        std::size_t skip;   // bytes of that frame above the client's picture
    } cases[] = {{320, 240, 4, 230400, 0}, {176, 144, 1, 76032, 0}, {320, 200, 4, 230400, 40 * 320 * 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        auto chain = BuildChain(kVirtualCameraIndex);
        ASSERT_EQ(S_OK, SetSize(StreamConfig(chain.camera.get()).get(), c.width, c.height));
        // The path opens once the device list has named it, as the main program finds it.
        const HANDLE device = CreateFileA(devicePath.c_str(), GENERIC_READ | GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, device);
        LastFrame frames;
        ASSERT_EQ(S_OK, Query<ISampleGrabber>(chain.grabber.get(), IID_ISampleGrabber)->SetCallback(&frames, 1));
        auto control = Query<IMediaControl>(chain.graph.get(), IID_IMediaControl);
        ASSERT_TRUE(SUCCEEDED(control->Run()));
        // The client's first pull marks its size in use; only then does the driver keep a write.
        ASSERT_TRUE(WaitFor([&] {
            BYTE flags[8] = {};
            DWORD read = 0;
            return ReadFile(device, flags, sizeof flags, &read, nullptr) && read == 8 && flags[c.index] == 1;
        }));
        // One block at offset 0: patterned bytes with the header over the first five.
        std::vector<BYTE> block(c.bytes);
        for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<BYTE>(i * 7 + i / 997 + 3);
        std::memcpy(block.data(), std::array<BYTE, 5>{c.index, 0, 0, 0, 0}.data(), 5);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(device, block.data(), static_cast<DWORD>(block.size()), &written, nullptr));
        // Bottom-up rows as the driver delivered them, after GStreamer's top-down ones in between.
        const std::vector<BYTE> expected(block.begin() + static_cast<std::ptrdiff_t>(c.skip), block.end());
        EXPECT_TRUE(WaitFor([&] { return frames.Get().second == expected; }));
        EXPECT_EQ(S_OK, control->Stop());
        Query<ISampleGrabber>(chain.grabber.get(), IID_ISampleGrabber)->SetCallback(nullptr, 1);
        CloseHandle(device);
    }
}

TEST_F(VirtualCameraTest, RunsAgainAfterAStopAndLosesTheDeviceWithItsHost)
{
    auto chain = BuildChain(kVirtualCameraIndex);
    LastFrame frames;
    ASSERT_EQ(S_OK, Query<ISampleGrabber>(chain.grabber.get(), IID_ISampleGrabber)->SetCallback(&frames, 1));
    auto control = Query<IMediaControl>(chain.graph.get(), IID_IMediaControl);
    auto events = Query<IMediaEventEx>(chain.graph.get(), IID_IMediaEventEx);
    // A live source that cannot seek runs again from where it is, as often as asked.
    for (int run = 1; run <= 2; ++run) {
        ASSERT_TRUE(SUCCEEDED(control->Run()));
        const int before = frames.Get().first;
        ASSERT_TRUE(WaitFor([&] { return frames.Get().first > before + 1; })); // untouched frames, but frames
        if (run == 1) {
            EXPECT_EQ(S_OK, control->Stop());
        }
    }

    DWORD error = 0;
    const int host = zv::devhost::HostConnection::Open(devicePath, &error)->HostPid();
    ASSERT_GT(host, 0);
    ASSERT_EQ(0, kill(host, SIGKILL));
    // Once when the host goes, and again when a run finds it gone; nothing waits for it.
    for (const bool runAgain : {false, true}) {
        if (runAgain) {
            ASSERT_TRUE(SUCCEEDED(control->Run()));
        }
        LONG code = 0;
        LONG_PTR param1 = 0, param2 = 0;
        ASSERT_EQ(S_OK, events->GetEvent(&code, &param1, &param2, 10000));
        EXPECT_EQ(EC_DEVICE_LOST, code);
        EXPECT_EQ(reinterpret_cast<LONG_PTR>(chain.camera.get()), param1);
        events->FreeEventParams(code, param1, param2);
        EXPECT_EQ(E_ABORT, events->GetEvent(&code, &param1, &param2, 200));
        EXPECT_EQ(S_OK, control->Stop());
    }
    Query<ISampleGrabber>(chain.grabber.get(), IID_ISampleGrabber)->SetCallback(nullptr, 1);
}

} // namespace
