#include "scm_handles.h"

#include <set>

#include "api_call.h"
#include "machine_state.h"

namespace winsim::detail {
namespace {

// Every manager and service handle handed out since boot and not yet closed.
std::set<const void*>& LiveScHandles() {
  static std::set<const void*> handles;
  return handles;
}

const bool registered = OnBoot([] { LiveScHandles().clear(); });

SC_HANDLE Register(std::shared_ptr<HandleObject> object) {
  (void)registered;
  void* handle = Handles().Add(std::move(object));
  LiveScHandles().insert(handle);
  return static_cast<SC_HANDLE>(handle);
}

}  // namespace

DWORD MapManagerAccess(DWORD desired) {
  DWORD access = desired & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL | MAXIMUM_ALLOWED);
  if (desired & GENERIC_READ) access |= READ_CONTROL | SC_MANAGER_ENUMERATE_SERVICE | SC_MANAGER_QUERY_LOCK_STATUS;
  if (desired & GENERIC_WRITE) access |= READ_CONTROL | SC_MANAGER_CREATE_SERVICE | SC_MANAGER_MODIFY_BOOT_CONFIG;
  if (desired & GENERIC_EXECUTE) access |= READ_CONTROL | SC_MANAGER_CONNECT | SC_MANAGER_LOCK;
  if (desired & (GENERIC_ALL | MAXIMUM_ALLOWED)) access |= SC_MANAGER_ALL_ACCESS;
  // Opening the manager always grants the right to connect to it.
  return access | SC_MANAGER_CONNECT;
}

DWORD MapServiceAccess(DWORD desired) {
  DWORD access = desired & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL | MAXIMUM_ALLOWED);
  if (desired & GENERIC_READ)
    access |= READ_CONTROL | SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS | SERVICE_INTERROGATE |
              SERVICE_ENUMERATE_DEPENDENTS;
  if (desired & GENERIC_WRITE) access |= READ_CONTROL | SERVICE_CHANGE_CONFIG;
  if (desired & GENERIC_EXECUTE)
    access |= READ_CONTROL | SERVICE_START | SERVICE_STOP | SERVICE_PAUSE_CONTINUE | SERVICE_USER_DEFINED_CONTROL;
  if (desired & (GENERIC_ALL | MAXIMUM_ALLOWED)) access |= SERVICE_ALL_ACCESS;
  return access;
}

SC_HANDLE NewManagerHandle(DWORD desired) {
  auto object = std::make_shared<ManagerObject>();
  object->access = MapManagerAccess(desired);
  return Register(object);
}

SC_HANDLE NewServiceHandle(const std::shared_ptr<ServiceRecord>& record, DWORD desired) {
  auto object = std::make_shared<ServiceObject>();
  object->record = record;
  object->access = MapServiceAccess(desired);
  ++record->openHandles;
  return Register(object);
}

std::shared_ptr<ManagerObject> ManagerOf(SC_HANDLE handle, DWORD needed, DWORD* error) {
  auto object = Handles().Get<ManagerObject>(handle, HandleKind::ServiceManager);
  if (!object) {
    *error = ERROR_INVALID_HANDLE;
  } else if ((object->access & needed) != needed) {
    *error = ERROR_ACCESS_DENIED;
    object = nullptr;
  }
  return object;
}

std::shared_ptr<ServiceObject> ServiceOf(SC_HANDLE handle, DWORD needed, DWORD* error) {
  auto object = Handles().Get<ServiceObject>(handle, HandleKind::Service);
  if (!object) {
    *error = ERROR_INVALID_HANDLE;
  } else if ((object->access & needed) != needed) {
    *error = ERROR_ACCESS_DENIED;
    object = nullptr;
  }
  return object;
}

bool CloseScHandle(SC_HANDLE handle) {
  auto found = Handles().Find(handle);
  if (!found || (found->Kind() != HandleKind::ServiceManager && found->Kind() != HandleKind::Service)) return false;
  Handles().Remove(handle);
  LiveScHandles().erase(handle);
  if (found->Kind() == HandleKind::Service) {
    auto record = std::static_pointer_cast<ServiceObject>(found)->record;
    if (record->openHandles > 0) --record->openHandles;
    Services().RemoveIfDone(record);
  }
  return true;
}

void DropAllScHandles() {
  for (const void* handle : LiveScHandles()) Handles().Remove(handle);
  LiveScHandles().clear();
}

std::string ScHandleArg(SC_HANDLE handle) {
  std::string text = Hex(reinterpret_cast<uintptr_t>(handle));
  if (auto service = Handles().Get<ServiceObject>(handle, HandleKind::Service))
    text += " " + Arg(service->record->name.c_str());
  return text;
}

}  // namespace winsim::detail
