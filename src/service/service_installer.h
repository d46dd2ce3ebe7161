// The service installer: registers and starts a kernel-driver service through its own table of service
// control manager functions, looked up by name in advapi32.dll when it is built, and only on the NT
// family. Every manager and service handle an operation opens is closed, through the bound
// CloseServiceHandle, before the operation returns. The device handle that OpenDevice opens stays open
// until CloseDevice (or the object's end).
#ifndef BASETDIC_SERVICE_SERVICE_INSTALLER_H
#define BASETDIC_SERVICE_SERVICE_INSTALLER_H

#include <windows.h>

#include <stdint.h>

#include "service/os_class.h"
#include "generic/bounded_text.h"
#include "generic/win_handles.h"

namespace basetdic {

// The seven service-manager functions the installer calls, in the order they are bound.
struct ServiceFunctions {
  decltype(&::CreateServiceA) createService;
  decltype(&::StartServiceA) startService;
  decltype(&::ControlService) controlService;  // bound and required, though no operation calls it
  decltype(&::DeleteService) deleteService;
  decltype(&::OpenServiceA) openService;
  decltype(&::OpenSCManagerA) openSCManager;
  decltype(&::CloseServiceHandle) closeServiceHandle;
};

class ServiceInstaller {
 public:
  // Classifies the running system, then binds the service functions.
  ServiceInstaller();
  ServiceInstaller(const ServiceInstaller&) = delete;
  ServiceInstaller& operator=(const ServiceInstaller&) = delete;

  // Looks up the seven functions in advapi32.dll; FunctionsBound() only when all were found.
  void BindServiceFunctions();

  // Takes the driver file's full path: on the NT family it is stored as the driver path, and the file
  // name without its four-character extension becomes the service name. 0 when the path has no
  // backslash, when the file name is shorter than four characters or does not fit the 52-byte service
  // name, or when the path does not fit; the service name then stays as it was. Closes an open device.
  int SetDriverPath(const char* driverFilePath);

  // Registers the service or, when it already exists, rewrites its registry values directly; then
  // starts it. 1 when it started or was already running; 0 otherwise, and 0 at once when the functions
  // are not bound or the system is not of the NT family. Traces the manager's opening and a failed
  // creation.
  int RegisterService(const char* serviceName, const char* displayName, const char* imagePath, uint32_t startType,
                      const char* dependencies);

  // Creates (on-demand start) when missing and starts the service named by SetDriverPath. Outside the
  // NT family it does nothing and reports 1.
  int InstallAndStart();
  // Marks the service named by SetDriverPath for deletion, running or not. Outside the NT family it does
  // nothing and reports 1.
  int RemoveService();

  // Opens \\.\serviceName for reading and writing; the handle, or null when it did not open.
  HANDLE OpenDevice();
  // Closes the device handle with CloseHandle and returns its result; the handle is forgotten either way.
  BOOL CloseDevice();

  bool FunctionsBound() const { return functionsBound_ != 0; }
  OsClass Class() const { return osClass_; }
  const ServiceFunctions& Functions() const { return functions_; }
  const char* DriverPath() const { return driverPath_.c_str(); }
  const char* ServiceName() const { return serviceName_.c_str(); }
  HANDLE DeviceHandle() const { return device_.valid() ? device_.get() : nullptr; }

 private:
  // Owns a manager or service handle, closing it through the bound CloseServiceHandle.
  UniqueServiceHandle Own(SC_HANDLE handle) const;
  UniqueServiceHandle OpenManager() const;
  // 1 when the service started or was already running.
  int StartAndClose(UniqueServiceHandle service, UniqueServiceHandle manager) const;

  ServiceFunctions functions_;
  UniqueFile device_;
  PathBuffer driverPath_;
  TextBuffer<52> serviceName_;
  int32_t functionsBound_;
  OsClass osClass_;
};

}  // namespace basetdic

#endif
