// Events: manual-reset and auto-reset, unnamed.
//
// The system names none of its events, so a name is refused (ERROR_NOT_SUPPORTED) rather than
// silently ignored.
#pragma once

#include "platform/win32/types.h"

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES attributes, BOOL manualReset, BOOL initialState, LPCSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
