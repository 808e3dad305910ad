// Test support: control over the device list and faults of the test cameras.
#pragma once

#include <string>

namespace zv::dshow::testing {

// Leaves the devices that GStreamer finds out of the device list, so that a test sees only the
// test devices it names in ZV_TEST_CAMERA and ZV_TEST_MICROPHONE.
void HideSystemDevices(bool hide);

// Lists a video capture device with this friendly name and device path, after the test cameras of
// ZV_TEST_CAMERA and in the order listed, until it is unlisted. It has no pictures of its own: the
// enumerator shows it and its property bag, a capture filter cannot be made from it. False when
// the path is listed already.
bool ListTestVideoDevice(const std::string& friendlyName, const std::string& devicePath);
// False when the path was not listed.
bool UnlistTestVideoDevice(const std::string& devicePath);

// The running test camera with this device path reports that it can no longer be read, as an
// unplugged camera does. False when no such camera is open.
bool UnplugTestCamera(const std::string& devicePath);

// The running test camera with this device path ends its stream. False when none is open.
bool EndTestCameraStream(const std::string& devicePath);

} // namespace zv::dshow::testing
