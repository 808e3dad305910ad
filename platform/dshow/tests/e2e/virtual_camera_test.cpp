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
    HRESULT QueryInterface(REFIID, void** ppv) override
    {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
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
    std::vector<BYTE> Bytes()
    {
        std::lock_guard lock(mutex);
        return bytes;
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

// A block as the main program writes it: patterned picture bytes, the header over the first five.
std::vector<BYTE> FrameBlock(BYTE index, std::size_t length)
{
    std::vector<BYTE> block(length);
    for (std::size_t i = 0; i < length; ++i) block[i] = static_cast<BYTE>(i * 7 + i / 997 + 3);
    std::memset(block.data(), 0, 5); // offset 0
    block[0] = index;
    return block;
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

    zv::win32::testing::TempZvRoot root;
    std::string devicePath;
    std::string instanceId;
};

TEST_F(VirtualCameraTest, ListedAfterTheTestDevicesWithNameDescriptionAndPath)
{
    for (bool hidden : {true, false}) {
        zv::dshow::testing::HideSystemDevices(hidden);
        auto devEnum = Create<ICreateDevEnum>(CLSID_SystemDeviceEnum, IID_ICreateDevEnum);
        IEnumMoniker* monikers = nullptr;
        ASSERT_EQ(S_OK, devEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0));
        auto enumerator = ComRef<IEnumMoniker>::Adopt(monikers);
        std::vector<std::u16string> names, descriptions, paths;
        IMoniker* moniker = nullptr;
        while (enumerator->Next(1, &moniker, nullptr) == S_OK) {
            auto moniked = ComRef<IMoniker>::Adopt(moniker);
            IPropertyBag* bag = nullptr;
            ASSERT_EQ(S_OK, moniked->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&bag)));
            auto properties = ComRef<IPropertyBag>::Adopt(bag);
            for (auto [name, values] : {std::pair{u"FriendlyName", &names}, std::pair{u"Description", &descriptions},
                                        std::pair{u"DevicePath", &paths}}) {
                VARIANT value;
                VariantInit(&value);
                values->push_back(SUCCEEDED(properties->Read(name, &value, nullptr)) ? value.bstrVal : u"");
                VariantClear(&value);
            }
        }
        ASSERT_GT(names.size(), std::size_t{kVirtualCameraIndex});
        EXPECT_EQ(u"Cam B", names[kVirtualCameraIndex - 1]);
        EXPECT_EQ(u"Zelvante Capture", names[kVirtualCameraIndex]);
        EXPECT_FALSE(descriptions[kVirtualCameraIndex].empty());
        EXPECT_EQ(std::u16string(devicePath.begin(), devicePath.end()), paths[kVirtualCameraIndex]);
        if (hidden) {
            EXPECT_EQ(std::size_t{kVirtualCameraIndex + 1}, names.size());
        }
    }
}

TEST_F(VirtualCameraTest, StreamCapsComeFromTheDriversDataRange)
{
    auto camera = BindCamera(kVirtualCameraIndex);
    auto config = StreamConfig(camera.get());
    int count = 0, size = 0;
    ASSERT_EQ(S_OK, config->GetNumberOfCapabilities(&count, &size));
    EXPECT_EQ(1, count);
    EXPECT_EQ(static_cast<int>(sizeof(VIDEO_STREAM_CONFIG_CAPS)), size);
    VIDEO_STREAM_CONFIG_CAPS caps{};
    AM_MEDIA_TYPE* type = nullptr;
    ASSERT_EQ(S_OK, config->GetStreamCaps(0, &type, reinterpret_cast<BYTE*>(&caps)));
    const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat);
    EXPECT_EQ(MEDIASUBTYPE_RGB24, type->subtype);
    EXPECT_EQ(320, info->bmiHeader.biWidth);
    EXPECT_EQ(240, info->bmiHeader.biHeight);
    EXPECT_EQ(333333, info->AvgTimePerFrame);
    zv::dshow::DeleteMediaType(type);
    EXPECT_EQ(160, caps.MinOutputSize.cx);
    EXPECT_EQ(120, caps.MinOutputSize.cy);
    EXPECT_EQ(720, caps.MaxOutputSize.cx);
    EXPECT_EQ(480, caps.MaxOutputSize.cy);
    EXPECT_EQ(8, caps.OutputGranularityX);
    EXPECT_EQ(333333, caps.MinFrameInterval);
    EXPECT_EQ(S_FALSE, config->GetStreamCaps(1, &type, reinterpret_cast<BYTE*>(&caps)));
}

TEST_F(VirtualCameraTest, SetFormatTakesWhatTheDriverNegotiates)
{
    auto camera = BindCamera(kVirtualCameraIndex);
    auto config = StreamConfig(camera.get());
    struct Case {
        LONG width, height;
        REFERENCE_TIME interval;
        WORD bitCount;
        bool accepted;
    } cases[] = {
        {176, 144, 333333, 24, true},   {320, 240, 666666, 24, true},  {320, 200, 333333, 24, true},
        {100, 100, 333333, 24, false},  {724, 480, 333333, 24, false}, {164, 120, 333333, 24, false},
        {320, -240, 333333, 24, false}, {320, 240, 100000, 24, false}, {320, 240, 333333, 16, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " every " << c.interval);
        AM_MEDIA_TYPE* before = nullptr;
        ASSERT_EQ(S_OK, config->GetFormat(&before));
        const HRESULT hr = SetSize(config.get(), c.width, c.height, c.interval, c.bitCount);
        AM_MEDIA_TYPE* after = nullptr;
        ASSERT_EQ(S_OK, config->GetFormat(&after));
        const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(after->pbFormat);
        if (c.accepted) {
            EXPECT_EQ(S_OK, hr);
            EXPECT_EQ(c.width, info->bmiHeader.biWidth);
            EXPECT_EQ(c.height, info->bmiHeader.biHeight);
            EXPECT_EQ(c.interval, info->AvgTimePerFrame);
            EXPECT_EQ(static_cast<DWORD>((c.width * 3 + 3) / 4 * 4 * c.height), info->bmiHeader.biSizeImage);
        } else {
            EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, hr);
            EXPECT_EQ(0, std::memcmp(before->pbFormat, after->pbFormat, sizeof(VIDEOINFOHEADER)));
        }
        zv::dshow::DeleteMediaType(before);
        zv::dshow::DeleteMediaType(after);
    }
    AM_MEDIA_TYPE* type = zv::dshow::CreateRgb24MediaType({320, 240, 333333});
    type->subtype = MEDIATYPE_Video; // not RGB24
    EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, config->SetFormat(type));
    zv::dshow::DeleteMediaType(type);
}

TEST_F(VirtualCameraTest, GrabberGetsTheBytesWrittenOnTheSideChannel)
{
    struct Case {
        LONG width, height;
        BYTE index;       // the stored format the driver copies from
        std::size_t skip; // bytes of that frame before the client's picture
    } cases[] = {{320, 240, 4, 0}, {176, 144, 1, 0}, {320, 200, 4, 40 * 320 * 3}};
    const std::size_t storedBytes[] = {57600, 76032, 126720, 129600, 230400, 304128, 921600, 1036800};
    for (const Case& c : cases) {
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
            return ReadFile(device, flags, sizeof flags, &read, nullptr) && flags[c.index] == 1;
        }));
        const std::vector<BYTE> block = FrameBlock(c.index, storedBytes[c.index]);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(device, block.data(), static_cast<DWORD>(block.size()), &written, nullptr));
        const std::vector<BYTE> expected(block.begin() + static_cast<std::ptrdiff_t>(c.skip), block.end());
        EXPECT_TRUE(WaitFor([&] { return frames.Bytes() == expected; }))
            << frames.Bytes().size() << " bytes last, " << expected.size() << " expected";
        EXPECT_EQ(S_OK, control->Stop());
        Query<ISampleGrabber>(chain.grabber.get(), IID_ISampleGrabber)->SetCallback(nullptr, 1);
        CloseHandle(device);
    }
}

TEST_F(VirtualCameraTest, KillingTheHostLosesTheDevice)
{
    auto chain = BuildChain(kVirtualCameraIndex);
    LastFrame frames;
    ASSERT_EQ(S_OK, Query<ISampleGrabber>(chain.grabber.get(), IID_ISampleGrabber)->SetCallback(&frames, 1));
    auto control = Query<IMediaControl>(chain.graph.get(), IID_IMediaControl);
    auto events = Query<IMediaEventEx>(chain.graph.get(), IID_IMediaEventEx);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    ASSERT_TRUE(WaitFor([&] { return !frames.Bytes().empty(); })); // untouched frames, but frames

    DWORD error = 0;
    const int host = zv::devhost::HostConnection::Open(devicePath, &error)->HostPid();
    ASSERT_GT(host, 0);
    ASSERT_EQ(0, kill(host, SIGKILL));
    LONG code = 0;
    LONG_PTR param1 = 0, param2 = 0;
    ASSERT_EQ(S_OK, events->GetEvent(&code, &param1, &param2, 10000));
    EXPECT_EQ(EC_DEVICE_LOST, code);
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(chain.camera.get()), param1);
    events->FreeEventParams(code, param1, param2);
    EXPECT_EQ(E_ABORT, events->GetEvent(&code, &param1, &param2, 200)); // once
    EXPECT_EQ(S_OK, control->Stop());

    // Running again on the lost host tells the graph again instead of hanging.
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    ASSERT_EQ(S_OK, events->GetEvent(&code, &param1, &param2, 10000));
    EXPECT_EQ(EC_DEVICE_LOST, code);
    events->FreeEventParams(code, param1, param2);
    EXPECT_EQ(S_OK, control->Stop());
    Query<ISampleGrabber>(chain.grabber.get(), IID_ISampleGrabber)->SetCallback(nullptr, 1);
}

} // namespace
