#include "platform/win32/system_time.h"

#include <ctime>

namespace zv::win32 {

SYSTEMTIME SystemTimeOf(long long seconds, long nanoseconds)
{
    const auto moment = static_cast<std::time_t>(seconds);
    std::tm parts{};
    ::gmtime_r(&moment, &parts);
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(parts.tm_year + 1900);
    time.wMonth = static_cast<WORD>(parts.tm_mon + 1);
    time.wDayOfWeek = static_cast<WORD>(parts.tm_wday);
    time.wDay = static_cast<WORD>(parts.tm_mday);
    time.wHour = static_cast<WORD>(parts.tm_hour);
    time.wMinute = static_cast<WORD>(parts.tm_min);
    time.wSecond = static_cast<WORD>(parts.tm_sec);
    time.wMilliseconds = static_cast<WORD>(nanoseconds / 1000000);
    return time;
}

} // namespace zv::win32

void GetSystemTime(LPSYSTEMTIME systemTime)
{
    if (!systemTime)
        return;
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    *systemTime = zv::win32::SystemTimeOf(now.tv_sec, now.tv_nsec);
}
