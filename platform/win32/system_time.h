// The current date and time, UTC, to the millisecond.
#pragma once

#include "platform/win32/types.h"

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek; // 0 = Sunday
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};
static_assert(sizeof(SYSTEMTIME) == 16);
using LPSYSTEMTIME = SYSTEMTIME*;

void GetSystemTime(LPSYSTEMTIME systemTime);

namespace zv::win32 {
// The UTC calendar time of a moment given as seconds and nanoseconds since 1970.
SYSTEMTIME SystemTimeOf(long long seconds, long nanoseconds);
} // namespace zv::win32
