// The stream-class port as a minidriver sees it: request blocks, stream descriptions,
// registration data and the port's routines. In-process structures, not byte-exact.
#pragma once

#include "platform/ks/kernel.h"
#include "platform/ks/ks_formats.h"

enum SRB_COMMAND : int {
    // Stream requests.
    SRB_READ_DATA = 1,
    SRB_WRITE_DATA,
    SRB_GET_STREAM_STATE,
    SRB_SET_STREAM_STATE,
    SRB_SET_STREAM_PROPERTY,
    SRB_GET_STREAM_PROPERTY,
    SRB_OPEN_MASTER_CLOCK,
    SRB_INDICATE_MASTER_CLOCK,
    SRB_UNKNOWN_STREAM_COMMAND,
    SRB_SET_STREAM_RATE,
    SRB_PROPOSE_DATA_FORMAT,
    SRB_CLOSE_MASTER_CLOCK,
    SRB_PROPOSE_STREAM_RATE,
    SRB_SET_DATA_FORMAT,
    SRB_GET_STREAM_RATE,
    SRB_BEGIN_FLUSH,
    SRB_END_FLUSH,
    // Device requests.
    SRB_GET_STREAM_INFO = 0x100,
    SRB_OPEN_STREAM,
    SRB_CLOSE_STREAM,
    SRB_OPEN_DEVICE_INSTANCE,
    SRB_CLOSE_DEVICE_INSTANCE,
    SRB_GET_DEVICE_PROPERTY,
    SRB_SET_DEVICE_PROPERTY,
    SRB_INITIALIZE_DEVICE,
    SRB_CHANGE_POWER_STATE,
    SRB_UNINITIALIZE_DEVICE,
    SRB_UNKNOWN_DEVICE_COMMAND,
    SRB_PAGING_OUT_DRIVER,
    SRB_GET_DATA_INTERSECTION,
    SRB_INITIALIZATION_COMPLETE,
    SRB_SURPRISE_REMOVAL,
};

enum KSSTATE : int { KSSTATE_STOP = 0, KSSTATE_ACQUIRE = 1, KSSTATE_PAUSE = 2, KSSTATE_RUN = 3 };

enum DEVICE_POWER_STATE : int {
    PowerDeviceUnspecified = 0,
    PowerDeviceD0,
    PowerDeviceD1,
    PowerDeviceD2,
    PowerDeviceD3,
};

struct KSTIME {
    LONGLONG Time;
    ULONG Numerator;
    ULONG Denominator;
};

struct KSSTREAM_HEADER {
    ULONG Size;
    ULONG TypeSpecificFlags;
    KSTIME PresentationTime;
    LONGLONG Duration;
    ULONG FrameExtent;
    ULONG DataUsed;
    PVOID Data;
    ULONG OptionsFlags;
};

constexpr ULONG KSSTREAM_HEADER_OPTIONSF_SPLICEPOINT = 0x00000001;
constexpr ULONG KSSTREAM_HEADER_OPTIONSF_DATADISCONTINUITY = 0x00000004;
constexpr ULONG KSSTREAM_HEADER_OPTIONSF_TIMEVALID = 0x00000010;
constexpr ULONG KSSTREAM_HEADER_OPTIONSF_DURATIONVALID = 0x00000100;

// Property tables. Stream-class minidrivers give flags instead of handlers.
struct KSPROPERTY_ITEM {
    ULONG PropertyId;
    BOOLEAN GetSupported;
    ULONG MinProperty;
    ULONG MinData;
    BOOLEAN SetSupported;
};

struct KSPROPERTY_SET {
    const GUID* Set;
    ULONG PropertiesCount;
    const KSPROPERTY_ITEM* PropertyItem;
};

struct KSEVENT_SET;
struct KSMETHOD_SET;
struct KSTOPOLOGY_CONNECTION;

struct KSTOPOLOGY {
    ULONG CategoriesCount;
    const GUID* Categories;
    ULONG TopologyNodesCount;
    const GUID* TopologyNodes;
    ULONG TopologyConnectionsCount;
    const KSTOPOLOGY_CONNECTION* TopologyConnections;
    const GUID* TopologyNodesNames;
    ULONG Reserved;
};

struct HW_STREAM_REQUEST_BLOCK;
struct HW_STREAM_OBJECT;
struct HW_TIME_CONTEXT;
using PHW_STREAM_REQUEST_BLOCK = HW_STREAM_REQUEST_BLOCK*;

using PHW_RECEIVE_DEVICE_SRB = void (*)(HW_STREAM_REQUEST_BLOCK* srb);
using PHW_RECEIVE_STREAM_DATA_SRB = void (*)(HW_STREAM_REQUEST_BLOCK* srb);
using PHW_RECEIVE_STREAM_CONTROL_SRB = void (*)(HW_STREAM_REQUEST_BLOCK* srb);
using PHW_CANCEL_SRB = void (*)(HW_STREAM_REQUEST_BLOCK* srb);
using PHW_REQUEST_TIMEOUT_HANDLER = void (*)(HW_STREAM_REQUEST_BLOCK* srb);
using PHW_INTERRUPT = BOOLEAN (*)(PVOID deviceExtension);
using PHW_TIMER_ROUTINE = void (*)(PVOID context);
using PHW_CLOCK_FUNCTION = void (*)(HW_TIME_CONTEXT* timeContext);
using PHW_EVENT_ROUTINE = NTSTATUS (*)(PVOID eventDescriptor);

struct HW_STREAM_HEADER {
    ULONG NumberOfStreams;
    ULONG SizeOfHwStreamInformation;
    ULONG NumDevPropArrayEntries;
    const KSPROPERTY_SET* DevicePropertiesArray;
    ULONG NumDevEventArrayEntries;
    const KSEVENT_SET* DeviceEventsArray;
    const KSTOPOLOGY* Topology;
    PHW_EVENT_ROUTINE DeviceEventRoutine;
    LONG NumDevMethodArrayEntries;
    const KSMETHOD_SET* DeviceMethodsArray;
};

struct HW_STREAM_INFORMATION {
    ULONG NumberOfPossibleInstances;
    KSPIN_DATAFLOW DataFlow;
    BOOLEAN DataAccessible;
    ULONG NumberOfFormatArrayEntries;
    const KSDATAFORMAT* const* StreamFormatsArray;
    PVOID ClassReserved[4];
    ULONG NumStreamPropArrayEntries;
    const KSPROPERTY_SET* StreamPropertiesArray;
    ULONG NumStreamEventArrayEntries;
    const KSEVENT_SET* StreamEventsArray;
    const GUID* Category;
    const GUID* Name;
    ULONG MediumsCount;
    const KSPIN_MEDIUM* Mediums;
    BOOLEAN BridgeStream;
    ULONG Reserved[2];
};

// What SRB_GET_STREAM_INFO fills: the header, then one information block per stream.
struct HW_STREAM_DESCRIPTOR {
    HW_STREAM_HEADER StreamHeader;
    HW_STREAM_INFORMATION StreamInfo;
};

struct HW_CLOCK_OBJECT {
    PHW_CLOCK_FUNCTION HwClockFunction;
    ULONG ClockSupportFlags;
};

struct HW_STREAM_OBJECT {
    ULONG SizeOfThisPacket;
    ULONG StreamNumber;
    PVOID HwStreamExtension;
    PHW_RECEIVE_STREAM_DATA_SRB ReceiveDataPacket;
    PHW_RECEIVE_STREAM_CONTROL_SRB ReceiveControlPacket;
    HW_CLOCK_OBJECT HwClockObject;
    BOOLEAN Dma;
    BOOLEAN Pio;
    PVOID HwDeviceExtension;
    ULONG StreamHeaderMediaSpecific;
    ULONG StreamHeaderWorkspace;
    BOOLEAN Allocator;
    PHW_EVENT_ROUTINE HwEventRoutine;
};

enum TIME_FUNCTION : int { TIME_GET_STREAM_TIME = 0, TIME_READ_ONBOARD_CLOCK, TIME_SET_ONBOARD_CLOCK };

struct HW_TIME_CONTEXT {
    PVOID HwDeviceExtension;
    HW_STREAM_OBJECT* HwStreamObject;
    TIME_FUNCTION Function;
    ULONGLONG Time;
    ULONGLONG SystemTime;
};

struct ACCESS_RANGE {
    LONGLONG RangeStart;
    ULONG RangeLength;
    BOOLEAN RangeInMemory;
};

struct PORT_CONFIGURATION_INFORMATION {
    ULONG SizeOfThisPacket;
    PVOID HwDeviceExtension;
    DEVICE_OBJECT* ClassDeviceObject;
    DEVICE_OBJECT* PhysicalDeviceObject;
    ULONG NumberOfAccessRanges;
    ACCESS_RANGE* AccessRanges;
    ULONG StreamDescriptorSize;
    IRP* Irp;
    DEVICE_OBJECT* RealPhysicalDeviceObject;
};

struct STREAM_PROPERTY_DESCRIPTOR {
    KSPROPERTY* Property;
    ULONG PropertySetID;
    PVOID PropertyInfo;
    ULONG PropertyInputSize;
    ULONG PropertyOutputSize;
};

struct STREAM_DATA_INTERSECT_INFO {
    ULONG StreamNumber;
    KSDATARANGE* DataRange;
    PVOID DataFormatBuffer;
    ULONG SizeOfDataFormatBuffer;
};

struct HW_STREAM_REQUEST_BLOCK {
    ULONG SizeOfThisPacket;
    SRB_COMMAND Command;
    NTSTATUS Status;
    HW_STREAM_OBJECT* StreamObject;
    PVOID HwDeviceExtension;
    PVOID SRBExtension;
    union {
        HW_STREAM_DESCRIPTOR* StreamBuffer;
        KSSTATE StreamState;
        STREAM_PROPERTY_DESCRIPTOR* PropertyInfo;
        KSDATAFORMAT* OpenFormat;
        PORT_CONFIGURATION_INFORMATION* ConfigInfo;
        HANDLE MasterClockHandle;
        DEVICE_POWER_STATE DeviceState;
        STREAM_DATA_INTERSECT_INFO* IntersectInfo;
        KSSTREAM_HEADER* DataBufferArray;
    } CommandData;
    ULONG NumberOfBuffers;
    ULONG TimeoutCounter;
    ULONG TimeoutOriginal;
    IRP* Irp;
    ULONG Flags;
    PVOID HwInstanceExtension;
    union {
        ULONG NumberOfBytesToTransfer;
        ULONG ActualBytesTransferred;
    };
};

struct HW_INITIALIZATION_DATA {
    ULONG HwInitializationDataSize;
    PHW_INTERRUPT HwInterrupt;
    PHW_RECEIVE_DEVICE_SRB HwReceivePacket;
    PHW_CANCEL_SRB HwCancelPacket;
    PHW_REQUEST_TIMEOUT_HANDLER HwRequestTimeoutHandler;
    ULONG DeviceExtensionSize;
    ULONG PerRequestExtensionSize;
    ULONG PerStreamExtensionSize;
    ULONG FilterInstanceExtensionSize;
    BOOLEAN BusMasterDMA;
    BOOLEAN Dma24BitAddresses;
    ULONG BufferAlignment;
    BOOLEAN TurnOffSynchronization;
    ULONG DmaBufferSize;
};

// The registration size of this revision, as the platform's 32-bit structure measures it.
constexpr ULONG HW_INITIALIZATION_DATA_REVISION_SIZE = 60;

enum STREAM_MINIDRIVER_DEVICE_NOTIFICATION_TYPE : int {
    ReadyForNextDeviceRequest = 1,
    DeviceRequestComplete,
    SignalMultipleDeviceEvents,
    SignalDeviceEvent,
    DeleteDeviceEvent,
};

enum STREAM_MINIDRIVER_STREAM_NOTIFICATION_TYPE : int {
    ReadyForNextStreamDataRequest = 1,
    ReadyForNextStreamControlRequest,
    HardwareStarved,
    StreamRequestComplete,
};

// The port's routines, provided by the loading process.
extern "C" {
NTSTATUS StreamClassRegisterAdapter(PVOID argument1, PVOID argument2, HW_INITIALIZATION_DATA* hwInitializationData);
void StreamClassDeviceNotification(STREAM_MINIDRIVER_DEVICE_NOTIFICATION_TYPE notificationType,
                                   PVOID hwDeviceExtension, ...);
void StreamClassStreamNotification(STREAM_MINIDRIVER_STREAM_NOTIFICATION_TYPE notificationType,
                                   HW_STREAM_OBJECT* streamObject, ...);
void StreamClassScheduleTimer(HW_STREAM_OBJECT* streamObject, PVOID hwDeviceExtension, ULONG numberOfMicroSeconds,
                              PHW_TIMER_ROUTINE timerRoutine, PVOID context);
void StreamClassQueryMasterClockSync(HANDLE masterClockHandle, HW_TIME_CONTEXT* timeContext);
NTSTATUS StreamClassRegisterFilterWithNoKSPins(DEVICE_OBJECT* deviceObject, const GUID* interfaceClassGuid,
                                               ULONG pinCount, BOOL* pinDirection, KSPIN_MEDIUM* mediumList,
                                               GUID* categoryList);
}
