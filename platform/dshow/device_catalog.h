// The devices of a category as the system device enumerator lists them: test devices named by
// the environment first, then the devices that device hosts serve (the virtual camera), then the
// devices GStreamer's device monitor finds.
//
// ZV_TEST_CAMERA lists test cameras, separated by ';', each "Name:WxH@fps[,WxH@fps...]", for
// example "Test Camera:640x480@30,320x240@30". A test camera shows a moving test pattern at the
// sizes listed (any rate up to the one given) and has brightness, contrast, hue and saturation.
// ZV_TEST_MICROPHONE lists audio input devices by name, separated by ';'. Tests may also list
// video devices by name and path (testing/device_hooks.h); those follow the test cameras.
#pragma once

#include "platform/dshow/gst_support.h"
#include "platform/dshow/media_types.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zv::dshow {

enum class DeviceCategory { Video, Audio };

struct FrameRate {
    int numerator;
    int denominator;
};

// One picture size a device offers, with the frame rates it offers at that size.
struct VideoCapability {
    LONG width = 0;
    LONG height = 0;
    REFERENCE_TIME minInterval = 0; // 100-ns units per frame
    REFERENCE_TIME maxInterval = 0;
    REFERENCE_TIME defaultInterval = 0;
    std::vector<FrameRate> rates; // the only rates offered; empty: any rate between the intervals

    bool Allows(REFERENCE_TIME interval) const { return interval >= minInterval && interval <= maxInterval; }
};

// Makes the element that produces a device's pictures.
class DeviceSource {
public:
    virtual ~DeviceSource() = default;
    virtual GstRef<GstElement> CreateElement() const = 0;
};

struct DeviceEntry {
    DeviceCategory category = DeviceCategory::Video;
    std::string friendlyName;
    std::optional<std::string> description;
    std::optional<std::string> devicePath;
    std::vector<VideoCapability> capabilities;
    std::shared_ptr<const DeviceSource> source; // null: the device cannot be opened here
    // Served by a device host at devicePath; its filter asks the driver for its capabilities.
    bool hosted = false;
};

std::vector<DeviceEntry> ListDevices(DeviceCategory category);

// The test devices that the environment asks for.
std::vector<DeviceEntry> TestDevices(DeviceCategory category);
// The capture devices recorded in this machine's registry, which device hosts serve (listed also
// while tests hide the system's devices: they belong to the machine of ZV_ROOT).
std::vector<DeviceEntry> HostedDevices(DeviceCategory category);
// The devices that GStreamer's device monitor finds (none while tests hide them).
std::vector<DeviceEntry> SystemDevices(DeviceCategory category);

// The raw-video sizes of a device's caps, one capability per size.
std::vector<VideoCapability> CapabilitiesFromCaps(const GstCaps* caps);

// The rate to ask GStreamer for when a format asks for `interval` at this capability.
FrameRate FrameRateFor(const VideoCapability& capability, REFERENCE_TIME interval);

} // namespace zv::dshow
