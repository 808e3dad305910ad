// What every connection of the host shares: the started device, its time, its pin slots and
// what runs before the ticks of the pins.
#pragma once

#include <memory>
#include <vector>

#include "platform/ks/devhost/host/pin_slots.h"
#include "platform/ks/devhost/host/pin_ticks.h"
#include "platform/ks/stream_class_port.h"

namespace zv::devhost {

struct HostDevice {
    HostDevice(ks::StreamClassDevice& device, ks::TimeSource& time) : device(device), time(time)
    {
        for (ULONG stream = 0; stream < device.StreamHeader().NumberOfStreams; ++stream)
            slots.push_back(std::make_unique<PinSlots>(device.StreamInformation(stream).NumberOfPossibleInstances));
        time.SetBeforeRoutine([this](const void* key) { ticks.BeforeTick(key); });
    }
    // Every pin is closed by now: no timer runs.
    ~HostDevice() { time.SetBeforeRoutine(nullptr); }
    HostDevice(const HostDevice&) = delete;
    HostDevice& operator=(const HostDevice&) = delete;

    ks::StreamClassDevice& device;
    ks::TimeSource& time;
    std::vector<std::unique_ptr<PinSlots>> slots;  // per stream
    PinTicks ticks;
};

}  // namespace zv::devhost
