// Completion of I/O requests and the mapping of memory descriptor lists. Every buffer lives in
// this process, so a descriptor maps to the address it describes.
#include <atomic>

#include "platform/ks/kernel.h"
#include "platform/ks/port_checks.h"

using zv::ks::ReportPortViolation;

extern "C" void IofCompleteRequest(IRP* irp, CCHAR /*priorityBoost*/)
{
    if (std::atomic_ref<LONG>(irp->Completed).exchange(1, std::memory_order_acq_rel) != 0) {
        ReportPortViolation("I/O request completed twice");
        return;
    }
    if (irp->CompletionHook != nullptr) {
        irp->CompletionHook(irp, irp->CompletionContext);
    }
}

extern "C" PVOID MmMapLockedPages(MDL* mdl, KPROCESSOR_MODE /*accessMode*/)
{
    if ((mdl->MdlFlags & MDL_MAPPED_TO_SYSTEM_VA) == 0) {
        mdl->MappedSystemVa = static_cast<char*>(mdl->StartVa) + mdl->ByteOffset;
        mdl->MdlFlags |= MDL_MAPPED_TO_SYSTEM_VA;
    }
    return mdl->MappedSystemVa;
}
