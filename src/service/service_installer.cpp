#include "service/service_installer.h"

#include <string.h>

#include <utility>

#include "generic/device_file.h"
#include "generic/proc_address.h"
#include "generic/error_predicates.h"
#include "service/service_key_values.h"
#include "service/service_manager.h"
#include "trace/trace_log.h"

namespace basetdic {
namespace {

const DWORD kServiceAccess = SERVICE_ALL_ACCESS;     // 0xF01FF
const size_t kExtensionLength = 4;                   // ".sys"

template <class Function>
void Bind(HMODULE module, const char* name, Function& slot) {
  slot = ProcAddress<Function>(module, name);
}

bool AllBound(const ServiceFunctions& f) {
  return f.createService && f.startService && f.controlService && f.deleteService && f.openService &&
         f.openSCManager && f.closeServiceHandle;
}

}  // namespace

ServiceInstaller::ServiceInstaller() : functionsBound_(0), osClass_(ClassifyOs()) { BindServiceFunctions(); }

void ServiceInstaller::BindServiceFunctions() {
  functionsBound_ = 0;
  memset(&functions_, 0, sizeof functions_);
  UniqueModule advapi(LoadLibraryA("advapi32.dll"));
  if (!advapi) return;
  Bind(advapi.get(), "CreateServiceA", functions_.createService);
  Bind(advapi.get(), "StartServiceA", functions_.startService);
  Bind(advapi.get(), "ControlService", functions_.controlService);
  Bind(advapi.get(), "DeleteService", functions_.deleteService);
  Bind(advapi.get(), "OpenServiceA", functions_.openService);
  Bind(advapi.get(), "OpenSCManagerA", functions_.openSCManager);
  Bind(advapi.get(), "CloseServiceHandle", functions_.closeServiceHandle);
  // The reference goes at once: the library links advapi32 itself, so the module and the addresses stay.
  advapi.reset();
  functionsBound_ = AllBound(functions_) ? 1 : 0;
}

UniqueServiceHandle ServiceInstaller::Own(SC_HANDLE handle) const {
  return UniqueServiceHandle(handle, ServiceHandleTraits::Closer{functions_.closeServiceHandle});
}

UniqueServiceHandle ServiceInstaller::OpenManager() const {
  return OpenServiceManager(functions_.openSCManager, ServiceHandleTraits::Closer{functions_.closeServiceHandle});
}

int ServiceInstaller::StartAndClose(UniqueServiceHandle service, UniqueServiceHandle manager) const {
  BOOL started = functions_.startService(service.get(), 0, nullptr);
  DWORD error = GetLastError();
  service.reset();
  manager.reset();
  return IsStartedOrAlreadyRunning(started, error) ? 1 : 0;
}

int ServiceInstaller::SetDriverPath(const char* driverFilePath) {
  device_.reset();
  if (driverFilePath == nullptr) return 0;
  const char* fileName = nullptr;
  if (IsNt4To6Class(osClass_)) {
    if (!driverPath_.Assign(driverFilePath)) return 0;
    const char* lastBackslash = strrchr(driverPath_.c_str(), '\\');
    if (lastBackslash == nullptr) return 0;
    fileName = lastBackslash + 1;
  } else {
    const char* lastBackslash = strrchr(driverFilePath, '\\');
    if (lastBackslash == nullptr) return 0;
    fileName = lastBackslash + 1;
  }
  // The name is the file name less its extension: a name of fewer than four characters has none to
  // drop, and one that does not fit whole is refused rather than cut into another service's name.
  size_t length = strlen(fileName);
  if (length < kExtensionLength || length >= decltype(serviceName_)::kCapacity) return 0;
  if (!serviceName_.Assign(fileName)) return 0;
  serviceName_.data()[length - kExtensionLength] = '\0';
  return 1;
}

int ServiceInstaller::RegisterService(const char* serviceName, const char* displayName, const char* imagePath,
                                      uint32_t startType, const char* dependencies) {
  if (!functionsBound_ || !IsNt4To6Class(osClass_)) return 0;
  UniqueServiceHandle manager = OpenManager();
  if (!manager) return 0;
  TraceLog("Install %s openSCManger OK!\n", TextOrEmpty(serviceName));

  UniqueServiceHandle service = Own(functions_.openService(manager.get(), serviceName, kServiceAccess));
  if (service) {
    // The service exists: its values are rewritten in the registry, not through the manager.
    RewriteDriverServiceValues(displayName, imagePath, startType, dependencies);
  } else {
    service = Own(functions_.createService(manager.get(), serviceName, displayName, kServiceAccess,
                                           SERVICE_KERNEL_DRIVER, startType, SERVICE_ERROR_NORMAL, imagePath,
                                           nullptr, nullptr, dependencies, nullptr, nullptr));
    if (!service) {
      DWORD error = GetLastError();
      TraceLog("Install %s CreateServidce Fail. LastError:%d \n", TextOrEmpty(serviceName), static_cast<int>(error));
      return 0;
    }
  }
  return StartAndClose(std::move(service), std::move(manager));
}

int ServiceInstaller::InstallAndStart() {
  if (!functionsBound_) return 0;
  if (!IsNt4To6Class(osClass_)) return 1;
  UniqueServiceHandle manager = OpenManager();
  if (!manager) return 0;
  UniqueServiceHandle service = Own(functions_.openService(manager.get(), serviceName_.c_str(), kServiceAccess));
  if (!service) {
    service = Own(functions_.createService(manager.get(), serviceName_.c_str(), serviceName_.c_str(), kServiceAccess,
                                           SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                           driverPath_.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    if (!service) return 0;
  }
  return StartAndClose(std::move(service), std::move(manager));
}

int ServiceInstaller::RemoveService() {
  if (!functionsBound_) return 0;
  if (!IsNt4To6Class(osClass_)) return 1;
  UniqueServiceHandle manager = OpenManager();
  if (!manager) return 0;
  UniqueServiceHandle service = Own(functions_.openService(manager.get(), serviceName_.c_str(), kServiceAccess));
  if (!service) return 0;
  functions_.deleteService(service.get());
  service.reset();
  return 1;
}

HANDLE ServiceInstaller::OpenDevice() {
  device_.reset();
  device_ = OpenDeviceFile(serviceName_.c_str());  // the 51-character service name always fits
  return DeviceHandle();
}

BOOL ServiceInstaller::CloseDevice() {
  HANDLE device = device_.release();
  return CloseHandle(device == INVALID_HANDLE_VALUE ? nullptr : device);
}

}  // namespace basetdic
