// Kernel-driver services managed by name through the service control manager, linked directly, and the
// device each driver creates under the same name (\\.\NAME). The functions keep no state and trace
// nothing; failures show only in their results. Every service and manager handle they open is closed
// before they return; a device handle outlives the call only when the caller gives a place for it.
#ifndef BASETDIC_SERVICE_DRIVER_SERVICE_H
#define BASETDIC_SERVICE_DRIVER_SERVICE_H

#include <windows.h>

#include "generic/device_file.h"  // kMaxDeviceName

namespace basetdic {

// Registers an automatic-start kernel-driver service whose display name is its name. 1 when created;
// 0 otherwise, including for a name already registered (whose registration stays as it was).
int CreateDriverService(SC_HANDLE manager, const char* serviceName, const char* imagePath);

// 1 when the service started or was already running (ERROR_SERVICE_ALREADY_RUNNING); 0 otherwise. It does
// not wait for the running state.
int StartDriverService(SC_HANDLE manager, const char* serviceName);

// Opens \\.\deviceName for reading and writing without sharing. 1 when it opened: the handle goes to
// *device when given (the caller closes it) and is closed at once otherwise, which makes the call a probe.
// 0 when it did not open, and for a name longer than kMaxDeviceName; *device is then untouched.
int OpenDriverDevice(const char* deviceName, HANDLE* device);

// The stop request's result: non-zero when the service accepted it, 0 when refused or not opened.
int StopDriverService(SC_HANDLE manager, const char* serviceName);

// The delete request's result: non-zero when the service was marked for deletion, 0 when refused or not
// opened.
int DeleteDriverService(SC_HANDLE manager, const char* serviceName);

// With a manager of its own: registers the driver service when missing (an existing one keeps its
// registration), starts it, and opens its device. The result is the device's alone: 1 when it opened,
// whatever creating and starting did.
int CreateStartOpenDriver(const char* serviceName, const char* imagePath, HANDLE* device);

// With a manager of its own: asks the service to stop when it opens. Always 1.
int StopServiceByName(const char* serviceName);

}  // namespace basetdic

#endif
