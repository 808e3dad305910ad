// The stream-class port as the loading process drives it: load a minidriver image, start a
// device in the platform's order, send it device requests, open streams and pass their
// requests, and give them a master clock. The device host serves clients with it; tests run
// drivers through it in-process.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/ks/stream_class.h"
#include "platform/ks/time_source.h"

namespace zv::ks {

// Pool tag of what the port allocates for a minidriver (extensions, request blocks).
constexpr ULONG kPortPoolTag = MakePoolTag('Z', 'v', 'S', 'C');

// A minidriver whose DriverEntry has run.
class KernelDriver {
public:
    // Loads a driver image (a shared object exporting DriverEntry) and calls its entry.
    static std::unique_ptr<KernelDriver> Load(const std::string& path, std::string* error);
    // Runs an entry linked into this process.
    static std::unique_ptr<KernelDriver> FromEntry(DRIVER_INITIALIZE entry, std::string* error);
    ~KernelDriver();
    KernelDriver(const KernelDriver&) = delete;
    KernelDriver& operator=(const KernelDriver&) = delete;

    DRIVER_OBJECT* DriverObject() { return &m_driverObject; }
    const HW_INITIALIZATION_DATA& Registration() const { return m_registration; }

private:
    friend NTSTATUS RegisterAdapter(PVOID, HW_INITIALIZATION_DATA*);
    KernelDriver() = default;
    static std::unique_ptr<KernelDriver> Enter(std::unique_ptr<KernelDriver> driver, DRIVER_INITIALIZE entry,
                                               std::string* error);

    void* m_image = nullptr;
    DRIVER_OBJECT m_driverObject{};
    HW_INITIALIZATION_DATA m_registration{};
    bool m_registered = false;
};

// What StreamClassRegisterFilterWithNoKSPins recorded.
struct FilterRegistration {
    GUID interfaceClass;
    std::vector<BOOL> pinDirections;
    std::vector<KSPIN_MEDIUM> mediums;
    std::vector<GUID> categories;
};

struct DeviceStartOptions {
    std::vector<ACCESS_RANGE> accessRanges;
};

// A request handed to a minidriver; completes when the minidriver says so.
class PortRequest {
public:
    explicit PortRequest(ULONG requestExtensionSize);
    ~PortRequest();
    PortRequest(const PortRequest&) = delete;
    PortRequest& operator=(const PortRequest&) = delete;

    HW_STREAM_REQUEST_BLOCK& Block() { return m_block->srb; }
    void Wait();
    // Waits for completion, then makes the block as fresh as a new request's (zeroed, its
    // extension too), keeping its pool memory and the completion callback: a stream that
    // passes one request after another needs no pool allocation for each.
    void Reset();
    bool IsComplete() const;
    NTSTATUS Status() const;
    ULONG BytesTransferred() const;

    // Called once when the request completes, on the completing thread, before the request
    // counts as complete (so the request and its buffers are still alive). It must not call
    // into the minidriver nor wait for anything that does.
    void SetCompletionCallback(std::function<void(PortRequest&)> callback);

    // The port's completion: runs the callback, marks the request done and wakes its waiter.
    static PortRequest* FromBlock(HW_STREAM_REQUEST_BLOCK* srb);
    void Complete();

private:
    struct OwnedBlock {
        HW_STREAM_REQUEST_BLOCK srb;
        PortRequest* owner;
        IRP irp;
    };
    void Prepare();

    OwnedBlock* m_block;
    ULONG m_extensionSize;
    mutable std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_complete = false;
    std::function<void(PortRequest&)> m_onComplete;
};

class StreamClassStream;
struct DeviceRecord;

class StreamClassDevice {
public:
    // Creates the device and starts it: SRB_INITIALIZE_DEVICE, SRB_GET_STREAM_INFO,
    // SRB_INITIALIZATION_COMPLETE, one after the other with nothing else in flight. Returns null
    // with the failing status when the device does not start.
    static std::unique_ptr<StreamClassDevice> Start(KernelDriver& driver, TimeSource& time, NTSTATUS* status,
                                                    const DeviceStartOptions& options = {});
    // Sends SRB_UNINITIALIZE_DEVICE and frees the device. Streams must be closed first.
    ~StreamClassDevice();
    StreamClassDevice(const StreamClassDevice&) = delete;
    StreamClassDevice& operator=(const StreamClassDevice&) = delete;

    PVOID HwDeviceExtension() const;
    DEVICE_OBJECT* ClassDeviceObject();
    DEVICE_OBJECT* PhysicalDeviceObject();
    const HW_STREAM_HEADER& StreamHeader() const;
    const HW_STREAM_INFORMATION& StreamInformation(ULONG stream) const;
    // The stream descriptor exactly as the minidriver wrote it.
    const std::vector<unsigned char>& StreamDescriptor() const;
    const std::optional<FilterRegistration>& Filter() const;

    // Sends one device request as it stands, without the port's checks, and waits for it.
    NTSTATUS DeviceRequest(SRB_COMMAND command, const std::function<void(HW_STREAM_REQUEST_BLOCK&)>& fill,
                           ULONG* bytesTransferred = nullptr);

    // Property requests on the device's property sets; the port refuses unknown sets and ids
    // (STATUS_NOT_FOUND) and buffers below the minimum sizes (STATUS_INVALID_PARAMETER for the
    // property, STATUS_BUFFER_TOO_SMALL for the data) before the minidriver sees them.
    NTSTATUS GetProperty(const void* property, ULONG propertySize, void* data, ULONG dataSize, ULONG* bytesReturned);
    NTSTATUS SetProperty(const void* property, ULONG propertySize, void* data, ULONG dataSize, ULONG* bytesReturned);

    // Asks the minidriver for a format within `range` (FormatSize bytes, at most rangeSize).
    NTSTATUS IntersectDataRange(ULONG stream, const void* range, ULONG rangeSize, void* buffer, ULONG bufferSize,
                                ULONG* bytesReturned);
    NTSTATUS ChangePowerState(DEVICE_POWER_STATE state);

    // IRP_MJ_READ and IRP_MJ_WRITE, to the minidriver's own dispatch routines, with direct I/O:
    // the caller's buffer travels as a memory descriptor list. Waits for the completion and
    // returns the request's status; `information` receives what the request reports.
    NTSTATUS Read(void* buffer, ULONG length, ULONG_PTR* information);
    NTSTATUS Write(const void* buffer, ULONG length, ULONG_PTR* information);

    // Opens an instance of a stream with a format of format->FormatSize bytes.
    std::unique_ptr<StreamClassStream> OpenStream(ULONG stream, const KSDATAFORMAT* format, NTSTATUS* status);

    // Called inside the port's completion of each request, before its waiter wakes. For tests:
    // it must not call into the minidriver.
    void SetCompletionObserver(std::function<void(const HW_STREAM_REQUEST_BLOCK&)> observer);

    DeviceRecord& Record() { return *m_record; }
    TimeSource& Time() { return m_time; }

private:
    StreamClassDevice(KernelDriver& driver, TimeSource& time);
    NTSTATUS TransferRequest(UCHAR majorFunction, void* buffer, ULONG length, ULONG_PTR* information);
    NTSTATUS PropertyRequest(SRB_COMMAND command, const KSPROPERTY_SET* sets, ULONG setCount,
                             const std::function<NTSTATUS(SRB_COMMAND, STREAM_PROPERTY_DESCRIPTOR&, ULONG*)>& send,
                             const void* property, ULONG propertySize, void* data, ULONG dataSize,
                             ULONG* bytesReturned);
    friend class StreamClassStream;

    KernelDriver& m_driver;
    TimeSource& m_time;
    std::unique_ptr<DeviceRecord> m_record;
    DEVICE_OBJECT m_classDevice{};
    DEVICE_OBJECT m_physicalDevice{};
    std::vector<unsigned char> m_descriptor;
    bool m_initialized = false;
};

// One open instance of a stream.
class StreamClassStream {
public:
    // Closes the stream: from here on the port calls neither its cancel routine nor its timer
    // routine (it waits for running ones to return), then sends SRB_CLOSE_STREAM and frees the
    // stream extension.
    ~StreamClassStream();
    StreamClassStream(const StreamClassStream&) = delete;
    StreamClassStream& operator=(const StreamClassStream&) = delete;

    HW_STREAM_OBJECT& StreamObject() { return *m_object; }
    PVOID Extension() const { return m_object->HwStreamExtension; }

    // A control request, sent and waited for.
    NTSTATUS ControlRequest(SRB_COMMAND command, const std::function<void(HW_STREAM_REQUEST_BLOCK&)>& fill,
                            ULONG* bytesTransferred = nullptr);
    NTSTATUS SetState(KSSTATE state);
    NTSTATUS GetState(KSSTATE* state);
    NTSTATUS IndicateMasterClock(HANDLE clock);
    // SRB_PROPOSE_DATA_FORMAT or SRB_SET_DATA_FORMAT with a format of format->FormatSize bytes.
    NTSTATUS DataFormatRequest(SRB_COMMAND command, const KSDATAFORMAT* format);
    NTSTATUS GetProperty(const void* property, ULONG propertySize, void* data, ULONG dataSize, ULONG* bytesReturned);

    // A data request; it completes when the minidriver completes it. Each header must be
    // followed by the stream's media-specific bytes, counted in its Size; a request without
    // headers or with a short one completes at once with STATUS_INVALID_PARAMETER.
    // `onComplete` becomes the request's completion callback (see PortRequest).
    std::unique_ptr<PortRequest> SubmitData(SRB_COMMAND command, KSSTREAM_HEADER* headers, ULONG count,
                                            std::function<void(PortRequest&)> onComplete = {});
    // The same with a request of this stream's port that is new or Reset, and keeps its callback.
    void SubmitData(PortRequest& request, SRB_COMMAND command, KSSTREAM_HEADER* headers, ULONG count);
    // A request sized for this stream's data requests, to pass to SubmitData again and again.
    std::unique_ptr<PortRequest> NewDataRequest() const;
    // Asks the minidriver to cancel a data request it still holds; not once the stream closes.
    void Cancel(PortRequest& request);

private:
    friend class StreamClassDevice;
    StreamClassStream(StreamClassDevice& device, ULONG streamNumber);
    NTSTATUS SendControl(SRB_COMMAND command, const std::function<void(HW_STREAM_REQUEST_BLOCK&)>& fill,
                         const std::function<void(const HW_STREAM_REQUEST_BLOCK&)>& done);

    StreamClassDevice& m_device;
    HW_STREAM_OBJECT* m_object;
    bool m_open = false;
};

// A graph's master clock on the device's time source. Stream time starts at 0, runs while the
// clock runs and stands still while it is paused. Its handle is what SRB_INDICATE_MASTER_CLOCK
// passes and StreamClassQueryMasterClockSync reads.
class MasterClock {
public:
    explicit MasterClock(TimeSource& time);  // paused
    ~MasterClock();
    MasterClock(const MasterClock&) = delete;
    MasterClock& operator=(const MasterClock&) = delete;

    HANDLE Handle() const { return m_handle; }
    void Run();
    void Pause();
    LONGLONG StreamTime() const;
    LONGLONG SystemTime() const { return m_time.Now(); }

private:
    TimeSource& m_time;
    mutable std::mutex m_mutex;
    bool m_running = false;
    LONGLONG m_pausedAt = 0;   // stream time when last paused
    LONGLONG m_runStart = 0;  // system time minus stream time while running
    HANDLE m_handle;
};

}  // namespace zv::ks
