// The port's callbacks for device requests, cancellation and time-outs, and the handlers of
// device requests.
#pragma once

#include "driver/DeviceContext.h"

void HandleDeviceRequest(HW_STREAM_REQUEST_BLOCK* srb);
void CancelRequest(HW_STREAM_REQUEST_BLOCK* srb);
void ResetRequestTimeout(HW_STREAM_REQUEST_BLOCK* srb);

NTSTATUS InitializeDevice(DeviceContext* device, PORT_CONFIGURATION_INFORMATION* config);
void DescribeStreams(HW_STREAM_REQUEST_BLOCK* srb);
NTSTATUS RegisterCaptureMedium(DeviceContext* device);
