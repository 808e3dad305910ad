#include "capture/CaptureGraph.h"
#include "platform/dshow/testing/device_hooks.h"
#include "platform/user/message_box.h"
#include "platform/win32/com.h"
#include <gtest/gtest.h>
#include <atomic>
#include <thread>
#include <chrono>
static std::atomic<int> frames{0};
static std::atomic<int> lastLen{0};
static std::int32_t Cb(double, BYTE*, std::int32_t len, FrameSize*) { frames++; lastLen = len; return 0; }
TEST(Smoke, Run) {
  setenv("ZV_TEST_CAMERA", "Test Camera:640x480@30,320x240@30", 1);
  zv::dshow::testing::HideSystemDevices(true);
  CoInitialize(nullptr);
  {
  CCaptureGraph g;
  int n = 0;
  EXPECT_EQ(2, CCaptureGraph::EnumVideoDevices(nullptr, &n));
  EXPECT_EQ(1, n);
  DeviceInfo d[1]; n = 1;
  EXPECT_EQ(0, CCaptureGraph::EnumVideoDevices(d, &n));
  printf("dev '%s' '%s' '%s'\n", d[0].m_strFriendlyName.c_str(), d[0].m_strDescription.c_str(), d[0].m_strDevicePath.c_str());
  g.m_VideoGrabber.m_pCallback = Cb;
  EXPECT_EQ(0, g.SelectDevice(&d[0]));
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(0, g.StartPreview());
  printf("start took %lld ms\n", (long long)std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now()-t0).count());
  for (int i = 0; i < 100 && frames < 5; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  auto s = g.GetFrameSize();
  printf("frames %d len %d size %dx%d fps %d\n", frames.load(), lastLen.load(), s.width, s.height, g.GetFrameRate());
  g.StopGraph();
  int after = frames;
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(after, frames.load());
  }
  for (auto& r : zv::user::MessageBoxResponder::History()) printf("BOX: %s\n", r.text.c_str());
  CoUninitialize();
}
