// The kernel and HAL as a minidriver sees them: pool, spin locks with an interrupt request
// level, I/O requests and memory descriptor lists, device and driver objects, list links.
// These live in one process and are not byte-exact.
#pragma once

#include <cstddef>
#include <cstring>

#include "platform/ks/ntstatus.h"
#include "platform/ks/streaming_copy.h"
#include "platform/win32/types.h"

using PVOID = void*;
using UCHAR = std::uint8_t;
using USHORT = std::uint16_t;
using CCHAR = char;
using SIZE_T = std::size_t;
using ULONG_PTR = std::uintptr_t;
using HANDLE = void*;
using KIRQL = UCHAR;
using KSPIN_LOCK = ULONG_PTR;

constexpr KIRQL PASSIVE_LEVEL = 0;
constexpr KIRQL APC_LEVEL = 1;
constexpr KIRQL DISPATCH_LEVEL = 2;

enum POOL_TYPE : int {
    NonPagedPool = 0,
    PagedPool = 1,
};

enum KPROCESSOR_MODE_VALUE : CCHAR { KernelMode = 0, UserMode = 1 };
using KPROCESSOR_MODE = CCHAR;

constexpr CCHAR IO_NO_INCREMENT = 0;

struct LIST_ENTRY {
    LIST_ENTRY* Flink;
    LIST_ENTRY* Blink;
};

inline void InitializeListHead(LIST_ENTRY* head) { head->Flink = head->Blink = head; }
inline bool IsListEmpty(const LIST_ENTRY* head) { return head->Flink == head; }
inline void InsertTailList(LIST_ENTRY* head, LIST_ENTRY* entry)
{
    entry->Flink = head;
    entry->Blink = head->Blink;
    head->Blink->Flink = entry;
    head->Blink = entry;
}
inline bool RemoveEntryList(LIST_ENTRY* entry)
{
    LIST_ENTRY* next = entry->Flink;
    LIST_ENTRY* prev = entry->Blink;
    prev->Flink = next;
    next->Blink = prev;
    return next == prev;
}
inline LIST_ENTRY* RemoveHeadList(LIST_ENTRY* head)
{
    LIST_ENTRY* entry = head->Flink;
    RemoveEntryList(entry);
    return entry;
}

// The structure that holds `member` at address `address`.
#define CONTAINING_RECORD(address, type, member) \
    (reinterpret_cast<type*>(reinterpret_cast<char*>(address) - offsetof(type, member)))

// Memory descriptor list: one caller buffer, in this process.
struct MDL {
    MDL* Next;
    USHORT Size;
    USHORT MdlFlags;
    PVOID MappedSystemVa;
    PVOID StartVa;
    ULONG ByteCount;
    ULONG ByteOffset;
};
constexpr USHORT MDL_MAPPED_TO_SYSTEM_VA = 0x0001;
constexpr USHORT MDL_SOURCE_IS_NONPAGED_POOL = 0x0004;

struct IO_STATUS_BLOCK {
    NTSTATUS Status;
    ULONG_PTR Information;
};

constexpr UCHAR IRP_MJ_CREATE = 0x00;
constexpr UCHAR IRP_MJ_CLOSE = 0x02;
constexpr UCHAR IRP_MJ_READ = 0x03;
constexpr UCHAR IRP_MJ_WRITE = 0x04;
constexpr UCHAR IRP_MJ_DEVICE_CONTROL = 0x0E;
constexpr UCHAR IRP_MJ_POWER = 0x16;
constexpr UCHAR IRP_MJ_PNP = 0x1B;
constexpr UCHAR IRP_MJ_MAXIMUM_FUNCTION = 0x1B;

struct DEVICE_OBJECT;
struct IRP;

struct IO_STACK_LOCATION {
    UCHAR MajorFunction;
    union {
        struct {
            ULONG Length;
        } Read;
        struct {
            ULONG Length;
        } Write;
    } Parameters;
    DEVICE_OBJECT* DeviceObject;
};

using IO_COMPLETION_HOOK = void (*)(IRP* irp, PVOID context);

// The fields of an I/O request that a minidriver uses; the completion hook belongs to whoever
// issued the request and is called by IofCompleteRequest.
struct IRP {
    MDL* MdlAddress;
    IO_STATUS_BLOCK IoStatus;
    struct {
        struct {
            PVOID DriverContext[4];
            LIST_ENTRY ListEntry;
            IO_STACK_LOCATION* CurrentStackLocation;
        } Overlay;
    } Tail;
    IO_COMPLETION_HOOK CompletionHook;
    PVOID CompletionContext;
    LONG Completed;
};

inline IO_STACK_LOCATION* IoGetCurrentIrpStackLocation(IRP* irp) { return irp->Tail.Overlay.CurrentStackLocation; }

struct DRIVER_OBJECT;

constexpr ULONG DO_BUFFERED_IO = 0x00000004;
constexpr ULONG DO_DIRECT_IO = 0x00000010;

struct DEVICE_OBJECT {
    DRIVER_OBJECT* DriverObject;
    PVOID DeviceExtension;  // of a device the port created: the minidriver's device extension
    ULONG Flags;
};

using DRIVER_DISPATCH = NTSTATUS (*)(DEVICE_OBJECT* device, IRP* irp);

struct DRIVER_OBJECT {
    PVOID DriverExtension;  // the port's record of the driver
    DRIVER_DISPATCH MajorFunction[IRP_MJ_MAXIMUM_FUNCTION + 1];
};

using PDRIVER_OBJECT = DRIVER_OBJECT*;
using PDEVICE_OBJECT = DEVICE_OBJECT*;
using PIRP = IRP*;
using PMDL = MDL*;

struct UNICODE_STRING {
    USHORT Length;
    USHORT MaximumLength;
    wchar_t* Buffer;
};

using DRIVER_INITIALIZE = NTSTATUS (*)(DRIVER_OBJECT* driverObject, UNICODE_STRING* registryPath);

// Kernel and HAL routines, provided by the loading process.
extern "C" {
PVOID ExAllocatePoolWithTag(POOL_TYPE poolType, SIZE_T numberOfBytes, ULONG tag);
void ExFreePool(PVOID block);
void KeInitializeSpinLock(KSPIN_LOCK* lock);
KIRQL KfAcquireSpinLock(KSPIN_LOCK* lock);
void KfReleaseSpinLock(KSPIN_LOCK* lock, KIRQL newIrql);
KIRQL KeGetCurrentIrql();
void IofCompleteRequest(IRP* irp, CCHAR priorityBoost);
PVOID MmMapLockedPages(MDL* mdl, KPROCESSOR_MODE accessMode);
}

// Interlocked operations are processor instructions, not imports.
inline LONG InterlockedIncrement(LONG volatile* value) { return __atomic_add_fetch(value, 1, __ATOMIC_SEQ_CST); }
inline LONG InterlockedDecrement(LONG volatile* value) { return __atomic_sub_fetch(value, 1, __ATOMIC_SEQ_CST); }

inline void RtlCopyMemory(void* destination, const void* source, SIZE_T length)
{
    if (length >= zv::ks::kStreamingCopyBytes) {
        zv::ks::StreamingCopy(destination, source, length);
    } else {
        std::memcpy(destination, source, length);
    }
}
inline void RtlZeroMemory(void* destination, SIZE_T length) { std::memset(destination, 0, length); }

// Pool tags are four characters, the first in the low byte.
constexpr ULONG MakePoolTag(char a, char b, char c, char d)
{
    return static_cast<ULONG>(static_cast<UCHAR>(a)) | static_cast<ULONG>(static_cast<UCHAR>(b)) << 8 |
           static_cast<ULONG>(static_cast<UCHAR>(c)) << 16 | static_cast<ULONG>(static_cast<UCHAR>(d)) << 24;
}
