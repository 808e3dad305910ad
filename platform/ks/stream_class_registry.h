// What the port keeps about each started device, and the process-wide tables through which
// the port's routines find a device from what a minidriver passes (its device extension, a
// device object or a stream object) and a master clock from its handle.
#pragma once

#include <condition_variable>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <optional>
#include <set>

#include "platform/ks/stream_class_port.h"

namespace zv::ks {

struct DeviceRecord {
    const HW_INITIALIZATION_DATA* registration = nullptr;
    TimeSource* time = nullptr;
    PVOID extension = nullptr;

    std::mutex mutex;
    std::set<HW_STREAM_REQUEST_BLOCK*> outstanding;
    std::function<void(const HW_STREAM_REQUEST_BLOCK&)> observer;
    std::optional<FilterRegistration> filter;
    std::set<const HW_STREAM_OBJECT*> closingStreams;
    std::multiset<const HW_STREAM_OBJECT*> cancelling;  // streams with a cancel routine running
    std::condition_variable cancelReturned;

    void Track(HW_STREAM_REQUEST_BLOCK* srb);
    bool IsOutstanding(HW_STREAM_REQUEST_BLOCK* srb);
    bool HasOutstanding(const HW_STREAM_OBJECT* stream);
    // Ends a request the minidriver completed; false when it was not outstanding.
    bool Finish(HW_STREAM_REQUEST_BLOCK* srb);

    // A cancel routine may run for `srb` only between a true BeginCancel and its EndCancel:
    // never for a request that is not outstanding, nor on a stream that is closing.
    bool BeginCancel(HW_STREAM_REQUEST_BLOCK* srb);
    void EndCancel(const HW_STREAM_OBJECT* stream);
    // Marks the stream closing and waits for its cancel routines to return.
    void BeginClose(const HW_STREAM_OBJECT* stream);
    void EndClose(const HW_STREAM_OBJECT* stream);
};

void RegisterDevice(DeviceRecord* record, std::initializer_list<DEVICE_OBJECT*> deviceObjects);
void UnregisterDevice(DeviceRecord* record);
DeviceRecord* FindDeviceByExtension(PVOID extension);
DeviceRecord* FindDeviceByObject(DEVICE_OBJECT* deviceObject);

void RegisterStream(HW_STREAM_OBJECT* stream, DeviceRecord* record);
void UnregisterStream(HW_STREAM_OBJECT* stream);
DeviceRecord* FindDeviceByStream(HW_STREAM_OBJECT* stream);

HANDLE RegisterClock(MasterClock* clock);
void UnregisterClock(HANDLE handle);
// Runs `read` on the clock while it cannot go away; false for an unknown handle.
bool WithClock(HANDLE handle, const std::function<void(const MasterClock&)>& read);

NTSTATUS RegisterAdapter(PVOID argument1, HW_INITIALIZATION_DATA* data);

}  // namespace zv::ks
