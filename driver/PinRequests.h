// The requests of an open capture pin: control requests (one at a time per instance) and data
// requests (reads, queued for the pin's timer).
#pragma once

#include "driver/PinContext.h"

void HandlePinControlRequest(HW_STREAM_REQUEST_BLOCK* srb);
void HandlePinDataRequest(HW_STREAM_REQUEST_BLOCK* srb);

void GetPinState(PinContext* pin, HW_STREAM_REQUEST_BLOCK* srb);
void SetPinState(PinContext* pin, KSSTATE state);
void GetPinProperty(PinContext* pin, HW_STREAM_REQUEST_BLOCK* srb);
void SetPinClock(PinContext* pin, HANDLE clock);
