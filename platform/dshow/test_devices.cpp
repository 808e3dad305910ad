#include "platform/dshow/device_catalog.h"
#include "platform/dshow/testing/device_hooks.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <cstdio>
#include <sstream>

namespace zv::dshow {

namespace {

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::stringstream stream(text);
    for (std::string part; std::getline(stream, part, separator);) {
        if (!part.empty()) parts.push_back(part);
    }
    return parts;
}

// Open test cameras by device path, held weakly: the filter that made one owns it.
class OpenTestCameras {
public:
    static OpenTestCameras& Instance()
    {
        static auto* cameras = new OpenTestCameras(); // lives to the end: filters may outlive statics
        return *cameras;
    }

    void Add(const std::string& path, GstElement* source)
    {
        std::lock_guard lock(m_mutex);
        Prune();
        auto entry = std::make_unique<Entry>();
        entry->path = path;
        g_weak_ref_init(&entry->source, source);
        m_entries.push_back(std::move(entry));
    }

    // The newest camera of the path that still exists, with a reference.
    GstRef<GstElement> Find(const std::string& path)
    {
        std::lock_guard lock(m_mutex);
        for (auto it = m_entries.rbegin(); it != m_entries.rend(); ++it) {
            if ((*it)->path != path) continue;
            if (auto* source = static_cast<GstElement*>(g_weak_ref_get(&(*it)->source)))
                return GstRef<GstElement>(source);
        }
        return nullptr;
    }

private:
    struct Entry {
        std::string path;
        GWeakRef source;
        ~Entry() { g_weak_ref_clear(&source); }
    };

    void Prune()
    {
        std::erase_if(m_entries, [](const std::unique_ptr<Entry>& e) {
            gpointer alive = g_weak_ref_get(&e->source);
            if (alive) gst_object_unref(alive);
            return alive == nullptr;
        });
    }

    std::mutex m_mutex;
    std::vector<std::unique_ptr<Entry>> m_entries;
};

class TestCameraSource final : public DeviceSource {
public:
    explicit TestCameraSource(std::string path) : m_path(std::move(path)) {}

    // videotestsrc ! videobalance: a live moving pattern with colour controls, like a camera.
    GstRef<GstElement> CreateElement() const override
    {
        GstRef<GstElement> bin(GST_ELEMENT(gst_object_ref_sink(gst_bin_new(nullptr))));
        GstRef<GstElement> pattern = MakeElement("videotestsrc");
        GstRef<GstElement> balance = MakeElement("videobalance");
        if (!pattern || !balance) return nullptr;
        g_object_set(pattern.get(), "is-live", TRUE, "horizontal-speed", 4, nullptr);
        gst_util_set_object_arg(G_OBJECT(pattern.get()), "pattern", "smpte");
        gst_bin_add_many(GST_BIN(bin.get()), pattern.get(), balance.get(), nullptr);
        if (!gst_element_link(pattern.get(), balance.get()) || !AddGhostPad(bin.get(), balance.get(), "src", "src"))
            return nullptr;
        OpenTestCameras::Instance().Add(m_path, pattern.get());
        return bin;
    }

private:
    std::string m_path;
};

// "WxH@fps", nothing else.
std::optional<VideoCapability> ParseSize(const std::string& text)
{
    long width = 0, height = 0, fps = 0;
    int consumed = 0;
    if (std::sscanf(text.c_str(), " %4ldx%4ld@%4ld %n", &width, &height, &fps, &consumed) != 3 ||
        static_cast<std::size_t>(consumed) != text.size())
        return std::nullopt;
    if (width <= 0 || height <= 0 || fps <= 0 || width > 8192 || height > 8192 || fps > 1000) return std::nullopt;
    const REFERENCE_TIME fastest = kUnitsPerSecond / fps;
    return VideoCapability{static_cast<LONG>(width), static_cast<LONG>(height), fastest, kUnitsPerSecond, fastest, {}};
}

std::vector<DeviceEntry> TestCameras()
{
    std::vector<DeviceEntry> cameras;
    const char* list = std::getenv("ZV_TEST_CAMERA");
    if (list == nullptr) return cameras;
    for (const std::string& item : Split(list, ';')) {
        const std::size_t colon = item.rfind(':');
        if (colon == std::string::npos || colon == 0) continue;
        DeviceEntry camera;
        camera.category = DeviceCategory::Video;
        camera.friendlyName = item.substr(0, colon);
        for (const std::string& size : Split(item.substr(colon + 1), ',')) {
            if (auto capability = ParseSize(size)) camera.capabilities.push_back(*capability);
        }
        if (camera.capabilities.empty()) continue;
        camera.devicePath = "zv-test-camera:" + std::to_string(cameras.size());
        camera.source = std::make_shared<TestCameraSource>(*camera.devicePath);
        cameras.push_back(std::move(camera));
    }
    return cameras;
}

// Devices a test listed by name and path.
class ListedTestDevices {
public:
    static ListedTestDevices& Instance()
    {
        static ListedTestDevices devices;
        return devices;
    }

    bool Add(const std::string& name, const std::string& path)
    {
        std::lock_guard lock(m_mutex);
        if (Find(path) != m_entries.end()) return false;
        DeviceEntry entry;
        entry.category = DeviceCategory::Video;
        entry.friendlyName = name;
        entry.devicePath = path;
        m_entries.push_back(std::move(entry));
        return true;
    }

    bool Remove(const std::string& path)
    {
        std::lock_guard lock(m_mutex);
        const auto found = Find(path);
        if (found == m_entries.end()) return false;
        m_entries.erase(found);
        return true;
    }

    std::vector<DeviceEntry> List()
    {
        std::lock_guard lock(m_mutex);
        return m_entries;
    }

private:
    std::vector<DeviceEntry>::iterator Find(const std::string& path)
    {
        return std::find_if(m_entries.begin(), m_entries.end(), [&](const DeviceEntry& e) { return e.devicePath == path; });
    }

    std::mutex m_mutex;
    std::vector<DeviceEntry> m_entries;
};

std::vector<DeviceEntry> TestMicrophones()
{
    std::vector<DeviceEntry> microphones;
    const char* list = std::getenv("ZV_TEST_MICROPHONE");
    if (list == nullptr) return microphones;
    for (const std::string& name : Split(list, ';')) {
        DeviceEntry microphone;
        microphone.category = DeviceCategory::Audio;
        microphone.friendlyName = name;
        microphone.devicePath = "zv-test-microphone:" + std::to_string(microphones.size());
        microphones.push_back(std::move(microphone));
    }
    return microphones;
}

} // namespace

std::vector<DeviceEntry> TestDevices(DeviceCategory category)
{
    if (category != DeviceCategory::Video) return TestMicrophones();
    std::vector<DeviceEntry> devices = TestCameras();
    std::vector<DeviceEntry> listed = ListedTestDevices::Instance().List();
    devices.insert(devices.end(), std::make_move_iterator(listed.begin()), std::make_move_iterator(listed.end()));
    return devices;
}

namespace testing {

bool ListTestVideoDevice(const std::string& friendlyName, const std::string& devicePath)
{
    return ListedTestDevices::Instance().Add(friendlyName, devicePath);
}

bool UnlistTestVideoDevice(const std::string& devicePath)
{
    return ListedTestDevices::Instance().Remove(devicePath);
}

bool UnplugTestCamera(const std::string& devicePath)
{
    GstRef<GstElement> source = OpenTestCameras::Instance().Find(devicePath);
    if (!source) return false;
    GError* error = g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_NOT_FOUND, "The device is gone.");
    GstMessage* message = gst_message_new_error(GST_OBJECT(source.get()), error, "test camera unplugged");
    g_error_free(error);
    return gst_element_post_message(source.get(), message) != FALSE;
}

bool EndTestCameraStream(const std::string& devicePath)
{
    GstRef<GstElement> source = OpenTestCameras::Instance().Find(devicePath);
    if (!source) return false;
    return gst_element_send_event(source.get(), gst_event_new_eos()) != FALSE;
}

} // namespace testing

} // namespace zv::dshow
