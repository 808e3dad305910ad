#include "platform/dshow/device_catalog.h"
#include "platform/dshow/testing/device_hooks.h"

#include <atomic>

namespace zv::dshow {

namespace {

std::atomic<bool> g_hideSystemDevices{false};

class MonitoredDeviceSource final : public DeviceSource {
public:
    explicit MonitoredDeviceSource(GstDevice* device) : m_device(GST_DEVICE(gst_object_ref(device))) {}

    GstRef<GstElement> CreateElement() const override
    {
        GstElement* element = gst_device_create_element(m_device.get(), nullptr);
        if (element == nullptr) return nullptr;
        return GstRef<GstElement>(GST_ELEMENT(gst_object_ref_sink(element)));
    }

private:
    GstRef<GstDevice> m_device;
};

// The path under which the platform knows the device (a V4L2 node, a PipeWire object).
std::optional<std::string> DevicePathOf(GstDevice* device)
{
    GstStructure* properties = gst_device_get_properties(device);
    if (properties == nullptr) return std::nullopt;
    std::optional<std::string> path;
    for (const char* key : {"device.path", "api.v4l2.path", "object.path", "device.name"}) {
        if (const char* value = gst_structure_get_string(properties, key)) {
            path = value;
            break;
        }
    }
    gst_structure_free(properties);
    return path;
}

} // namespace

std::vector<DeviceEntry> SystemDevices(DeviceCategory category)
{
    std::vector<DeviceEntry> devices;
    if (g_hideSystemDevices.load() || !EnsureGstreamer()) return devices;
    GstRef<GstDeviceMonitor> monitor(gst_device_monitor_new());
    const bool video = category == DeviceCategory::Video;
    gst_device_monitor_add_filter(monitor.get(), video ? "Video/Source" : "Audio/Source", nullptr);
    // Without start the monitor probes each provider once.
    GList* found = gst_device_monitor_get_devices(monitor.get());
    for (GList* item = found; item != nullptr; item = item->next) {
        GstDevice* device = GST_DEVICE(item->data);
        DeviceEntry entry;
        entry.category = category;
        gchar* name = gst_device_get_display_name(device);
        entry.friendlyName = name ? name : "";
        g_free(name);
        entry.devicePath = DevicePathOf(device);
        if (video) {
            CapsRef caps(gst_device_get_caps(device));
            entry.capabilities = CapabilitiesFromCaps(caps.get());
            entry.source = std::make_shared<MonitoredDeviceSource>(device);
        }
        devices.push_back(std::move(entry));
    }
    g_list_free_full(found, gst_object_unref);
    return devices;
}

namespace testing {

void HideSystemDevices(bool hide)
{
    g_hideSystemDevices.store(hide);
}

} // namespace testing

} // namespace zv::dshow
