// The device's property sets: video decoder, video control and video compression.
#pragma once

#include "driver/DeviceContext.h"

void GetDeviceProperty(DeviceContext* device, HW_STREAM_REQUEST_BLOCK* srb);
void SetDeviceProperty(DeviceContext* device, HW_STREAM_REQUEST_BLOCK* srb);
