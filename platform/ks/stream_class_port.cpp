// The port's side of loading a minidriver, starting its device and passing its requests.
#include "platform/ks/stream_class_port.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstring>

#include "platform/ks/port_checks.h"
#include "platform/ks/stream_class_registry.h"

namespace zv::ks {
namespace {

constexpr ULONG kRequestTimeoutSeconds = 15;

// Pool blocks the port hands to a minidriver start out zeroed.
PVOID AllocateZeroed(SIZE_T bytes)
{
    PVOID block = ExAllocatePoolWithTag(NonPagedPool, bytes, kPortPoolTag);
    if (block != nullptr) {
        std::memset(block, 0, bytes);
    }
    return block;
}

std::string StatusText(NTSTATUS status)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(status));
    return text;
}

// Room for a caller's bytes at the alignment the structures need.
std::vector<std::uint64_t> AlignedCopy(const void* bytes, ULONG size)
{
    std::vector<std::uint64_t> copy((size + 7) / 8 + 1, 0);
    std::memcpy(copy.data(), bytes, size);
    return copy;
}

}  // namespace

// ---- driver ----

std::unique_ptr<KernelDriver> KernelDriver::Load(const std::string& path, std::string* error)
{
    void* image = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (image == nullptr) {
        *error = dlerror();
        return nullptr;
    }
    auto entry = reinterpret_cast<DRIVER_INITIALIZE>(dlsym(image, "DriverEntry"));
    if (entry == nullptr) {
        *error = path + ": no DriverEntry";
        dlclose(image);
        return nullptr;
    }
    std::unique_ptr<KernelDriver> driver(new KernelDriver);
    driver->m_image = image;
    return Enter(std::move(driver), entry, error);
}

std::unique_ptr<KernelDriver> KernelDriver::FromEntry(DRIVER_INITIALIZE entry, std::string* error)
{
    return Enter(std::unique_ptr<KernelDriver>(new KernelDriver), entry, error);
}

std::unique_ptr<KernelDriver> KernelDriver::Enter(std::unique_ptr<KernelDriver> driver, DRIVER_INITIALIZE entry,
                                                  std::string* error)
{
    driver->m_driverObject.DriverExtension = driver.get();
    wchar_t path[] = L"\\Registry\\Machine\\System\\CurrentControlSet\\Services\\zelvante";
    UNICODE_STRING registryPath{static_cast<USHORT>((sizeof path) - sizeof(wchar_t)), sizeof path, path};
    NTSTATUS status = entry(&driver->m_driverObject, &registryPath);
    if (!NT_SUCCESS(status)) {
        *error = "DriverEntry failed with status " + StatusText(status);
        return nullptr;
    }
    if (!driver->m_registered) {
        *error = "DriverEntry did not register with the stream-class port";
        return nullptr;
    }
    return driver;
}

KernelDriver::~KernelDriver()
{
    if (m_image != nullptr) {
        dlclose(m_image);
    }
}

NTSTATUS RegisterAdapter(PVOID argument1, HW_INITIALIZATION_DATA* data)
{
    auto* driverObject = static_cast<DRIVER_OBJECT*>(argument1);
    if (driverObject == nullptr || driverObject->DriverExtension == nullptr || data == nullptr) {
        return STATUS_INVALID_PARAMETER;
    }
    if (data->HwInitializationDataSize != HW_INITIALIZATION_DATA_REVISION_SIZE) {
        return STATUS_REVISION_MISMATCH;
    }
    if (data->HwReceivePacket == nullptr) {
        return STATUS_INVALID_PARAMETER;
    }
    auto* driver = static_cast<KernelDriver*>(driverObject->DriverExtension);
    driver->m_registration = *data;
    driver->m_registered = true;
    // The port serves create, close, device control, PnP and power itself (through the device
    // host); read and write stay the minidriver's own.
    return STATUS_SUCCESS;
}

// ---- requests ----

PortRequest::PortRequest(ULONG requestExtensionSize) : m_extensionSize(requestExtensionSize)
{
    m_block = static_cast<OwnedBlock*>(AllocateZeroed(sizeof(OwnedBlock)));
    if (m_block == nullptr) {
        throw std::bad_alloc();
    }
    if (requestExtensionSize != 0) {
        m_block->srb.SRBExtension = AllocateZeroed(requestExtensionSize);
        if (m_block->srb.SRBExtension == nullptr) {
            ExFreePool(m_block);
            throw std::bad_alloc();
        }
    }
    Prepare();
}

// The fields a fresh block starts with, over a zeroed block.
void PortRequest::Prepare()
{
    m_block->owner = this;
    m_block->srb.Irp = &m_block->irp;
    m_block->srb.SizeOfThisPacket = sizeof(HW_STREAM_REQUEST_BLOCK);
    m_block->srb.TimeoutCounter = m_block->srb.TimeoutOriginal = kRequestTimeoutSeconds;
}

void PortRequest::Reset()
{
    Wait();
    PVOID extension = m_block->srb.SRBExtension;
    std::memset(m_block, 0, sizeof *m_block);
    if (extension != nullptr) {
        std::memset(extension, 0, m_extensionSize);
        m_block->srb.SRBExtension = extension;
    }
    Prepare();
    std::lock_guard lock(m_mutex);
    m_complete = false;
}

PortRequest::~PortRequest()
{
    // The minidriver may still hold the block.
    Wait();
    if (m_block->srb.SRBExtension != nullptr) {
        ExFreePool(m_block->srb.SRBExtension);
    }
    ExFreePool(m_block);
}

PortRequest* PortRequest::FromBlock(HW_STREAM_REQUEST_BLOCK* srb) { return reinterpret_cast<OwnedBlock*>(srb)->owner; }

void PortRequest::Wait()
{
    std::unique_lock lock(m_mutex);
    m_done.wait(lock, [&] { return m_complete; });
}

bool PortRequest::IsComplete() const
{
    std::lock_guard lock(m_mutex);
    return m_complete;
}

NTSTATUS PortRequest::Status() const
{
    std::lock_guard lock(m_mutex);
    return m_block->srb.Status;
}

ULONG PortRequest::BytesTransferred() const
{
    std::lock_guard lock(m_mutex);
    return m_block->srb.ActualBytesTransferred;
}

void PortRequest::SetCompletionCallback(std::function<void(PortRequest&)> callback)
{
    m_onComplete = std::move(callback);
}

void PortRequest::Complete()
{
    if (m_onComplete) {
        m_onComplete(*this);
    }
    std::lock_guard lock(m_mutex);
    m_complete = true;
    m_done.notify_all();
}

// ---- device ----

StreamClassDevice::StreamClassDevice(KernelDriver& driver, TimeSource& time)
    : m_driver(driver), m_time(time), m_record(std::make_unique<DeviceRecord>())
{
}

std::unique_ptr<StreamClassDevice> StreamClassDevice::Start(KernelDriver& driver, TimeSource& time, NTSTATUS* status,
                                                            const DeviceStartOptions& options)
{
    const HW_INITIALIZATION_DATA& registration = driver.Registration();
    std::unique_ptr<StreamClassDevice> device(new StreamClassDevice(driver, time));
    DeviceRecord& record = *device->m_record;
    record.registration = &registration;
    record.time = &time;
    record.extension = AllocateZeroed(registration.DeviceExtensionSize == 0 ? 1 : registration.DeviceExtensionSize);
    if (record.extension == nullptr) {
        *status = STATUS_INSUFFICIENT_RESOURCES;
        return nullptr;
    }
    device->m_classDevice.DriverObject = driver.DriverObject();
    device->m_classDevice.DeviceExtension = record.extension;
    device->m_classDevice.Flags = DO_DIRECT_IO;
    RegisterDevice(&record, {&device->m_classDevice, &device->m_physicalDevice});

    std::vector<ACCESS_RANGE> ranges = options.accessRanges;
    PORT_CONFIGURATION_INFORMATION config{};
    config.SizeOfThisPacket = sizeof config;
    config.HwDeviceExtension = record.extension;
    config.ClassDeviceObject = &device->m_classDevice;
    config.PhysicalDeviceObject = &device->m_physicalDevice;
    config.RealPhysicalDeviceObject = &device->m_physicalDevice;
    config.NumberOfAccessRanges = static_cast<ULONG>(ranges.size());
    config.AccessRanges = ranges.empty() ? nullptr : ranges.data();
    *status = device->DeviceRequest(SRB_INITIALIZE_DEVICE,
                                    [&](HW_STREAM_REQUEST_BLOCK& srb) { srb.CommandData.ConfigInfo = &config; });
    if (!NT_SUCCESS(*status)) {
        return nullptr;
    }
    device->m_initialized = true;

    const ULONG size = config.StreamDescriptorSize;
    if (size < sizeof(HW_STREAM_HEADER)) {
        *status = STATUS_INVALID_DEVICE_STATE;
        return nullptr;
    }
    auto* buffer = static_cast<unsigned char*>(AllocateZeroed(size));
    if (buffer == nullptr) {
        *status = STATUS_INSUFFICIENT_RESOURCES;
        return nullptr;
    }
    *status = device->DeviceRequest(SRB_GET_STREAM_INFO, [&](HW_STREAM_REQUEST_BLOCK& srb) {
        srb.CommandData.StreamBuffer = reinterpret_cast<HW_STREAM_DESCRIPTOR*>(buffer);
        srb.NumberOfBytesToTransfer = size;
    });
    device->m_descriptor.assign(buffer, buffer + size);
    ExFreePool(buffer);
    if (!NT_SUCCESS(*status)) {
        return nullptr;
    }
    const HW_STREAM_HEADER& header = device->StreamHeader();
    if (header.SizeOfHwStreamInformation != sizeof(HW_STREAM_INFORMATION) ||
        sizeof(HW_STREAM_HEADER) + std::size_t{header.NumberOfStreams} * sizeof(HW_STREAM_INFORMATION) > size) {
        ReportPortViolation("stream descriptor does not fit its stated size");
        *status = STATUS_INVALID_DEVICE_STATE;
        return nullptr;
    }
    *status = device->DeviceRequest(SRB_INITIALIZATION_COMPLETE, [](HW_STREAM_REQUEST_BLOCK&) {});
    if (!NT_SUCCESS(*status)) {
        return nullptr;
    }
    return device;
}

StreamClassDevice::~StreamClassDevice()
{
    if (m_initialized) {
        DeviceRequest(SRB_UNINITIALIZE_DEVICE, [](HW_STREAM_REQUEST_BLOCK&) {});
    }
    {
        std::lock_guard lock(m_record->mutex);
        if (!m_record->outstanding.empty()) {
            ReportPortViolation("device removed with requests outstanding");
        }
    }
    UnregisterDevice(m_record.get());
    if (m_record->extension != nullptr) {
        ExFreePool(m_record->extension);
    }
}

PVOID StreamClassDevice::HwDeviceExtension() const { return m_record->extension; }
DEVICE_OBJECT* StreamClassDevice::ClassDeviceObject() { return &m_classDevice; }
DEVICE_OBJECT* StreamClassDevice::PhysicalDeviceObject() { return &m_physicalDevice; }

const HW_STREAM_HEADER& StreamClassDevice::StreamHeader() const
{
    return *reinterpret_cast<const HW_STREAM_HEADER*>(m_descriptor.data());
}

const HW_STREAM_INFORMATION& StreamClassDevice::StreamInformation(ULONG stream) const
{
    return reinterpret_cast<const HW_STREAM_INFORMATION*>(m_descriptor.data() + sizeof(HW_STREAM_HEADER))[stream];
}

const std::vector<unsigned char>& StreamClassDevice::StreamDescriptor() const { return m_descriptor; }

const std::optional<FilterRegistration>& StreamClassDevice::Filter() const { return m_record->filter; }

void StreamClassDevice::SetCompletionObserver(std::function<void(const HW_STREAM_REQUEST_BLOCK&)> observer)
{
    std::lock_guard lock(m_record->mutex);
    m_record->observer = std::move(observer);
}

NTSTATUS StreamClassDevice::DeviceRequest(SRB_COMMAND command,
                                          const std::function<void(HW_STREAM_REQUEST_BLOCK&)>& fill,
                                          ULONG* bytesTransferred)
{
    PortRequest request(m_driver.Registration().PerRequestExtensionSize);
    HW_STREAM_REQUEST_BLOCK& srb = request.Block();
    srb.Command = command;
    srb.Status = STATUS_PENDING;
    srb.HwDeviceExtension = m_record->extension;
    fill(srb);
    m_record->Track(&srb);
    m_driver.Registration().HwReceivePacket(&srb);
    request.Wait();
    if (bytesTransferred != nullptr) {
        *bytesTransferred = srb.ActualBytesTransferred;
    }
    return srb.Status;
}

NTSTATUS StreamClassDevice::PropertyRequest(
    SRB_COMMAND command, const KSPROPERTY_SET* sets, ULONG setCount,
    const std::function<NTSTATUS(SRB_COMMAND, STREAM_PROPERTY_DESCRIPTOR&, ULONG*)>& send, const void* property,
    ULONG propertySize, void* data, ULONG dataSize, ULONG* bytesReturned)
{
    *bytesReturned = 0;
    if (property == nullptr || propertySize < sizeof(KSPROPERTY) || (data == nullptr && dataSize != 0)) {
        return STATUS_INVALID_PARAMETER;
    }
    std::vector<std::uint64_t> input = AlignedCopy(property, propertySize);
    auto* header = reinterpret_cast<KSPROPERTY*>(input.data());
    const bool isSet = command == SRB_SET_DEVICE_PROPERTY || command == SRB_SET_STREAM_PROPERTY;
    for (ULONG index = 0; index < setCount; ++index) {
        if (!(*sets[index].Set == header->Set)) {
            continue;
        }
        for (ULONG i = 0; i < sets[index].PropertiesCount; ++i) {
            const KSPROPERTY_ITEM& item = sets[index].PropertyItem[i];
            if (item.PropertyId != header->Id) {
                continue;
            }
            if (!(isSet ? item.SetSupported : item.GetSupported)) {
                return STATUS_NOT_FOUND;
            }
            if (propertySize < item.MinProperty) {
                return STATUS_INVALID_PARAMETER;
            }
            if (dataSize < item.MinData) {
                return STATUS_BUFFER_TOO_SMALL;
            }
            header->Flags = isSet ? KSPROPERTY_TYPE_SET : KSPROPERTY_TYPE_GET;
            STREAM_PROPERTY_DESCRIPTOR descriptor{header, index, data, propertySize, dataSize};
            return send(command, descriptor, bytesReturned);
        }
        return STATUS_NOT_FOUND;
    }
    return STATUS_NOT_FOUND;
}

NTSTATUS StreamClassDevice::GetProperty(const void* property, ULONG propertySize, void* data, ULONG dataSize,
                                        ULONG* bytesReturned)
{
    const HW_STREAM_HEADER& header = StreamHeader();
    return PropertyRequest(
        SRB_GET_DEVICE_PROPERTY, header.DevicePropertiesArray, header.NumDevPropArrayEntries,
        [this](SRB_COMMAND command, STREAM_PROPERTY_DESCRIPTOR& descriptor, ULONG* bytes) {
            return DeviceRequest(
                command, [&](HW_STREAM_REQUEST_BLOCK& srb) { srb.CommandData.PropertyInfo = &descriptor; }, bytes);
        },
        property, propertySize, data, dataSize, bytesReturned);
}

NTSTATUS StreamClassDevice::SetProperty(const void* property, ULONG propertySize, void* data, ULONG dataSize,
                                        ULONG* bytesReturned)
{
    const HW_STREAM_HEADER& header = StreamHeader();
    return PropertyRequest(
        SRB_SET_DEVICE_PROPERTY, header.DevicePropertiesArray, header.NumDevPropArrayEntries,
        [this](SRB_COMMAND command, STREAM_PROPERTY_DESCRIPTOR& descriptor, ULONG* bytes) {
            return DeviceRequest(
                command, [&](HW_STREAM_REQUEST_BLOCK& srb) { srb.CommandData.PropertyInfo = &descriptor; }, bytes);
        },
        property, propertySize, data, dataSize, bytesReturned);
}

NTSTATUS StreamClassDevice::IntersectDataRange(ULONG stream, const void* range, ULONG rangeSize, void* buffer,
                                               ULONG bufferSize, ULONG* bytesReturned)
{
    *bytesReturned = 0;
    if (stream >= StreamHeader().NumberOfStreams || range == nullptr || rangeSize < sizeof(KSDATARANGE) ||
        (buffer == nullptr && bufferSize != 0)) {
        return STATUS_INVALID_PARAMETER;
    }
    ULONG formatSize;
    std::memcpy(&formatSize, range, sizeof formatSize);
    if (formatSize < sizeof(KSDATARANGE) || formatSize > rangeSize) {
        return STATUS_INVALID_PARAMETER;
    }
    std::vector<std::uint64_t> copy = AlignedCopy(range, formatSize);
    STREAM_DATA_INTERSECT_INFO info{stream, reinterpret_cast<KSDATARANGE*>(copy.data()), buffer, bufferSize};
    return DeviceRequest(
        SRB_GET_DATA_INTERSECTION, [&](HW_STREAM_REQUEST_BLOCK& srb) { srb.CommandData.IntersectInfo = &info; },
        bytesReturned);
}

NTSTATUS StreamClassDevice::ChangePowerState(DEVICE_POWER_STATE state)
{
    return DeviceRequest(SRB_CHANGE_POWER_STATE,
                         [&](HW_STREAM_REQUEST_BLOCK& srb) { srb.CommandData.DeviceState = state; });
}

NTSTATUS StreamClassDevice::Read(void* buffer, ULONG length, ULONG_PTR* information)
{
    return TransferRequest(IRP_MJ_READ, buffer, length, information);
}

NTSTATUS StreamClassDevice::Write(const void* buffer, ULONG length, ULONG_PTR* information)
{
    // The minidriver only reads a write's buffer; the descriptor has no const.
    return TransferRequest(IRP_MJ_WRITE, const_cast<void*>(buffer), length, information);
}

NTSTATUS StreamClassDevice::TransferRequest(UCHAR majorFunction, void* buffer, ULONG length, ULONG_PTR* information)
{
    *information = 0;
    DRIVER_DISPATCH dispatch = m_driver.DriverObject()->MajorFunction[majorFunction];
    if (dispatch == nullptr) {
        return STATUS_INVALID_DEVICE_REQUEST;
    }
    if (buffer == nullptr && length != 0) {
        return STATUS_INVALID_PARAMETER;
    }
    struct Completion {
        std::mutex mutex;
        std::condition_variable done;
        bool complete = false;
    } completion;
    // Like the platform's: the descriptor starts at the page and is not yet mapped.
    constexpr ULONG_PTR kPageSize = 4096;
    MDL mdl{};
    auto address = reinterpret_cast<ULONG_PTR>(buffer);
    mdl.Size = sizeof mdl;
    mdl.StartVa = reinterpret_cast<PVOID>(address & ~(kPageSize - 1));
    mdl.ByteOffset = static_cast<ULONG>(address & (kPageSize - 1));
    mdl.ByteCount = length;
    IO_STACK_LOCATION stack{};
    stack.MajorFunction = majorFunction;
    stack.DeviceObject = &m_classDevice;
    if (majorFunction == IRP_MJ_READ) {
        stack.Parameters.Read.Length = length;
    } else {
        stack.Parameters.Write.Length = length;
    }
    IRP irp{};
    // A zero-length transfer carries no descriptor; nor does a device without direct I/O.
    irp.MdlAddress = length != 0 && (m_classDevice.Flags & DO_DIRECT_IO) != 0 ? &mdl : nullptr;
    irp.IoStatus.Status = STATUS_PENDING;
    irp.Tail.Overlay.CurrentStackLocation = &stack;
    irp.CompletionContext = &completion;
    irp.CompletionHook = [](IRP*, PVOID context) {
        auto* done = static_cast<Completion*>(context);
        std::lock_guard lock(done->mutex);
        done->complete = true;
        done->done.notify_all();
    };
    NTSTATUS returned = dispatch(&m_classDevice, &irp);
    std::unique_lock lock(completion.mutex);
    if (returned != STATUS_PENDING && !completion.complete) {
        ReportPortViolation("read or write dispatch returned without completing its request");
        return returned;
    }
    completion.done.wait(lock, [&] { return completion.complete; });
    *information = irp.IoStatus.Information;
    return irp.IoStatus.Status;
}

std::unique_ptr<StreamClassStream> StreamClassDevice::OpenStream(ULONG stream, const KSDATAFORMAT* format,
                                                                 NTSTATUS* status)
{
    if (stream >= StreamHeader().NumberOfStreams || format == nullptr || format->FormatSize < sizeof(KSDATAFORMAT)) {
        *status = STATUS_INVALID_PARAMETER;
        return nullptr;
    }
    std::unique_ptr<StreamClassStream> instance(new StreamClassStream(*this, stream));
    std::vector<std::uint64_t> copy = AlignedCopy(format, format->FormatSize);
    *status = DeviceRequest(SRB_OPEN_STREAM, [&](HW_STREAM_REQUEST_BLOCK& srb) {
        srb.StreamObject = instance->m_object;
        srb.CommandData.OpenFormat = reinterpret_cast<KSDATAFORMAT*>(copy.data());
    });
    if (!NT_SUCCESS(*status)) {
        return nullptr;
    }
    instance->m_open = true;
    if (instance->m_object->ReceiveDataPacket == nullptr || instance->m_object->ReceiveControlPacket == nullptr) {
        ReportPortViolation("stream opened without request handlers");
    }
    return instance;
}

// ---- streams ----

StreamClassStream::StreamClassStream(StreamClassDevice& device, ULONG streamNumber) : m_device(device)
{
    const HW_INITIALIZATION_DATA& registration = *device.m_record->registration;
    m_object = static_cast<HW_STREAM_OBJECT*>(AllocateZeroed(sizeof(HW_STREAM_OBJECT)));
    if (m_object == nullptr) {
        throw std::bad_alloc();
    }
    m_object->SizeOfThisPacket = sizeof(HW_STREAM_OBJECT);
    m_object->StreamNumber = streamNumber;
    m_object->HwDeviceExtension = device.m_record->extension;
    if (registration.PerStreamExtensionSize != 0) {
        m_object->HwStreamExtension = AllocateZeroed(registration.PerStreamExtensionSize);
        if (m_object->HwStreamExtension == nullptr) {
            ExFreePool(m_object);
            throw std::bad_alloc();
        }
    }
    RegisterStream(m_object, device.m_record.get());
}

StreamClassStream::~StreamClassStream()
{
    DeviceRecord& record = *m_device.m_record;
    record.BeginClose(m_object);
    m_device.m_time.Retire(m_object);
    if (m_open) {
        m_device.DeviceRequest(SRB_CLOSE_STREAM,
                               [&](HW_STREAM_REQUEST_BLOCK& srb) { srb.StreamObject = m_object; });
    }
    if (record.HasOutstanding(m_object)) {
        ReportPortViolation("stream closed with requests outstanding");
    }
    UnregisterStream(m_object);
    record.EndClose(m_object);
    m_device.m_time.Reinstate(m_object);
    if (m_object->HwStreamExtension != nullptr) {
        ExFreePool(m_object->HwStreamExtension);
    }
    ExFreePool(m_object);
}

NTSTATUS StreamClassStream::ControlRequest(SRB_COMMAND command,
                                           const std::function<void(HW_STREAM_REQUEST_BLOCK&)>& fill,
                                           ULONG* bytesTransferred)
{
    return SendControl(command, fill, [&](const HW_STREAM_REQUEST_BLOCK& srb) {
        if (bytesTransferred != nullptr) {
            *bytesTransferred = srb.ActualBytesTransferred;
        }
    });
}

NTSTATUS StreamClassStream::SendControl(SRB_COMMAND command, const std::function<void(HW_STREAM_REQUEST_BLOCK&)>& fill,
                                        const std::function<void(const HW_STREAM_REQUEST_BLOCK&)>& done)
{
    PortRequest request(m_device.m_record->registration->PerRequestExtensionSize);
    HW_STREAM_REQUEST_BLOCK& srb = request.Block();
    srb.Command = command;
    srb.Status = STATUS_PENDING;
    srb.StreamObject = m_object;
    srb.HwDeviceExtension = m_device.m_record->extension;
    fill(srb);
    m_device.m_record->Track(&srb);
    m_object->ReceiveControlPacket(&srb);
    request.Wait();
    done(srb);
    return srb.Status;
}

NTSTATUS StreamClassStream::SetState(KSSTATE state)
{
    return ControlRequest(SRB_SET_STREAM_STATE,
                          [&](HW_STREAM_REQUEST_BLOCK& srb) { srb.CommandData.StreamState = state; });
}

NTSTATUS StreamClassStream::GetState(KSSTATE* state)
{
    return SendControl(
        SRB_GET_STREAM_STATE, [](HW_STREAM_REQUEST_BLOCK&) {},
        [&](const HW_STREAM_REQUEST_BLOCK& srb) { *state = srb.CommandData.StreamState; });
}

NTSTATUS StreamClassStream::DataFormatRequest(SRB_COMMAND command, const KSDATAFORMAT* format)
{
    if (format == nullptr || format->FormatSize < sizeof(KSDATAFORMAT)) {
        return STATUS_INVALID_PARAMETER;
    }
    std::vector<std::uint64_t> copy = AlignedCopy(format, format->FormatSize);
    return ControlRequest(command, [&](HW_STREAM_REQUEST_BLOCK& srb) {
        srb.CommandData.OpenFormat = reinterpret_cast<KSDATAFORMAT*>(copy.data());
    });
}

NTSTATUS StreamClassStream::IndicateMasterClock(HANDLE clock)
{
    return ControlRequest(SRB_INDICATE_MASTER_CLOCK,
                          [&](HW_STREAM_REQUEST_BLOCK& srb) { srb.CommandData.MasterClockHandle = clock; });
}

NTSTATUS StreamClassStream::GetProperty(const void* property, ULONG propertySize, void* data, ULONG dataSize,
                                        ULONG* bytesReturned)
{
    const HW_STREAM_INFORMATION& info = m_device.StreamInformation(m_object->StreamNumber);
    return m_device.PropertyRequest(
        SRB_GET_STREAM_PROPERTY, info.StreamPropertiesArray, info.NumStreamPropArrayEntries,
        [this](SRB_COMMAND command, STREAM_PROPERTY_DESCRIPTOR& descriptor, ULONG* bytes) {
            return ControlRequest(
                command, [&](HW_STREAM_REQUEST_BLOCK& srb) { srb.CommandData.PropertyInfo = &descriptor; }, bytes);
        },
        property, propertySize, data, dataSize, bytesReturned);
}

std::unique_ptr<PortRequest> StreamClassStream::SubmitData(SRB_COMMAND command, KSSTREAM_HEADER* headers,
                                                           ULONG count, std::function<void(PortRequest&)> onComplete)
{
    auto request = NewDataRequest();
    request->SetCompletionCallback(std::move(onComplete));
    SubmitData(*request, command, headers, count);
    return request;
}

std::unique_ptr<PortRequest> StreamClassStream::NewDataRequest() const
{
    return std::make_unique<PortRequest>(m_device.m_record->registration->PerRequestExtensionSize);
}

void StreamClassStream::SubmitData(PortRequest& request, SRB_COMMAND command, KSSTREAM_HEADER* headers, ULONG count)
{
    HW_STREAM_REQUEST_BLOCK& srb = request.Block();
    srb.Command = command;
    srb.Status = STATUS_PENDING;
    srb.StreamObject = m_object;
    srb.HwDeviceExtension = m_device.m_record->extension;
    srb.CommandData.DataBufferArray = headers;
    srb.NumberOfBuffers = count;
    // The minidriver writes its media-specific part right behind each header.
    const ULONG headerSize = sizeof(KSSTREAM_HEADER) + m_object->StreamHeaderMediaSpecific;
    bool wellFormed = headers != nullptr && count != 0;
    for (ULONG i = 0; wellFormed && i < count; ++i) {
        wellFormed = headers[i].Size >= headerSize;
    }
    if (!wellFormed) {
        srb.Status = STATUS_INVALID_PARAMETER;
        request.Complete();
        return;
    }
    m_device.m_record->Track(&srb);
    m_object->ReceiveDataPacket(&srb);
}

void StreamClassStream::Cancel(PortRequest& request)
{
    DeviceRecord& record = *m_device.m_record;
    if (request.Block().StreamObject != m_object || !record.BeginCancel(&request.Block())) {
        return;
    }
    record.registration->HwCancelPacket(&request.Block());
    record.EndCancel(m_object);
}

// ---- master clock ----

MasterClock::MasterClock(TimeSource& time) : m_time(time), m_handle(RegisterClock(this)) {}

MasterClock::~MasterClock() { UnregisterClock(m_handle); }

void MasterClock::Run()
{
    std::lock_guard lock(m_mutex);
    if (!m_running) {
        m_runStart = m_time.Now() - m_pausedAt;
        m_running = true;
    }
}

void MasterClock::Pause()
{
    std::lock_guard lock(m_mutex);
    if (m_running) {
        m_pausedAt = m_time.Now() - m_runStart;
        m_running = false;
    }
}

LONGLONG MasterClock::StreamTime() const
{
    std::lock_guard lock(m_mutex);
    return m_running ? m_time.Now() - m_runStart : m_pausedAt;
}

}  // namespace zv::ks
