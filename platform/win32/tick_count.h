// Milliseconds since the machine started, wrapping after about 49.7 days as on Windows.
#pragma once

#include "platform/win32/types.h"

DWORD GetTickCount();
