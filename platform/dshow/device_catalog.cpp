#include "platform/dshow/device_catalog.h"

#include <algorithm>
#include <cmath>

namespace zv::dshow {

std::vector<DeviceEntry> ListDevices(DeviceCategory category)
{
    std::vector<DeviceEntry> devices = TestDevices(category);
    std::vector<DeviceEntry> hosted = HostedDevices(category);
    std::vector<DeviceEntry> system = SystemDevices(category);
    devices.insert(devices.end(), std::make_move_iterator(hosted.begin()), std::make_move_iterator(hosted.end()));
    devices.insert(devices.end(), std::make_move_iterator(system.begin()), std::make_move_iterator(system.end()));
    return devices;
}

namespace {

REFERENCE_TIME IntervalOf(int numerator, int denominator)
{
    return numerator > 0 ? kUnitsPerSecond * denominator / numerator : 0;
}

void AddRate(VideoCapability& capability, int numerator, int denominator)
{
    if (numerator <= 0 || denominator <= 0) return;
    capability.rates.push_back({numerator, denominator});
}

// Rates of one structure: a fraction, a list of fractions or a range.
void ReadRates(const GstStructure* structure, VideoCapability& capability, bool* anyRate)
{
    const GValue* value = gst_structure_get_value(structure, "framerate");
    if (value == nullptr) {
        *anyRate = true;
        return;
    }
    if (GST_VALUE_HOLDS_FRACTION(value)) {
        AddRate(capability, gst_value_get_fraction_numerator(value), gst_value_get_fraction_denominator(value));
    } else if (GST_VALUE_HOLDS_LIST(value)) {
        for (guint i = 0; i < gst_value_list_get_size(value); ++i) {
            const GValue* item = gst_value_list_get_value(value, i);
            if (GST_VALUE_HOLDS_FRACTION(item))
                AddRate(capability, gst_value_get_fraction_numerator(item), gst_value_get_fraction_denominator(item));
        }
    } else if (GST_VALUE_HOLDS_FRACTION_RANGE(value)) {
        const GValue* low = gst_value_get_fraction_range_min(value);
        const GValue* high = gst_value_get_fraction_range_max(value);
        *anyRate = true;
        const REFERENCE_TIME fastest =
            IntervalOf(gst_value_get_fraction_numerator(high), gst_value_get_fraction_denominator(high));
        const REFERENCE_TIME slowest =
            IntervalOf(gst_value_get_fraction_numerator(low), gst_value_get_fraction_denominator(low));
        capability.minInterval = fastest > 0 ? fastest : 1;
        capability.maxInterval = slowest > 0 ? slowest : kUnitsPerSecond;
    }
}

} // namespace

std::vector<VideoCapability> CapabilitiesFromCaps(const GstCaps* caps)
{
    std::vector<VideoCapability> result;
    if (caps == nullptr) return result;
    for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
        const GstStructure* structure = gst_caps_get_structure(caps, i);
        int width = 0;
        int height = 0;
        if (!gst_structure_has_name(structure, "video/x-raw") || !gst_structure_get_int(structure, "width", &width) ||
            !gst_structure_get_int(structure, "height", &height) || width <= 0 || height <= 0)
            continue;
        VideoCapability found{width, height, 0, 0, 0, {}};
        bool anyRate = false;
        ReadRates(structure, found, &anyRate);
        if (anyRate) {
            found.rates.clear();
            if (found.minInterval == 0) {
                found.minInterval = 1;
                found.maxInterval = kUnitsPerSecond;
            }
        } else if (found.rates.empty()) {
            continue;
        } else {
            for (const FrameRate& rate : found.rates) {
                const REFERENCE_TIME interval = IntervalOf(rate.numerator, rate.denominator);
                if (found.minInterval == 0 || interval < found.minInterval) found.minInterval = interval;
                found.maxInterval = std::max(found.maxInterval, interval);
            }
        }
        // The same size in several pixel formats is one capability: every format ends as RGB24.
        auto same = std::find_if(result.begin(), result.end(),
                                 [&](const VideoCapability& c) { return c.width == width && c.height == height; });
        if (same == result.end()) {
            result.push_back(found);
            continue;
        }
        // A range joined with anything is the range that covers both.
        if (same->rates.empty() || found.rates.empty())
            same->rates.clear();
        else
            same->rates.insert(same->rates.end(), found.rates.begin(), found.rates.end());
        same->minInterval = std::min(same->minInterval, found.minInterval);
        same->maxInterval = std::max(same->maxInterval, found.maxInterval);
    }
    // 30 frames per second when the device offers it, else its fastest rate.
    constexpr REFERENCE_TIME kThirtyPerSecond = kUnitsPerSecond / 30;
    for (VideoCapability& capability : result) {
        const bool offersThirty =
            capability.rates.empty()
                ? capability.Allows(kThirtyPerSecond)
                : std::any_of(capability.rates.begin(), capability.rates.end(),
                              [](const FrameRate& r) { return r.numerator == 30 * r.denominator; });
        capability.defaultInterval = offersThirty ? kThirtyPerSecond : capability.minInterval;
    }
    return result;
}

FrameRate FrameRateFor(const VideoCapability& capability, REFERENCE_TIME interval)
{
    if (interval <= 0) interval = capability.defaultInterval;
    const double wanted = static_cast<double>(kUnitsPerSecond) / static_cast<double>(interval);
    if (!capability.rates.empty()) {
        const auto distance = [wanted](const FrameRate& r) {
            return std::fabs(static_cast<double>(r.numerator) / r.denominator - wanted);
        };
        return *std::min_element(capability.rates.begin(), capability.rates.end(),
                                 [&](const FrameRate& a, const FrameRate& b) { return distance(a) < distance(b); });
    }
    // 333333 units mean 30 frames per second, not 30.00003.
    const double whole = std::round(wanted);
    if (whole >= 1 && std::fabs(wanted - whole) < 1e-3 * wanted) return {static_cast<int>(whole), 1};
    int numerator = 0;
    int denominator = 1;
    gst_util_double_to_fraction(wanted, &numerator, &denominator);
    return {numerator, denominator};
}

} // namespace zv::dshow
