// Test support: control over the device list and faults of the test cameras.
#pragma once

#include <string>

namespace zv::dshow::testing {

// Leaves the devices that GStreamer finds out of the device list, so that a test sees only the
// test devices it names in ZV_TEST_CAMERA and ZV_TEST_MICROPHONE.
void HideSystemDevices(bool hide);

// The running test camera with this device path reports that it can no longer be read, as an
// unplugged camera does. False when no such camera is open.
bool UnplugTestCamera(const std::string& devicePath);

// The running test camera with this device path ends its stream. False when none is open.
bool EndTestCameraStream(const std::string& devicePath);

} // namespace zv::dshow::testing
