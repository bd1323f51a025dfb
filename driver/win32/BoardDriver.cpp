// board-driver.sys: a test driver for the board devices \\.\SecModuleDevice0
// and \\.\ConvUnitDevice0, for running the unchanged Windows programs against
// a board that lives elsewhere (under Wine: the board of a Linux device
// folder). It keeps every call a program makes on those devices pending and
// hands it, as one request, to the helper attached to its control device
// (board-driver-helper.exe), which carries it to the board and answers with
// the board's result:
//
//   CreateFileA               -> an open request: 'W' when the caller asked
//                                for write access, else 'R'
//   WriteFile                 -> the bytes; the count the helper answers
//   DeviceIoControl           -> the control code and the output buffer
//   ReadFile                  -> the next message of the board, cut to the
//                                caller's buffer (then ERROR_MORE_DATA)
//   the last handle closed    -> a close (the board sees the hang-up)
//
// A failure the helper answers with a system error code X completes the call
// with the NTSTATUS that the system turns back into X (codes up to 0xFFFF;
// above that ERROR_GEN_FAILURE). The device names exist only while a helper
// is attached: without one, opening a board device fails with code 2, as on a
// PC without the board.
//
// Under Wine (8.0) the system completes CreateFileA before the driver sees the
// open and passes no requested access: the driver then takes the access from
// the order of the process's opens (write, read, write, read: the order in
// which the utilities open their handles), and an open the board refused
// fails every later call on that handle with the board's code instead.
#include "driver/BoardDriverProtocol.h"

// wdm.h declares these itself; MinGW's intrin.h must leave them to it in C++.
#define __INTRINSIC_DEFINED_InterlockedBitTestAndSet
#define __INTRINSIC_DEFINED_InterlockedBitTestAndReset
#include <ddk/wdm.h>

#include <stddef.h>

// ntddk.h's, which MinGW's wdm.h does not bring.
extern "C" NTKERNELAPI HANDLE NTAPI PsGetCurrentProcessId(void);

using namespace boarddriver;

namespace {

const ULONG POOL_TAG = 0x76724442;  // "BDrv"
// Processes holding board devices open at once whose access is counted.
const unsigned MAX_PROCESSES = 64;

// A request not yet taken by the helper, with the program's call it stands
// for (none for a close).
struct QueuedRequest {
    LIST_ENTRY link;
    PIRP call;
    BoardRequest request;
    UCHAR data[1];  // request.size bytes for a write or a device control
};

struct ProcessOpens {
    HANDLE process;
    ULONG live;  // its opens not yet closed
    ULONG made;  // its opens since it last held none
};

struct DriverState {
    KSPIN_LOCK lock;
    PDEVICE_OBJECT boards[DEVICE_COUNT];
    PDEVICE_OBJECT control;
    PFILE_OBJECT helper;  // the attached helper's handle; null: none
    PIRP waitingAttach;   // the next helper's attach, while one is attached
    LIST_ENTRY queued;    // QueuedRequest, oldest first
    LIST_ENTRY sent;      // program calls taken by the helper (Tail.Overlay.ListEntry)
    LIST_ENTRY takers;    // the helper's IOCTL_BOARD_NEXT_REQUEST waiting for a request
    uint32_t lastId;
    uint64_t lastOpen;
    ProcessOpens processes[MAX_PROCESSES];
};

DriverState driver;

// An open the board never answered (no helper): as when the device is missing.
const uint32_t ERROR_NO_BOARD = 2;
// A call the board can no longer answer: its helper let go (ERROR_BROKEN_PIPE).
const uint32_t ERROR_BOARD_GONE = 109;
const uint32_t ERROR_TOO_MANY_PROCESSES = 4;

// The status RtlNtStatusToDosError turns back into the code.
NTSTATUS StatusOf(uint32_t error)
{
    if (error <= 0xFFFF) return static_cast<NTSTATUS>(0xC0070000u | error);
    return STATUS_UNSUCCESSFUL;
}

NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR information = 0)
{
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

// ------------------------------------------------------------ device names

void NameStrings(unsigned device, UNICODE_STRING* deviceName, UNICODE_STRING* linkName)
{
    static const PCWSTR devices[DEVICE_COUNT] = {L"\\Device\\SecModuleDevice0",
                                                 L"\\Device\\ConvUnitDevice0"};
    static const PCWSTR links[DEVICE_COUNT] = {L"\\DosDevices\\SecModuleDevice0",
                                               L"\\DosDevices\\ConvUnitDevice0"};
    RtlInitUnicodeString(deviceName, devices[device]);
    RtlInitUnicodeString(linkName, links[device]);
}

void ShowBoardNames(bool shown)
{
    for (unsigned device = 0; device < DEVICE_COUNT; ++device) {
        UNICODE_STRING deviceName;
        UNICODE_STRING linkName;
        NameStrings(device, &deviceName, &linkName);
        if (shown)
            IoCreateSymbolicLink(&linkName, &deviceName);
        else
            IoDeleteSymbolicLink(&linkName);
    }
}

// ----------------------------------------------- access from the open order

// The tag of a new open of the calling process, counted until it holds no
// open any more; 0 when the table is full.
uint32_t CountOpen(HANDLE process)
{
    ProcessOpens* free = nullptr;
    for (ProcessOpens& entry : driver.processes) {
        if (entry.live > 0 && entry.process == process) {
            ++entry.live;
            return entry.made++ % 2 == 0 ? 'W' : 'R';
        }
        if (entry.live == 0 && free == nullptr) free = &entry;
    }
    if (free == nullptr) return 0;
    *free = ProcessOpens{process, 1, 1};
    return 'W';
}

void ForgetOpen(HANDLE process)
{
    for (ProcessOpens& entry : driver.processes)
        if (entry.live > 0 && entry.process == process) {
            --entry.live;
            return;
        }
}

// ------------------------------------------------------------ the requests

QueuedRequest* NewRequest(uint32_t kind, PFILE_OBJECT file, const void* data, uint32_t size)
{
    const size_t bytes = offsetof(QueuedRequest, data) + (size > 0 ? size : 1);
    auto* queued = static_cast<QueuedRequest*>(ExAllocatePoolWithTag(NonPagedPool, bytes, POOL_TAG));
    if (queued == nullptr) return nullptr;
    RtlZeroMemory(queued, offsetof(QueuedRequest, data));
    queued->request.kind = kind;
    queued->request.open = reinterpret_cast<uint64_t>(file->FsContext);
    queued->request.size = size;
    if (size > 0 && data != nullptr) RtlCopyMemory(queued->data, data, size);
    return queued;
}

void FreeRequest(QueuedRequest* queued) { ExFreePoolWithTag(queued, POOL_TAG); }

// Copies the request into a taker's buffer; the taker's count.
ULONG_PTR CopyToTaker(PIRP taker, const QueuedRequest* queued)
{
    const size_t data = queued->request.kind == REQUEST_READ ? 0 : queued->request.size;
    RtlCopyMemory(taker->AssociatedIrp.SystemBuffer, &queued->request, sizeof(BoardRequest));
    RtlCopyMemory(static_cast<UCHAR*>(taker->AssociatedIrp.SystemBuffer) + sizeof(BoardRequest),
                  queued->data, data);
    return sizeof(BoardRequest) + data;
}

// Removes a program call from whichever list holds it (under the lock).
void Unlink(PIRP call)
{
    auto* queued = static_cast<QueuedRequest*>(call->Tail.Overlay.DriverContext[0]);
    if (queued != nullptr) {
        RemoveEntryList(&queued->link);
        FreeRequest(queued);
    } else {
        RemoveEntryList(&call->Tail.Overlay.ListEntry);
    }
}

void CancelProgramCall(PDEVICE_OBJECT, PIRP call)
{
    IoReleaseCancelSpinLock(call->CancelIrql);
    KIRQL irql;
    KeAcquireSpinLock(&driver.lock, &irql);
    Unlink(call);
    KeReleaseSpinLock(&driver.lock, irql);
    Complete(call, STATUS_CANCELLED);
}

void CancelTaker(PDEVICE_OBJECT, PIRP taker)
{
    IoReleaseCancelSpinLock(taker->CancelIrql);
    KIRQL irql;
    KeAcquireSpinLock(&driver.lock, &irql);
    RemoveEntryList(&taker->Tail.Overlay.ListEntry);
    KeReleaseSpinLock(&driver.lock, irql);
    Complete(taker, STATUS_CANCELLED);
}

// A waiting taker whose cancellation has not begun, taken off its list; null
// when there is none (under the lock).
PIRP TakeTaker()
{
    for (PLIST_ENTRY entry = driver.takers.Flink; entry != &driver.takers; entry = entry->Flink) {
        PIRP taker = CONTAINING_RECORD(entry, IRP, Tail.Overlay.ListEntry);
        if (IoSetCancelRoutine(taker, nullptr) != nullptr) {
            RemoveEntryList(entry);
            return taker;
        }
    }
    return nullptr;
}

// The oldest queued request, taken off the queue; a program call it stands
// for moves to the sent list (under the lock).
QueuedRequest* TakeQueued()
{
    if (IsListEmpty(&driver.queued)) return nullptr;
    auto* queued = CONTAINING_RECORD(RemoveHeadList(&driver.queued), QueuedRequest, link);
    if (queued->call != nullptr) {
        queued->call->Tail.Overlay.DriverContext[0] = nullptr;
        InsertTailList(&driver.sent, &queued->call->Tail.Overlay.ListEntry);
    }
    return queued;
}

// Gives the request to a waiting taker, or queues it. Keeps call (if any)
// pending until its answer: STATUS_PENDING, or the status it was completed
// with at once.
NTSTATUS Send(PIRP call, QueuedRequest* queued, uint32_t errorWithoutHelper)
{
    KIRQL irql;
    KeAcquireSpinLock(&driver.lock, &irql);
    if (driver.helper == nullptr) {
        KeReleaseSpinLock(&driver.lock, irql);
        FreeRequest(queued);
        return call != nullptr ? Complete(call, StatusOf(errorWithoutHelper)) : STATUS_SUCCESS;
    }
    if (call != nullptr) {
        queued->call = call;
        queued->request.id = ++driver.lastId != 0 ? driver.lastId : ++driver.lastId;
        call->Tail.Overlay.DriverContext[0] = queued;
        call->Tail.Overlay.DriverContext[1] =
            reinterpret_cast<PVOID>(static_cast<ULONG_PTR>(queued->request.id));
        IoMarkIrpPending(call);
        IoSetCancelRoutine(call, CancelProgramCall);
        if (call->Cancel && IoSetCancelRoutine(call, nullptr) != nullptr) {
            KeReleaseSpinLock(&driver.lock, irql);
            FreeRequest(queued);
            Complete(call, STATUS_CANCELLED);
            return STATUS_PENDING;
        }
    }
    InsertTailList(&driver.queued, &queued->link);
    PIRP taker = TakeTaker();
    QueuedRequest* taken = taker != nullptr ? TakeQueued() : nullptr;
    KeReleaseSpinLock(&driver.lock, irql);
    if (taken != nullptr) {
        Complete(taker, STATUS_SUCCESS, CopyToTaker(taker, taken));
        FreeRequest(taken);
    }
    return call != nullptr ? STATUS_PENDING : STATUS_SUCCESS;
}

// ------------------------------------------------- the programs' calls

unsigned DeviceIndex(PDEVICE_OBJECT device)
{
    for (unsigned i = 0; i < DEVICE_COUNT; ++i)
        if (driver.boards[i] == device) return i;
    return 0;
}

NTSTATUS OpenBoard(PDEVICE_OBJECT device, PIRP irp, PIO_STACK_LOCATION stack)
{
    PFILE_OBJECT file = stack->FileObject;
    PIO_SECURITY_CONTEXT security = stack->Parameters.Create.SecurityContext;
    uint32_t tag;
    KIRQL irql;
    KeAcquireSpinLock(&driver.lock, &irql);
    file->FsContext = reinterpret_cast<PVOID>(static_cast<ULONG_PTR>(++driver.lastOpen));
    if (security != nullptr) {
        tag = (security->DesiredAccess & FILE_WRITE_DATA) != 0 ? 'W' : 'R';
    } else {
        const HANDLE process = PsGetCurrentProcessId();
        tag = CountOpen(process);
        if (tag != 0) file->FsContext2 = process;
    }
    KeReleaseSpinLock(&driver.lock, irql);
    if (tag == 0) return Complete(irp, StatusOf(ERROR_TOO_MANY_PROCESSES));
    QueuedRequest* queued = NewRequest(REQUEST_OPEN, file, nullptr, 0);
    if (queued == nullptr) return Complete(irp, STATUS_INSUFFICIENT_RESOURCES);
    queued->request.device = DeviceIndex(device);
    queued->request.tag = tag;
    return Send(irp, queued, ERROR_NO_BOARD);
}

NTSTATUS CloseBoard(PIRP irp, PIO_STACK_LOCATION stack)
{
    PFILE_OBJECT file = stack->FileObject;
    if (file->FsContext2 != nullptr) {
        KIRQL irql;
        KeAcquireSpinLock(&driver.lock, &irql);
        ForgetOpen(file->FsContext2);
        KeReleaseSpinLock(&driver.lock, irql);
    }
    QueuedRequest* queued = NewRequest(REQUEST_CLOSE, file, nullptr, 0);
    if (queued != nullptr) Send(nullptr, queued, 0);
    return Complete(irp, STATUS_SUCCESS);
}

// The output buffer of a device control, where the system passes it to a
// driver: the MDL of the direct methods; none when it is empty.
bool ControlOutput(PIRP irp, PIO_STACK_LOCATION stack, const void** bytes)
{
    const ULONG method = stack->Parameters.DeviceIoControl.IoControlCode & 3;
    *bytes = nullptr;
    if (stack->Parameters.DeviceIoControl.OutputBufferLength == 0) return true;
    if ((method != METHOD_IN_DIRECT && method != METHOD_OUT_DIRECT) || irp->MdlAddress == nullptr)
        return false;
    *bytes = MmGetSystemAddressForMdlSafe(irp->MdlAddress, NormalPagePriority);
    return *bytes != nullptr;
}

NTSTATUS CallBoard(PDEVICE_OBJECT device, PIRP irp)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    QueuedRequest* queued = nullptr;
    switch (stack->MajorFunction) {
    case IRP_MJ_CREATE: return OpenBoard(device, irp, stack);
    case IRP_MJ_CLEANUP: return Complete(irp, STATUS_SUCCESS);
    case IRP_MJ_CLOSE: return CloseBoard(irp, stack);
    case IRP_MJ_READ:
        queued = NewRequest(REQUEST_READ, stack->FileObject, nullptr, stack->Parameters.Read.Length);
        break;
    case IRP_MJ_WRITE:
        if (stack->Parameters.Write.Length > MAX_DATA) return Complete(irp, STATUS_INVALID_PARAMETER);
        queued = NewRequest(REQUEST_WRITE, stack->FileObject, irp->AssociatedIrp.SystemBuffer,
                            stack->Parameters.Write.Length);
        break;
    case IRP_MJ_DEVICE_CONTROL: {
        const void* output = nullptr;
        const ULONG size = stack->Parameters.DeviceIoControl.OutputBufferLength;
        if (!ControlOutput(irp, stack, &output)) return Complete(irp, STATUS_INVALID_DEVICE_REQUEST);
        if (size > MAX_DATA) return Complete(irp, STATUS_INVALID_PARAMETER);
        queued = NewRequest(REQUEST_CONTROL, stack->FileObject, output, size);
        if (queued != nullptr)
            queued->request.controlCode = stack->Parameters.DeviceIoControl.IoControlCode;
        break;
    }
    default: return Complete(irp, STATUS_INVALID_DEVICE_REQUEST);
    }
    if (queued == nullptr) return Complete(irp, STATUS_INSUFFICIENT_RESOURCES);
    return Send(irp, queued, ERROR_BOARD_GONE);
}

// Completes a program call with the helper's answer.
void Answer(PIRP call, const BoardAnswer& answer, const UCHAR* bytes)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(call);
    if (answer.error != 0) {
        Complete(call, StatusOf(answer.error));
        return;
    }
    switch (stack->MajorFunction) {
    case IRP_MJ_READ: {
        const ULONG room = stack->Parameters.Read.Length;
        const ULONG count = answer.bytes < room ? answer.bytes : room;
        RtlCopyMemory(call->AssociatedIrp.SystemBuffer, bytes, count);
        Complete(call, answer.size > count ? STATUS_BUFFER_OVERFLOW : STATUS_SUCCESS, count);
        return;
    }
    case IRP_MJ_WRITE: Complete(call, STATUS_SUCCESS, answer.size); return;
    default: Complete(call, STATUS_SUCCESS); return;
    }
}

// ------------------------------------------------------------ the helper

void CancelAttach(PDEVICE_OBJECT, PIRP attach)
{
    IoReleaseCancelSpinLock(attach->CancelIrql);
    KIRQL irql;
    KeAcquireSpinLock(&driver.lock, &irql);
    if (driver.waitingAttach == attach) driver.waitingAttach = nullptr;
    KeReleaseSpinLock(&driver.lock, irql);
    Complete(attach, STATUS_CANCELLED);
}

// Lets the attached helper go: every call it holds fails as the board being
// gone, its takers end, and the next helper waiting, if any, takes over.
void Detach()
{
    LIST_ENTRY failed;
    LIST_ENTRY dropped;
    LIST_ENTRY takers;
    InitializeListHead(&failed);
    InitializeListHead(&dropped);
    InitializeListHead(&takers);
    KIRQL irql;
    KeAcquireSpinLock(&driver.lock, &irql);
    if (driver.helper == nullptr) {
        KeReleaseSpinLock(&driver.lock, irql);
        return;
    }
    driver.helper = nullptr;
    // Calls being cancelled stay where they are: their cancel routine takes them.
    for (PLIST_ENTRY entry = driver.queued.Flink; entry != &driver.queued;) {
        auto* queued = CONTAINING_RECORD(entry, QueuedRequest, link);
        entry = entry->Flink;
        if (queued->call == nullptr || IoSetCancelRoutine(queued->call, nullptr) != nullptr) {
            RemoveEntryList(&queued->link);
            InsertTailList(&dropped, &queued->link);
        }
    }
    for (PLIST_ENTRY entry = driver.sent.Flink; entry != &driver.sent;) {
        PIRP call = CONTAINING_RECORD(entry, IRP, Tail.Overlay.ListEntry);
        entry = entry->Flink;
        if (IoSetCancelRoutine(call, nullptr) != nullptr) {
            RemoveEntryList(&call->Tail.Overlay.ListEntry);
            InsertTailList(&failed, &call->Tail.Overlay.ListEntry);
        }
    }
    for (PIRP taker = TakeTaker(); taker != nullptr; taker = TakeTaker())
        InsertTailList(&takers, &taker->Tail.Overlay.ListEntry);
    PIRP next = driver.waitingAttach;
    driver.waitingAttach = nullptr;
    if (next != nullptr && IoSetCancelRoutine(next, nullptr) == nullptr) next = nullptr;
    if (next != nullptr) driver.helper = IoGetCurrentIrpStackLocation(next)->FileObject;
    KeReleaseSpinLock(&driver.lock, irql);

    if (next == nullptr) ShowBoardNames(false);
    while (!IsListEmpty(&dropped)) {
        auto* queued = CONTAINING_RECORD(RemoveHeadList(&dropped), QueuedRequest, link);
        if (queued->call != nullptr)
            Complete(queued->call,
                     StatusOf(queued->request.kind == REQUEST_OPEN ? ERROR_NO_BOARD : ERROR_BOARD_GONE));
        FreeRequest(queued);
    }
    while (!IsListEmpty(&failed))
        Complete(CONTAINING_RECORD(RemoveHeadList(&failed), IRP, Tail.Overlay.ListEntry),
                 StatusOf(ERROR_BOARD_GONE));
    while (!IsListEmpty(&takers))
        Complete(CONTAINING_RECORD(RemoveHeadList(&takers), IRP, Tail.Overlay.ListEntry),
                 STATUS_CANCELLED);
    if (next != nullptr) Complete(next, STATUS_SUCCESS);
}

NTSTATUS AttachHelper(PIRP irp, PIO_STACK_LOCATION stack)
{
    if (stack->Parameters.DeviceIoControl.InputBufferLength != sizeof(uint32_t) ||
        *static_cast<uint32_t*>(irp->AssociatedIrp.SystemBuffer) != PROTOCOL_VERSION)
        return Complete(irp, STATUS_REVISION_MISMATCH);
    KIRQL irql;
    KeAcquireSpinLock(&driver.lock, &irql);
    if (driver.helper == nullptr || driver.helper == stack->FileObject) {
        const bool first = driver.helper == nullptr;
        driver.helper = stack->FileObject;
        KeReleaseSpinLock(&driver.lock, irql);
        if (first) ShowBoardNames(true);
        return Complete(irp, STATUS_SUCCESS);
    }
    if (driver.waitingAttach != nullptr) {
        KeReleaseSpinLock(&driver.lock, irql);
        return Complete(irp, STATUS_DEVICE_BUSY);
    }
    // Another helper is still attached (or its close is on its way): this one
    // takes over once it lets go.
    driver.waitingAttach = irp;
    IoMarkIrpPending(irp);
    IoSetCancelRoutine(irp, CancelAttach);
    if (irp->Cancel && IoSetCancelRoutine(irp, nullptr) != nullptr) {
        driver.waitingAttach = nullptr;
        KeReleaseSpinLock(&driver.lock, irql);
        Complete(irp, STATUS_CANCELLED);
        return STATUS_PENDING;
    }
    KeReleaseSpinLock(&driver.lock, irql);
    return STATUS_PENDING;
}

NTSTATUS TakeRequest(PIRP irp, PIO_STACK_LOCATION stack)
{
    if (stack->Parameters.DeviceIoControl.OutputBufferLength < sizeof(BoardRequest) + MAX_DATA)
        return Complete(irp, STATUS_BUFFER_TOO_SMALL);
    KIRQL irql;
    KeAcquireSpinLock(&driver.lock, &irql);
    if (driver.helper != stack->FileObject) {
        KeReleaseSpinLock(&driver.lock, irql);
        return Complete(irp, STATUS_CANCELLED);
    }
    QueuedRequest* queued = TakeQueued();
    if (queued != nullptr) {
        KeReleaseSpinLock(&driver.lock, irql);
        const ULONG_PTR count = CopyToTaker(irp, queued);
        FreeRequest(queued);
        return Complete(irp, STATUS_SUCCESS, count);
    }
    IoMarkIrpPending(irp);
    InsertTailList(&driver.takers, &irp->Tail.Overlay.ListEntry);
    IoSetCancelRoutine(irp, CancelTaker);
    if (irp->Cancel && IoSetCancelRoutine(irp, nullptr) != nullptr) {
        RemoveEntryList(&irp->Tail.Overlay.ListEntry);
        KeReleaseSpinLock(&driver.lock, irql);
        Complete(irp, STATUS_CANCELLED);
        return STATUS_PENDING;
    }
    KeReleaseSpinLock(&driver.lock, irql);
    return STATUS_PENDING;
}

NTSTATUS TakeAnswer(PIRP irp, PIO_STACK_LOCATION stack)
{
    const ULONG size = stack->Parameters.DeviceIoControl.InputBufferLength;
    const auto* input = static_cast<const UCHAR*>(irp->AssociatedIrp.SystemBuffer);
    BoardAnswer answer;
    if (size < sizeof answer) return Complete(irp, STATUS_INVALID_PARAMETER);
    RtlCopyMemory(&answer, input, sizeof answer);
    if (answer.bytes > size - sizeof answer) return Complete(irp, STATUS_INVALID_PARAMETER);
    PIRP call = nullptr;
    KIRQL irql;
    KeAcquireSpinLock(&driver.lock, &irql);
    for (PLIST_ENTRY entry = driver.sent.Flink; entry != &driver.sent; entry = entry->Flink) {
        PIRP candidate = CONTAINING_RECORD(entry, IRP, Tail.Overlay.ListEntry);
        if (reinterpret_cast<ULONG_PTR>(candidate->Tail.Overlay.DriverContext[1]) == answer.id) {
            // A call being cancelled is its cancel routine's.
            if (IoSetCancelRoutine(candidate, nullptr) != nullptr) {
                RemoveEntryList(entry);
                call = candidate;
            }
            break;
        }
    }
    KeReleaseSpinLock(&driver.lock, irql);
    if (call != nullptr) Answer(call, answer, input + sizeof answer);
    return Complete(irp, STATUS_SUCCESS);
}

NTSTATUS CallControl(PIRP irp)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    switch (stack->MajorFunction) {
    case IRP_MJ_CREATE:
    case IRP_MJ_CLEANUP: return Complete(irp, STATUS_SUCCESS);
    case IRP_MJ_CLOSE: {
        KIRQL irql;
        KeAcquireSpinLock(&driver.lock, &irql);
        const bool attached = driver.helper == stack->FileObject;
        KeReleaseSpinLock(&driver.lock, irql);
        if (attached) Detach();
        return Complete(irp, STATUS_SUCCESS);
    }
    case IRP_MJ_DEVICE_CONTROL: break;
    default: return Complete(irp, STATUS_INVALID_DEVICE_REQUEST);
    }
    switch (stack->Parameters.DeviceIoControl.IoControlCode) {
    case IOCTL_BOARD_ATTACH: return AttachHelper(irp, stack);
    case IOCTL_BOARD_NEXT_REQUEST: return TakeRequest(irp, stack);
    case IOCTL_BOARD_ANSWER: return TakeAnswer(irp, stack);
    case IOCTL_BOARD_DETACH: Detach(); return Complete(irp, STATUS_SUCCESS);
    default: return Complete(irp, STATUS_INVALID_DEVICE_REQUEST);
    }
}

NTSTATUS Dispatch(PDEVICE_OBJECT device, PIRP irp)
{
    return device == driver.control ? CallControl(irp) : CallBoard(device, irp);
}

void Unload(PDRIVER_OBJECT)
{
    Detach();
    UNICODE_STRING link;
    RtlInitUnicodeString(&link, L"\\DosDevices\\BoardDriverControl");
    IoDeleteSymbolicLink(&link);
    for (PDEVICE_OBJECT device : driver.boards)
        if (device != nullptr) IoDeleteDevice(device);
    if (driver.control != nullptr) IoDeleteDevice(driver.control);
}

NTSTATUS CreateDevices(PDRIVER_OBJECT object)
{
    for (unsigned i = 0; i < DEVICE_COUNT; ++i) {
        UNICODE_STRING deviceName;
        UNICODE_STRING linkName;
        NameStrings(i, &deviceName, &linkName);
        NTSTATUS status =
            IoCreateDevice(object, 0, &deviceName, FILE_DEVICE_UNKNOWN, 0, FALSE, &driver.boards[i]);
        if (!NT_SUCCESS(status)) return status;
        driver.boards[i]->Flags |= DO_BUFFERED_IO;
    }
    UNICODE_STRING controlName;
    UNICODE_STRING controlLink;
    RtlInitUnicodeString(&controlName, L"\\Device\\BoardDriverControl");
    RtlInitUnicodeString(&controlLink, L"\\DosDevices\\BoardDriverControl");
    NTSTATUS status =
        IoCreateDevice(object, 0, &controlName, FILE_DEVICE_UNKNOWN, 0, FALSE, &driver.control);
    if (!NT_SUCCESS(status)) return status;
    return IoCreateSymbolicLink(&controlLink, &controlName);
}

}  // namespace

extern "C" NTSTATUS DriverEntry(PDRIVER_OBJECT object, PUNICODE_STRING)
{
    KeInitializeSpinLock(&driver.lock);
    InitializeListHead(&driver.queued);
    InitializeListHead(&driver.sent);
    InitializeListHead(&driver.takers);
    for (unsigned i = 0; i <= IRP_MJ_MAXIMUM_FUNCTION; ++i) object->MajorFunction[i] = Dispatch;
    object->DriverUnload = Unload;
    const NTSTATUS status = CreateDevices(object);
    if (!NT_SUCCESS(status)) Unload(object);
    return status;
}
