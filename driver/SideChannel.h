// The main program's side channel: WriteFile of frame blocks and ReadFile of the in-use flags
// on the device, served by the driver's own IRP_MJ_WRITE and IRP_MJ_READ routines. Both
// always succeed with the requested length, whatever was done with the request.
#pragma once

#include "platform/ks/kernel.h"

NTSTATUS DispatchFrameWrite(DEVICE_OBJECT* deviceObject, IRP* irp);
NTSTATUS DispatchFlagsRead(DEVICE_OBJECT* deviceObject, IRP* irp);
