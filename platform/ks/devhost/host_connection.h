// A connection to the host of one device: the device's side channel (ReadFile/WriteFile on its
// path), its stream description and capture pins. Opening starts the host when none runs. When the
// host goes away (killed, or the device removed), every request fails with
// STATUS_DEVICE_NOT_CONNECTED, pending reads complete with that status, and the lost callbacks run
// once; nothing waits for an answer that cannot come.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ks/devhost/frame_buffer.h"
#include "platform/ks/ks_formats.h"
#include "platform/ks/ntstatus.h"
#include "platform/ks/stream_class.h"

namespace zv::devhost {

class CapturePinClient;

class HostConnection : public std::enable_shared_from_this<HostConnection> {
public:
    // Connects to the host of the device at `devicePath` (a path of ListDeviceInterfaces), starting
    // it on demand. Null with a Windows error code: ERROR_FILE_NOT_FOUND for a path no record names,
    // ERROR_DEVICE_NOT_CONNECTED (or ERROR_GEN_FAILURE) when the host cannot be started or reached.
    static std::shared_ptr<HostConnection> Open(const std::string& devicePath, DWORD* error);
    ~HostConnection();

    // IRP_MJ_READ / IRP_MJ_WRITE, synchronous, through a transfer channel of the connection's own
    // (opened with the first). `information` receives the bytes the driver reports.
    NTSTATUS DeviceRead(void* buffer, ULONG length, ULONG_PTR* information);
    NTSTATUS DeviceWrite(const void* buffer, ULONG length, ULONG_PTR* information);

    // The stream's data ranges, each as its FormatSize bytes, and how many pins it allows at once.
    NTSTATUS GetDataRanges(ULONG stream, std::vector<std::vector<unsigned char>>* ranges, ULONG* possibleInstances);
    // The driver's format within `range` (range->FormatSize bytes).
    NTSTATUS Intersect(ULONG stream, const KSDATARANGE* range, std::vector<unsigned char>* format);
    NTSTATUS GetDeviceProperty(const void* property, ULONG propertySize, void* data, ULONG dataSize,
                               ULONG* bytesReturned);

    // Opens a pin of the stream with a format of format->FormatSize bytes; null with the status.
    std::unique_ptr<CapturePinClient> OpenPin(ULONG stream, const KSDATAFORMAT* format, NTSTATUS* status);

    // Registers a buffer with the host (once per connection); false when the host refuses it or is gone.
    bool Register(FrameBuffer& buffer);

    bool IsLost() const;
    // Runs `callback` once the host is gone (at once, on this thread, when it already is). It runs
    // on the connection's receive thread and must not call back into this connection.
    void OnLost(std::function<void()> callback);
    int HostPid() const;

    // Hands a buffer's registration back (the host unmaps it); for buffers freed before the connection.
    void Unregister(FrameBuffer& buffer);

    HostConnection(const HostConnection&) = delete;
    HostConnection& operator=(const HostConnection&) = delete;

private:
    friend class CapturePinClient;
    struct Core;
    explicit HostConnection(std::shared_ptr<Core> core);
    NTSTATUS Transfer(bool write, void* buffer, ULONG length, ULONG_PTR* information);

    std::shared_ptr<Core> m_core;
};

// Read completions of a pin.
struct ReadCompletion {
    std::uint32_t readId = 0;
    NTSTATUS status = STATUS_SUCCESS;
    KSSTREAM_HEADER header{};  // Data is the mapped address of the read's range
    KS_FRAME_INFO frameInfo{};
};

class CapturePinClient {
public:
    // Closes the pin: its pending reads complete (cancelled) before this returns.
    ~CapturePinClient();

    NTSTATUS SetState(KSSTATE state);
    NTSTATUS GetState(KSSTATE* state);
    NTSTATUS DataFormat(bool set, const KSDATAFORMAT* format);  // propose (false) or set (true)
    NTSTATUS GetProperty(const void* property, ULONG propertySize, void* data, ULONG dataSize, ULONG* bytesReturned);
    // The host's master clock for this pin (Attach, Run, Pause, Detach).
    NTSTATUS AttachClock();
    NTSTATUS RunClock();
    NTSTATUS PauseClock();
    NTSTATUS DetachClock();

    // Submits a read of `length` bytes at `offset` of a registered buffer. `done` runs once, on the
    // connection's receive thread, when the read completes, fails or is cancelled (also when the
    // host is lost). Returns the read's id, or 0 when it could not be sent (then `done` does not run).
    std::uint32_t SubmitRead(FrameBuffer& buffer, std::uint64_t offset, ULONG length,
                             std::function<void(const ReadCompletion&)> done);
    NTSTATUS CancelRead(std::uint32_t readId);

    CapturePinClient(const CapturePinClient&) = delete;
    CapturePinClient& operator=(const CapturePinClient&) = delete;

private:
    friend class HostConnection;
    CapturePinClient(std::shared_ptr<HostConnection> connection, std::uint32_t pin);
    NTSTATUS Clock(std::uint32_t op);

    std::shared_ptr<HostConnection> m_connection;  // the pin lives on its connection
    std::uint32_t m_pin;
};

}  // namespace zv::devhost
