// winsim's service control manager controls for tests and the host: rebooting the machine, choosing which
// device a driver image creates, and reading the manager's view of a service. Like the other machine
// controls these act outside the API: they are neither logged nor faulted.
#ifndef WINSIM_SERVICES_H
#define WINSIM_SERVICES_H

#include <string>
#include <vector>

#include "windows.h"

namespace winsim {

// What a reboot does to services and drivers: every handle on the manager and its services is gone, every
// driver is unloaded and every device removed; services marked for deletion lose their keys; the manager
// reloads its database from the Services key (so keys written or deleted behind its back count from now);
// then the boot-, system- and automatic-start drivers whose images exist are loaded. Files, registry and
// the other handles stay as they are.
void RebootMachine();

// The device (\\.\NAME) that the driver image with this file name creates when it loads ("zelbase.sys" ->
// "zelbase" unless set otherwise); an empty name makes a driver that creates none. Kept until the next Boot.
void SetDriverDevice(const std::string& imageFileName, const std::string& deviceName);

// The manager's state of a service (SERVICE_STOPPED, SERVICE_RUNNING), or 0 when it knows no such service.
DWORD ServiceState(const std::string& name);
bool ServiceMarkedForDelete(const std::string& name);
// Names of the services the manager knows, in the order it learnt them.
std::vector<std::string> KnownServices();

}  // namespace winsim

#endif
