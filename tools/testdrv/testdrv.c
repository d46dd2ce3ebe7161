/*
 * Stand-in kernel driver for the Wine runs. It creates \Device\NAME and the
 * symbolic link \DosDevices\NAME so that user mode can open \\.\NAME, accepts
 * create, close, read and write, and removes both names again on unload.
 *
 * NAME comes from the build (TESTDRV_DEVICE_NAME, a bare identifier), so one
 * source gives every driver image the tests need.
 *
 * A write keeps the last byte written; a read hands that byte back, so a
 * caller can see its data make the round trip through the driver.
 */
#include <ntddk.h>

#ifndef TESTDRV_DEVICE_NAME
#error "TESTDRV_DEVICE_NAME must name the device, e.g. -DTESTDRV_DEVICE_NAME=zelbase"
#endif

#define TESTDRV_STR2(x) #x
#define TESTDRV_STR(x) TESTDRV_STR2(x)
#define TESTDRV_WIDE2(s) L##s
#define TESTDRV_WIDE(s) TESTDRV_WIDE2(s)
#define TESTDRV_NAME_W TESTDRV_WIDE(TESTDRV_STR(TESTDRV_DEVICE_NAME))

static const WCHAR device_path[] = L"\\Device\\" TESTDRV_NAME_W;
static const WCHAR link_path[] = L"\\DosDevices\\" TESTDRV_NAME_W;

typedef struct echo_extension {
    UCHAR last_byte;
    BOOLEAN has_byte;
} echo_extension;

static void init_name(UNICODE_STRING *name, const WCHAR *text, USHORT bytes_with_nul)
{
    name->Buffer = (PWSTR)text;
    name->Length = (USHORT)(bytes_with_nul - sizeof(WCHAR));
    name->MaximumLength = bytes_with_nul;
}

static NTSTATUS complete(IRP *irp, NTSTATUS status, ULONG_PTR information)
{
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

/* Buffered I/O hands the data in SystemBuffer; a caller that did not get
 * buffered I/O still has UserBuffer, so accept either. */
static UCHAR *request_buffer(IRP *irp)
{
    if (irp->AssociatedIrp.SystemBuffer)
        return (UCHAR *)irp->AssociatedIrp.SystemBuffer;
    return (UCHAR *)irp->UserBuffer;
}

static NTSTATUS NTAPI dispatch_open_close(DEVICE_OBJECT *device, IRP *irp)
{
    (void)device;
    return complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI dispatch_write(DEVICE_OBJECT *device, IRP *irp)
{
    echo_extension *ext = (echo_extension *)device->DeviceExtension;
    IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
    ULONG length = stack->Parameters.Write.Length;
    UCHAR *data = request_buffer(irp);

    if (length != 0 && data) {
        ext->last_byte = data[length - 1];
        ext->has_byte = TRUE;
    }
    return complete(irp, STATUS_SUCCESS, length);
}

static NTSTATUS NTAPI dispatch_read(DEVICE_OBJECT *device, IRP *irp)
{
    echo_extension *ext = (echo_extension *)device->DeviceExtension;
    IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
    ULONG length = stack->Parameters.Read.Length;
    UCHAR *data = request_buffer(irp);

    if (length == 0 || !data || !ext->has_byte)
        return complete(irp, STATUS_SUCCESS, 0);
    data[0] = ext->last_byte;
    return complete(irp, STATUS_SUCCESS, 1);
}

static void NTAPI driver_unload(DRIVER_OBJECT *driver)
{
    UNICODE_STRING link;

    init_name(&link, link_path, sizeof(link_path));
    IoDeleteSymbolicLink(&link);
    if (driver->DeviceObject)
        IoDeleteDevice(driver->DeviceObject);
}

NTSTATUS NTAPI DriverEntry(DRIVER_OBJECT *driver, UNICODE_STRING *registry_path)
{
    UNICODE_STRING device_name;
    UNICODE_STRING link;
    DEVICE_OBJECT *device = NULL;
    echo_extension *ext;
    NTSTATUS status;

    (void)registry_path;
    init_name(&device_name, device_path, sizeof(device_path));
    init_name(&link, link_path, sizeof(link_path));

    status = IoCreateDevice(driver, sizeof(echo_extension), &device_name, FILE_DEVICE_UNKNOWN, 0,
                            FALSE, &device);
    if (!NT_SUCCESS(status))
        return status;
    device->Flags |= DO_BUFFERED_IO;
    ext = (echo_extension *)device->DeviceExtension;
    ext->last_byte = 0;
    ext->has_byte = FALSE;

    status = IoCreateSymbolicLink(&link, &device_name);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(device);
        return status;
    }

    driver->MajorFunction[IRP_MJ_CREATE] = dispatch_open_close;
    driver->MajorFunction[IRP_MJ_CLOSE] = dispatch_open_close;
    driver->MajorFunction[IRP_MJ_READ] = dispatch_read;
    driver->MajorFunction[IRP_MJ_WRITE] = dispatch_write;
    driver->DriverUnload = driver_unload;
    device->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}
