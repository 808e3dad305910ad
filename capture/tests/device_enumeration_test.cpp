#include "test_camera.h"

#include <gtest/gtest.h>

namespace {

using zv::capture::testing::ListedDevice;
using zv::capture::testing::ShownMessages;
using zv::capture::testing::TestDevices;

struct EnumerationCase {
    const char* cameras;
    int capacity;
    bool withArray;
    int expectedResult;
    int expectedCount;
};

class VideoDeviceEnumeration : public ::testing::TestWithParam<EnumerationCase> {};

TEST_P(VideoDeviceEnumeration, ReportsTheCountAndFillsWhatFits)
{
    const EnumerationCase& c = GetParam();
    TestDevices devices(c.cameras);
    std::vector<DeviceInfo> array(static_cast<std::size_t>(std::max(c.capacity, 1)));
    array.back().m_strFriendlyName = "untouched";
    int count = c.capacity;
    EXPECT_EQ(c.expectedResult, CCaptureGraph::EnumVideoDevices(c.withArray ? array.data() : nullptr, &count));
    EXPECT_EQ(c.expectedCount, count);
    if (c.withArray) {
        const int filled = std::min(c.capacity, c.expectedCount);
        for (int i = 0; i < filled; ++i) {
            EXPECT_EQ("Cam " + std::to_string(i), array[static_cast<std::size_t>(i)].m_strFriendlyName);
            EXPECT_EQ("zv-test-camera:" + std::to_string(i), array[static_cast<std::size_t>(i)].m_strDevicePath);
            EXPECT_EQ("", array[static_cast<std::size_t>(i)].m_strDescription);
        }
        if (filled < c.capacity || c.capacity == 0) {
            EXPECT_EQ("untouched", array.back().m_strFriendlyName);
        }
    }
}

constexpr const char* kThree = "Cam 0:320x240@30;Cam 1:320x240@30;Cam 2:320x240@30";

INSTANTIATE_TEST_SUITE_P(
    Protocol, VideoDeviceEnumeration,
    ::testing::Values(EnumerationCase{kThree, 0, false, 2, 3},      // ask for the count
                      EnumerationCase{kThree, 3, true, 0, 3},       // exact fit
                      EnumerationCase{kThree, 5, true, 0, 3},       // room to spare
                      EnumerationCase{kThree, 2, true, 2, 3},       // too small: first two filled
                      EnumerationCase{nullptr, 0, false, 0, 0},     // no device at all
                      EnumerationCase{"Cam 0:bad;Cam 0:160x120@15", 1, true, 0, 1})); // bad entry skipped

TEST(VideoDeviceEnumeration, NullCountCannotStart)
{
    TestDevices devices(kThree);
    EXPECT_EQ(1, CCaptureGraph::EnumVideoDevices(nullptr, nullptr));
}

TEST(AudioDeviceEnumeration, ListsFriendlyNamesAndEmptiesTheArrayFirst)
{
    {
        TestDevices devices(nullptr, "Mic A;Mic B");
        std::vector<std::string> names{"stale"};
        EXPECT_EQ(2, CCaptureGraph::EnumAudioDevices(names));
        EXPECT_EQ((std::vector<std::string>{"Mic A", "Mic B"}), names);
    }
    TestDevices none(nullptr, nullptr);
    std::vector<std::string> names{"stale"};
    EXPECT_EQ(0, CCaptureGraph::EnumAudioDevices(names));
    EXPECT_TRUE(names.empty());
}

TEST(FindCaptureDevice, AllThreeFieldsMustMatch)
{
    TestDevices devices("Twin:640x480@30;Twin:320x240@30");
    struct Case {
        DeviceInfo wanted;
        bool found;
    } cases[] = {
        {{"Twin", "", "zv-test-camera:1"}, true},
        {{"Twin", "", "zv-test-camera:0"}, true},
        {{"Twin", "", "zv-test-camera:2"}, false},      // same name, no such path
        {{"twin", "", "zv-test-camera:0"}, false},      // case counts
        {{"Twin", "A camera", "zv-test-camera:0"}, false}, // the device has no description
        {{"", "", ""}, false},
    };
    for (const Case& c : cases) {
        IBaseFilter* filter = nullptr;
        std::string error = "previous";
        const HRESULT hr = CCaptureGraph::FindCaptureDevice(c.wanted, &filter, error);
        if (c.found) {
            EXPECT_EQ(S_OK, hr) << c.wanted.m_strDevicePath;
            ASSERT_NE(nullptr, filter);
            EXPECT_EQ("", error);
            filter->Release();
        } else {
            EXPECT_EQ(E_FAIL, hr) << c.wanted.m_strFriendlyName << c.wanted.m_strDescription;
            EXPECT_EQ(nullptr, filter);
            EXPECT_EQ("Device not found", error);
        }
    }
}

TEST(FindCaptureDevice, TheDeviceWithTheMatchingPathIsTheOneUsed)
{
    TestDevices devices("Twin:640x480@30;Twin:320x240@30");
    for (int index : {0, 1}) {
        CCaptureGraph graph;
        const DeviceInfo device = ListedDevice(index);
        ASSERT_EQ(0, graph.SelectDevice(&device));
        ASSERT_EQ(0, graph.StartPreview());
        // 320 x 240 is asked for; only the second twin has it.
        EXPECT_EQ(index == 0 ? 640 : 320, graph.GetFrameSize().width);
        EXPECT_EQ(index == 0 ? 480 : 240, graph.GetFrameSize().height);
    }
    EXPECT_TRUE(ShownMessages().empty());
}

TEST(FindCaptureDevice, NoDeviceAtAllIsReportedWithTheWantedFields)
{
    TestDevices devices(nullptr);
    CCaptureGraph graph;
    const DeviceInfo wanted{"Cam", "Desc", "path"};
    graph.SelectDevice(&wanted);
    EXPECT_EQ(1, graph.StartPreview());
    ASSERT_EQ(1u, ShownMessages().size());
    EXPECT_EQ("SetDevice: FindCaptureDevice() failed with error code 0x80004005 while looking for device:\r\n"
              "Name: Cam\r\nDescription: Desc\r\nPath: path\r\n\n\r\nError message:\r\nDevice not found",
              ShownMessages()[0]);
    EXPECT_EQ(0, graph.m_nState);
    EXPECT_EQ(nullptr, graph.m_pGraph);
}

} // namespace
