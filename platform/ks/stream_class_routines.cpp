// The port's routines that a minidriver calls.
#include <cstdarg>

#include "platform/ks/port_checks.h"
#include "platform/ks/stream_class_registry.h"

using namespace zv::ks;

extern "C" NTSTATUS StreamClassRegisterAdapter(PVOID argument1, PVOID /*argument2*/,
                                               HW_INITIALIZATION_DATA* hwInitializationData)
{
    return RegisterAdapter(argument1, hwInitializationData);
}

extern "C" void StreamClassDeviceNotification(STREAM_MINIDRIVER_DEVICE_NOTIFICATION_TYPE notificationType,
                                              PVOID hwDeviceExtension, ...)
{
    if (notificationType != DeviceRequestComplete) {
        return;  // with synchronisation off, the readiness notices carry nothing
    }
    va_list arguments;
    va_start(arguments, hwDeviceExtension);
    auto* srb = va_arg(arguments, HW_STREAM_REQUEST_BLOCK*);
    va_end(arguments);
    DeviceRecord* record = FindDeviceByExtension(hwDeviceExtension);
    if (record == nullptr || srb == nullptr || !record->Finish(srb)) {
        ReportPortViolation("completion of a device request that is not outstanding");
    }
}

extern "C" void StreamClassStreamNotification(STREAM_MINIDRIVER_STREAM_NOTIFICATION_TYPE notificationType,
                                              HW_STREAM_OBJECT* streamObject, ...)
{
    if (notificationType != StreamRequestComplete) {
        return;
    }
    va_list arguments;
    va_start(arguments, streamObject);
    auto* srb = va_arg(arguments, HW_STREAM_REQUEST_BLOCK*);
    va_end(arguments);
    DeviceRecord* record = FindDeviceByStream(streamObject);
    if (record == nullptr || srb == nullptr || srb->StreamObject != streamObject || !record->Finish(srb)) {
        ReportPortViolation("completion of a stream request that is not outstanding");
    }
}

extern "C" void StreamClassScheduleTimer(HW_STREAM_OBJECT* streamObject, PVOID /*hwDeviceExtension*/,
                                         ULONG numberOfMicroSeconds, PHW_TIMER_ROUTINE timerRoutine, PVOID context)
{
    DeviceRecord* record = FindDeviceByStream(streamObject);
    if (record == nullptr) {
        ReportPortViolation("timer scheduled for a stream that is not open");
        return;
    }
    if (numberOfMicroSeconds == 0) {
        record->time->Cancel(streamObject, false);
        return;
    }
    LONGLONG due = record->time->Now() + LONGLONG{numberOfMicroSeconds} * 10;
    record->time->Schedule(streamObject, due, [timerRoutine, context] { timerRoutine(context); });
}

extern "C" void StreamClassQueryMasterClockSync(HANDLE masterClockHandle, HW_TIME_CONTEXT* timeContext)
{
    if (timeContext->Function != TIME_GET_STREAM_TIME) {
        ReportPortViolation("master clock queried for a function other than the stream time");
        return;
    }
    bool known = WithClock(masterClockHandle, [&](const MasterClock& clock) {
        timeContext->Time = static_cast<ULONGLONG>(clock.StreamTime());
        timeContext->SystemTime = static_cast<ULONGLONG>(clock.SystemTime());
    });
    if (!known) {
        ReportPortViolation("query of an unknown master clock");
        timeContext->Time = 0;
        timeContext->SystemTime = 0;
    }
}

extern "C" NTSTATUS StreamClassRegisterFilterWithNoKSPins(DEVICE_OBJECT* deviceObject, const GUID* interfaceClassGuid,
                                                          ULONG pinCount, BOOL* pinDirection,
                                                          KSPIN_MEDIUM* mediumList, GUID* categoryList)
{
    DeviceRecord* record = FindDeviceByObject(deviceObject);
    if (record == nullptr || interfaceClassGuid == nullptr || (pinCount != 0 && pinDirection == nullptr)) {
        return STATUS_INVALID_PARAMETER;
    }
    FilterRegistration filter{*interfaceClassGuid, {}, {}, {}};
    for (ULONG pin = 0; pin < pinCount; ++pin) {
        filter.pinDirections.push_back(pinDirection[pin]);
        if (mediumList != nullptr) {
            filter.mediums.push_back(mediumList[pin]);
        }
        if (categoryList != nullptr) {
            filter.categories.push_back(categoryList[pin]);
        }
    }
    std::lock_guard lock(record->mutex);
    record->filter = std::move(filter);
    return STATUS_SUCCESS;
}
