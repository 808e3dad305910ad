// What every connection of the host shares: the started device, its time and its pin slots.
#pragma once

#include <memory>
#include <vector>

#include "platform/ks/devhost/host/pin_slots.h"
#include "platform/ks/stream_class_port.h"

namespace zv::devhost {

struct HostDevice {
    HostDevice(ks::StreamClassDevice& device, ks::TimeSource& time) : device(device), time(time)
    {
        for (ULONG stream = 0; stream < device.StreamHeader().NumberOfStreams; ++stream)
            slots.push_back(std::make_unique<PinSlots>(device.StreamInformation(stream).NumberOfPossibleInstances));
    }

    ks::StreamClassDevice& device;
    ks::TimeSource& time;
    std::vector<std::unique_ptr<PinSlots>> slots;  // per stream
};

}  // namespace zv::devhost
