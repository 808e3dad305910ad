#include "driver/SideChannel.h"

#include "driver/FrameStore.h"

namespace {

// The caller's buffer of a direct-I/O request, mapped into system space; NULL when the
// device does not use direct I/O or the request carries no buffer of `length` bytes.
UCHAR* MappedBuffer(DEVICE_OBJECT* deviceObject, IRP* irp, ULONG length)
{
    if ((deviceObject->Flags & DO_DIRECT_IO) == 0 || irp->MdlAddress == nullptr || irp->MdlAddress->ByteCount < length) {
        return nullptr;
    }
    return static_cast<UCHAR*>(MmMapLockedPages(irp->MdlAddress, KernelMode));
}

NTSTATUS CompleteWithLength(IRP* irp, ULONG length)
{
    irp->IoStatus.Status = STATUS_SUCCESS;
    irp->IoStatus.Information = length;
    IofCompleteRequest(irp, IO_NO_INCREMENT);
    return STATUS_SUCCESS;
}

}  // namespace

NTSTATUS DispatchFrameWrite(DEVICE_OBJECT* deviceObject, IRP* irp)
{
    const ULONG length = IoGetCurrentIrpStackLocation(irp)->Parameters.Write.Length;
    if (length >= kFrameWriteHeaderBytes) {
        if (const UCHAR* block = MappedBuffer(deviceObject, irp, length)) {
            StoreFrameBlock(block, length);
        }
    }
    return CompleteWithLength(irp, length);
}

NTSTATUS DispatchFlagsRead(DEVICE_OBJECT* deviceObject, IRP* irp)
{
    const ULONG length = IoGetCurrentIrpStackLocation(irp)->Parameters.Read.Length;
    if (length >= kStoredFormats) {
        if (UCHAR* flags = MappedBuffer(deviceObject, irp, length)) {
            ReadFormatFlags(flags);
        }
    }
    return CompleteWithLength(irp, length);
}
