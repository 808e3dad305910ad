#include "fake_interfaces.h"
#include "test_camera.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

using zv::capture::testing::FakeProcAmp;
using zv::capture::testing::FrameRecorder;
using zv::capture::testing::ListedDevice;
using zv::capture::testing::TestDevices;

TEST(VideoProcAmp, FractionMapsOntoTheDeviceRange)
{
    struct Case {
        LONG min;
        LONG max;
        double fraction;
        LONG expected;
    } cases[] = {{0, 255, 0.5, 127}, {-1000, 1000, 0.5, 0}, {-1000, 1000, 1.0, 1000},
                 {0, 100, 0.333, 33}, {10, 20, 0.0, 10},     {-10, 10, 0.26, -5}};
    for (const Case& c : cases) {
        FakeProcAmp procAmp;
        procAmp.min = c.min;
        procAmp.max = c.max;
        CCaptureGraph graph;
        graph.m_pProcAmp = &procAmp;
        EXPECT_EQ(0, graph.SetVideoProcAmp(VideoProcAmp_Saturation, c.fraction));
        EXPECT_EQ(VideoProcAmp_Saturation, procAmp.setProperty);
        EXPECT_EQ(c.expected, procAmp.setValue) << c.min << ".." << c.max << " at " << c.fraction;
        EXPECT_EQ(VideoProcAmp_Flags_Manual, procAmp.setFlags);
        graph.StopGraph();
        EXPECT_EQ(0, procAmp.refs);
    }
}

TEST(VideoProcAmp, ValueReadsAsAFractionOfTheRange)
{
    struct Case {
        LONG min;
        LONG max;
        LONG current;
        HRESULT getResult;
        HRESULT rangeResult;
        double expected;
    } cases[] = {{0, 255, 51, S_OK, S_OK, 0.2},  {-1000, 1000, 500, S_OK, S_OK, 0.75},
                 {5, 5, 5, S_OK, S_OK, 0.0},      // empty range
                 {0, 255, 51, E_FAIL, S_OK, 0.0}, // Get fails
                 {0, 255, 51, S_OK, E_FAIL, 0.0}};
    for (const Case& c : cases) {
        FakeProcAmp procAmp;
        procAmp.min = c.min;
        procAmp.max = c.max;
        procAmp.current = c.current;
        procAmp.getResult = c.getResult;
        procAmp.rangeResult = c.rangeResult;
        CCaptureGraph graph;
        graph.m_pProcAmp = &procAmp;
        EXPECT_DOUBLE_EQ(c.expected, graph.GetVideoProcAmp(VideoProcAmp_Brightness));
        graph.StopGraph();
    }
}

TEST(VideoProcAmp, RangeFailureIsAFailure)
{
    FakeProcAmp procAmp;
    procAmp.rangeResult = E_PROP_ID_UNSUPPORTED;
    CCaptureGraph graph;
    graph.m_pProcAmp = &procAmp;
    EXPECT_EQ(1, graph.SetVideoProcAmp(VideoProcAmp_Brightness, 0.5));
    EXPECT_EQ(-1, procAmp.setValue);
    graph.StopGraph();
}

double MeanByte(const std::vector<BYTE>& bytes)
{
    return std::accumulate(bytes.begin(), bytes.end(), 0.0) / static_cast<double>(bytes.size());
}

TEST(VideoProcAmp, TestCameraBrightnessChangesTheFrames)
{
    TestDevices devices("Test Camera:320x240@30");
    FrameRecorder recorder;
    CCaptureGraph graph;
    graph.m_VideoGrabber.m_pCallback = &FrameRecorder::Callback;
    const DeviceInfo device = ListedDevice(0);
    graph.SelectDevice(&device);
    ASSERT_EQ(0, graph.StartPreview());
    ASSERT_NE(nullptr, graph.m_pProcAmp);
    EXPECT_DOUBLE_EQ(0.5, graph.GetVideoProcAmp(VideoProcAmp_Brightness));
    ASSERT_TRUE(recorder.WaitForMoreThan(1));
    const double before = MeanByte(recorder.Last()->bytes);

    ASSERT_EQ(0, graph.SetVideoProcAmp(VideoProcAmp_Brightness, 0.9));
    EXPECT_NEAR(0.9, graph.GetVideoProcAmp(VideoProcAmp_Brightness), 0.001);
    ASSERT_EQ(0, graph.SetVideoProcAmp(VideoProcAmp_Saturation, 0.25));
    EXPECT_NEAR(0.25, graph.GetVideoProcAmp(VideoProcAmp_Saturation), 0.001);
    // A frame made after the change.
    const int seen = recorder.Count();
    ASSERT_TRUE(recorder.WaitForMoreThan(seen + 2));
    EXPECT_GT(MeanByte(recorder.Last()->bytes), before + 40);
    // The camera has no gain control.
    EXPECT_EQ(1, graph.SetVideoProcAmp(VideoProcAmp_Gain, 0.5));
}

TEST(PropertyPages, NeitherDevicePagesNorCrossbarExistHere)
{
    TestDevices devices("Test Camera:320x240@30");
    CCaptureGraph graph;
    const DeviceInfo device = ListedDevice(0);
    graph.SelectDevice(&device);
    EXPECT_EQ(3, graph.ShowDevicePages());
    EXPECT_EQ(3, graph.ShowCrossbarPages());
    ASSERT_EQ(0, graph.StartPreview());
    EXPECT_EQ(4, graph.ShowDevicePages());
    EXPECT_EQ(4, graph.ShowCrossbarPages());
    EXPECT_EQ(nullptr, graph.m_pVideoControl);
}

} // namespace
