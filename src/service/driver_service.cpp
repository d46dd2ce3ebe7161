#include "service/driver_service.h"

#include "generic/device_file.h"
#include "generic/error_predicates.h"
#include "generic/win_handles.h"
#include "service/service_manager.h"

namespace basetdic {
namespace {

UniqueServiceHandle OpenDriverServiceHandle(SC_HANDLE manager, const char* serviceName) {
  return UniqueServiceHandle(OpenServiceA(manager, serviceName, SERVICE_ALL_ACCESS));
}

// The one registration every driver service here gets.
SC_HANDLE CreateAutoStartDriver(SC_HANDLE manager, const char* serviceName, const char* imagePath) {
  return CreateServiceA(manager, serviceName, serviceName, SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
                        SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, imagePath, nullptr, nullptr, nullptr, nullptr,
                        nullptr);
}

BOOL RequestStop(SC_HANDLE service) {
  SERVICE_STATUS ignored;
  return ControlService(service, SERVICE_CONTROL_STOP, &ignored);
}

}  // namespace

int CreateDriverService(SC_HANDLE manager, const char* serviceName, const char* imagePath) {
  UniqueServiceHandle service(CreateAutoStartDriver(manager, serviceName, imagePath));
  return service ? 1 : 0;
}

int StartDriverService(SC_HANDLE manager, const char* serviceName) {
  UniqueServiceHandle service = OpenDriverServiceHandle(manager, serviceName);
  if (!service) return 0;
  const BOOL started = StartServiceA(service.get(), 0, nullptr);
  return IsStartedOrAlreadyRunning(started, GetLastError()) ? 1 : 0;
}

int OpenDriverDevice(const char* deviceName, HANDLE* device) {
  UniqueFile opened = OpenDeviceFile(deviceName);
  if (!opened) return 0;
  if (device != nullptr) *device = opened.release();
  return 1;
}

int StopDriverService(SC_HANDLE manager, const char* serviceName) {
  UniqueServiceHandle service = OpenDriverServiceHandle(manager, serviceName);
  if (!service) return 0;
  return RequestStop(service.get());
}

int DeleteDriverService(SC_HANDLE manager, const char* serviceName) {
  UniqueServiceHandle service = OpenDriverServiceHandle(manager, serviceName);
  if (!service) return 0;
  return DeleteService(service.get());
}

int CreateStartOpenDriver(const char* serviceName, const char* imagePath, HANDLE* device) {
  // Whether the manager opened is not tested: without it creating and starting fail on their own, and
  // the device decides the outcome either way.
  UniqueServiceHandle manager = OpenServiceManager();
  UniqueServiceHandle created(CreateAutoStartDriver(manager.get(), serviceName, imagePath));
  created.reset();
  StartDriverService(manager.get(), serviceName);
  return OpenDriverDevice(serviceName, device);
}

int StopServiceByName(const char* serviceName) {
  UniqueServiceHandle manager = OpenServiceManager();
  UniqueServiceHandle service = OpenDriverServiceHandle(manager.get(), serviceName);
  if (service) RequestStop(service.get());
  return 1;
}

}  // namespace basetdic
