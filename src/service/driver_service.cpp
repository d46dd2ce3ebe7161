#include "service/driver_service.h"

#include "generic/bounded_text.h"
#include "generic/win_errors.h"
#include "generic/win_handles.h"

namespace basetdic {
namespace {

// "\\.\" and up to kMaxDeviceName characters with the terminator.
using DevicePath = TextBuffer<64>;
static_assert(sizeof("\\\\.\\") - 1 + kMaxDeviceName + 1 == DevicePath::kCapacity, "the longest name fits");

UniqueServiceHandle OpenManager() {
  return UniqueServiceHandle(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
}

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
  DevicePath path;
  if (deviceName == nullptr || !path.Format("\\\\.\\%s", deviceName)) return 0;
  UniqueFile opened(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
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
  UniqueServiceHandle manager = OpenManager();
  UniqueServiceHandle created(CreateAutoStartDriver(manager.get(), serviceName, imagePath));
  created.reset();
  StartDriverService(manager.get(), serviceName);
  return OpenDriverDevice(serviceName, device);
}

int StopServiceByName(const char* serviceName) {
  UniqueServiceHandle manager = OpenManager();
  UniqueServiceHandle service = OpenDriverServiceHandle(manager.get(), serviceName);
  if (service) RequestStop(service.get());
  return 1;
}

}  // namespace basetdic
