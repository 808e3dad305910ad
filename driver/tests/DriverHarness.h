// Loads the built zelvante.sys through the port and starts one device, as the device host does.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/ks/kernel_pool.h"
#include "platform/ks/ks_properties.h"
#include "platform/ks/port_checks.h"
#include "platform/ks/stream_class_port.h"

namespace zv::driver_test {

using namespace zv::ks;

inline std::unique_ptr<KernelDriver> LoadDriver()
{
    std::string error;
    auto driver = KernelDriver::Load(ZV_DRIVER_PATH, &error);
    EXPECT_NE(driver, nullptr) << error;
    return driver;
}

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        driver = LoadDriver();
        ASSERT_NE(driver, nullptr);
        NTSTATUS status = STATUS_UNSUCCESSFUL;
        device = StreamClassDevice::Start(*driver, time, &status);
        ASSERT_EQ(status, STATUS_SUCCESS);
        ASSERT_NE(device, nullptr);
    }

    void TearDown() override
    {
        if (device) {
            device->SetCompletionObserver(nullptr);  // it may refer to the test's locals
        }
        device.reset();
        driver.reset();
        EXPECT_TRUE(OutstandingPoolByTag().empty()) << "pool blocks left after teardown";
        EXPECT_TRUE(TakePortViolations().empty());
    }

    // The stream's one data range, as the device describes it.
    KS_DATARANGE_VIDEO AdvertisedRange() const
    {
        KS_DATARANGE_VIDEO range;
        std::memcpy(&range, device->StreamInformation(0).StreamFormatsArray[0], sizeof range);
        return range;
    }

    ManualTimeSource time;
    std::unique_ptr<KernelDriver> driver;
    std::unique_ptr<StreamClassDevice> device;
};

// A property request's input: the KSPROPERTY, then `size - 24` bytes of 0xA5 with a stream
// index of 0 where one would be.
inline std::vector<unsigned char> PropertyInput(const GUID& set, ULONG id, ULONG size)
{
    std::vector<unsigned char> input(size, 0xA5);
    KSPROPERTY header{set, id, 0};
    std::memcpy(input.data(), &header, sizeof header);
    if (size >= 28) {
        std::memset(input.data() + 24, 0, 4);
    }
    return input;
}

template <typename T>
T ReadAt(const std::vector<unsigned char>& bytes, std::size_t offset)
{
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

template <typename T>
void WriteAt(std::vector<unsigned char>& bytes, std::size_t offset, T value)
{
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

}  // namespace zv::driver_test
