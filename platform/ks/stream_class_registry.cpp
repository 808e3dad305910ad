#include "platform/ks/stream_class_registry.h"

#include <map>
#include <vector>

namespace zv::ks {
namespace {

std::mutex g_mutex;
std::map<PVOID, DeviceRecord*> g_byExtension;
std::map<DEVICE_OBJECT*, DeviceRecord*> g_byObject;
std::map<HW_STREAM_OBJECT*, DeviceRecord*> g_byStream;
std::map<HANDLE, MasterClock*> g_clocks;
ULONG_PTR g_nextClock = 1;

template <typename Key>
DeviceRecord* Find(const std::map<Key, DeviceRecord*>& table, Key key)
{
    std::lock_guard lock(g_mutex);
    auto it = table.find(key);
    return it == table.end() ? nullptr : it->second;
}

}  // namespace

void DeviceRecord::Track(HW_STREAM_REQUEST_BLOCK* srb)
{
    std::lock_guard lock(mutex);
    outstanding.insert(srb);
}

bool DeviceRecord::IsOutstanding(HW_STREAM_REQUEST_BLOCK* srb)
{
    std::lock_guard lock(mutex);
    return outstanding.count(srb) != 0;
}

bool DeviceRecord::HasOutstanding(const HW_STREAM_OBJECT* stream)
{
    std::lock_guard lock(mutex);
    for (HW_STREAM_REQUEST_BLOCK* srb : outstanding) {
        if (srb->StreamObject == stream) {
            return true;
        }
    }
    return false;
}

bool DeviceRecord::Finish(HW_STREAM_REQUEST_BLOCK* srb)
{
    std::function<void(const HW_STREAM_REQUEST_BLOCK&)> observe;
    {
        std::lock_guard lock(mutex);
        if (outstanding.erase(srb) == 0) {
            return false;
        }
        observe = observer;
    }
    if (observe) {
        observe(*srb);
    }
    PortRequest::FromBlock(srb)->Complete();
    return true;
}

bool DeviceRecord::BeginCancel(HW_STREAM_REQUEST_BLOCK* srb)
{
    std::lock_guard lock(mutex);
    if (outstanding.count(srb) == 0 || closingStreams.count(srb->StreamObject) != 0) {
        return false;
    }
    cancelling.insert(srb->StreamObject);
    return true;
}

void DeviceRecord::EndCancel(const HW_STREAM_OBJECT* stream)
{
    std::lock_guard lock(mutex);
    cancelling.erase(cancelling.find(stream));
    cancelReturned.notify_all();
}

void DeviceRecord::BeginClose(const HW_STREAM_OBJECT* stream)
{
    std::unique_lock lock(mutex);
    closingStreams.insert(stream);
    cancelReturned.wait(lock, [&] { return cancelling.count(stream) == 0; });
}

void DeviceRecord::EndClose(const HW_STREAM_OBJECT* stream)
{
    std::lock_guard lock(mutex);
    closingStreams.erase(stream);
}

void RegisterDevice(DeviceRecord* record, std::initializer_list<DEVICE_OBJECT*> deviceObjects)
{
    std::lock_guard lock(g_mutex);
    g_byExtension[record->extension] = record;
    for (DEVICE_OBJECT* object : deviceObjects) {
        g_byObject[object] = record;
    }
}

void UnregisterDevice(DeviceRecord* record)
{
    std::lock_guard lock(g_mutex);
    g_byExtension.erase(record->extension);
    std::erase_if(g_byObject, [&](const auto& entry) { return entry.second == record; });
}

DeviceRecord* FindDeviceByExtension(PVOID extension) { return Find(g_byExtension, extension); }
DeviceRecord* FindDeviceByObject(DEVICE_OBJECT* deviceObject) { return Find(g_byObject, deviceObject); }

void RegisterStream(HW_STREAM_OBJECT* stream, DeviceRecord* record)
{
    std::lock_guard lock(g_mutex);
    g_byStream[stream] = record;
}

void UnregisterStream(HW_STREAM_OBJECT* stream)
{
    std::lock_guard lock(g_mutex);
    g_byStream.erase(stream);
}

DeviceRecord* FindDeviceByStream(HW_STREAM_OBJECT* stream) { return Find(g_byStream, stream); }

HANDLE RegisterClock(MasterClock* clock)
{
    std::lock_guard lock(g_mutex);
    // Small numbers: a clock handle travels to clients as 32 bits.
    auto handle = reinterpret_cast<HANDLE>(g_nextClock++);
    g_clocks[handle] = clock;
    return handle;
}

void UnregisterClock(HANDLE handle)
{
    std::lock_guard lock(g_mutex);
    g_clocks.erase(handle);
}

bool WithClock(HANDLE handle, const std::function<void(const MasterClock&)>& read)
{
    std::lock_guard lock(g_mutex);
    auto it = g_clocks.find(handle);
    if (it == g_clocks.end()) {
        return false;
    }
    read(*it->second);
    return true;
}

}  // namespace zv::ks
