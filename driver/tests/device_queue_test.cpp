// Device requests from many threads at once: the driver handles them one at a time per
// device, and a request that arrives while another is handled is handled by the thread inside.
#include <atomic>
#include <set>
#include <thread>

#include "driver/DeviceContext.h"
#include "driver/tests/DriverHarness.h"

namespace zv::driver_test {
namespace {

std::vector<unsigned char> ModeRequest(LONG mode)
{
    std::vector<unsigned char> request = PropertyInput(PROPSETID_VIDCAP_VIDEOCONTROL, 3, 32);
    WriteAt<LONG>(request, 28, mode);
    return request;
}

TEST_F(DriverTest, ConcurrentRequestsAreHandledOneAtATime)
{
    std::atomic<int> inCompletion{0};
    std::atomic<bool> overlapped{false};
    device->SetCompletionObserver([&](const HW_STREAM_REQUEST_BLOCK&) {
        if (inCompletion.fetch_add(1) != 0) {
            overlapped = true;
        }
        std::this_thread::yield();
        inCompletion.fetch_sub(1);
    });

    constexpr int kThreads = 8;
    constexpr int kRequests = 150;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            KS_DATARANGE_VIDEO range = AdvertisedRange();
            for (int i = 0; i < kRequests; ++i) {
                ULONG bytes = 0;
                NTSTATUS status;
                std::vector<unsigned char> request = ModeRequest(t + 1);
                std::vector<unsigned char> data = request;
                switch (i % 3) {
                case 0:
                    status = device->SetProperty(request.data(), 32, data.data(), 32, &bytes);
                    break;
                case 1:
                    status = device->GetProperty(request.data(), 32, data.data(), 32, &bytes);
                    if (status == STATUS_SUCCESS && (ReadAt<LONG>(data, 28) < 1 || ReadAt<LONG>(data, 28) > kThreads)) {
                        ++failures;
                    }
                    break;
                default: {
                    unsigned char format[152];
                    status = device->IntersectDataRange(0, &range, sizeof range, format, sizeof format, &bytes);
                    break;
                }
                }
                if (status != STATUS_SUCCESS) {
                    ++failures;
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures.load(), 0);
    EXPECT_FALSE(overlapped.load());
    const auto* context = static_cast<const DeviceContext*>(device->HwDeviceExtension());
    EXPECT_EQ(context->deviceBusy, 0);
}

TEST_F(DriverTest, RequestArrivingWhileBusyIsHandledByTheThreadInside)
{
    auto* context = static_cast<DeviceContext*>(device->HwDeviceExtension());
    auto requestQueued = [&] {
        KIRQL irql = KfAcquireSpinLock(&context->adapterLock);
        bool queued = !IsListEmpty(&context->deviceQueue);
        KfReleaseSpinLock(&context->adapterLock, irql);
        return queued;
    };

    std::thread::id firstThread;
    std::mutex mutex;
    std::vector<std::pair<SRB_COMMAND, std::thread::id>> completions;
    std::atomic<bool> firstCompleting{false};
    device->SetCompletionObserver([&](const HW_STREAM_REQUEST_BLOCK& srb) {
        {
            std::lock_guard lock(mutex);
            completions.emplace_back(srb.Command, std::this_thread::get_id());
        }
        if (srb.Command == SRB_GET_DEVICE_PROPERTY) {
            firstCompleting = true;
            // Still inside the first request: wait until the second one has been queued.
            while (!requestQueued()) {
                std::this_thread::yield();
            }
        }
    });

    std::thread first([&] {
        firstThread = std::this_thread::get_id();
        std::vector<unsigned char> request = ModeRequest(0);
        std::vector<unsigned char> data = request;
        ULONG bytes = 0;
        EXPECT_EQ(device->GetProperty(request.data(), 32, data.data(), 32, &bytes), STATUS_SUCCESS);
    });
    while (!firstCompleting) {
        std::this_thread::yield();
    }
    std::vector<unsigned char> request = ModeRequest(7);
    std::vector<unsigned char> data = request;
    ULONG bytes = 0;
    EXPECT_EQ(device->SetProperty(request.data(), 32, data.data(), 32, &bytes), STATUS_SUCCESS);
    first.join();

    ASSERT_EQ(completions.size(), 2u);
    EXPECT_EQ(completions[0].first, SRB_GET_DEVICE_PROPERTY);
    EXPECT_EQ(completions[1].first, SRB_SET_DEVICE_PROPERTY);
    EXPECT_EQ(completions[1].second, firstThread);
    EXPECT_EQ(context->videoControlMode, 7);
    EXPECT_EQ(context->deviceBusy, 0);
}

TEST(DriverDevices, DevicesStartedTogetherGetDistinctNumbers)
{
    auto driver = LoadDriver();
    ASSERT_NE(driver, nullptr);
    ManualTimeSource time;
    constexpr int kDevices = 6;
    std::vector<std::unique_ptr<StreamClassDevice>> devices(kDevices);
    std::vector<std::thread> threads;
    for (int i = 0; i < kDevices; ++i) {
        threads.emplace_back([&, i] {
            NTSTATUS status;
            devices[i] = StreamClassDevice::Start(*driver, time, &status);
            EXPECT_EQ(status, STATUS_SUCCESS);
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    std::set<ULONG> numbers;
    for (const auto& device : devices) {
        ASSERT_NE(device, nullptr);
        numbers.insert(static_cast<const DeviceContext*>(device->HwDeviceExtension())->deviceNumber);
    }
    EXPECT_EQ(numbers.size(), static_cast<std::size_t>(kDevices));
    devices.clear();
    EXPECT_TRUE(TakePortViolations().empty());
}

}  // namespace
}  // namespace zv::driver_test
