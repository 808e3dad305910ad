#include "platform/gdi/gdi_faults.h"

namespace zv::gdi {
namespace {

thread_local int getDIBitsFailures = 0;

} // namespace

void FailNextGetDIBits(int count) { getDIBitsFailures = count < 0 ? 0 : count; }

bool TakeGetDIBitsFailure()
{
    if (getDIBitsFailures == 0)
        return false;
    --getDIBitsFailures;
    return true;
}

} // namespace zv::gdi
