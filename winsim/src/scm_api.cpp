// advapi32's service control manager functions over the manager's database, with the argument checks
// and error codes Windows gives (in the order its conformance tests show them).
#include <cstring>

#include "api_call.h"
#include "machine_state.h"
#include "scm_drivers.h"
#include "scm_handles.h"

using winsim::detail::ApiCall;
using winsim::detail::Arg;
using winsim::detail::Hex;
using winsim::detail::ServiceConfig;
using winsim::detail::ServiceRecord;
using winsim::detail::Services;

namespace {

const size_t kMaxServiceName = 256;

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

SC_HANDLE FailHandle(DWORD error) {
  SetLastError(error);
  return nullptr;
}

// The Windows 95 family has no service manager: advapi32 carries the functions only as stubs that fail.
bool NoServiceManager() { return winsim::detail::IsWin9xFamily(winsim::Config().os); }

// A service name is a key name: not empty, not too long, no path separators.
bool IsValidServiceName(const char* name) {
  size_t length = strlen(name);
  return length > 0 && length <= kMaxServiceName && !strchr(name, '\\') && !strchr(name, '/');
}

// A dependency list: names, each terminated, closed by an empty one; "+name" names a load-order group.
void ParseDependencies(const char* list, ServiceConfig* config) {
  for (const char* item = list; item && *item; item += strlen(item) + 1) {
    if (item[0] == SC_GROUP_IDENTIFIERA) {
      if (item[1]) config->dependOnGroups.push_back(item + 1);
    } else {
      config->dependOnServices.push_back(item);
    }
  }
}

// Only boot- and system-start drivers of a load-order group are ordered by tags.
DWORD AssignTag(const ServiceConfig& config, LPDWORD tagId, DWORD* tag) {
  bool taggable = (config.type & SERVICE_DRIVER) && !config.group.empty() &&
                  (config.start == SERVICE_BOOT_START || config.start == SERVICE_SYSTEM_START);
  if (!taggable) return ERROR_INVALID_PARAMETER;
  DWORD highest = 0;
  for (const auto& record : Services().Records()) {
    if (winsim::detail::EqualNoCase(record->config.group, config.group) && record->config.tag > highest)
      highest = record->config.tag;
  }
  *tag = highest + 1;
  *tagId = *tag;
  return NO_ERROR;
}

void FillStatus(const ServiceRecord& record, LPSERVICE_STATUS status) {
  memset(status, 0, sizeof *status);
  status->dwServiceType = record.config.type;
  status->dwCurrentState = record.state;
  status->dwControlsAccepted = record.IsDriver() && record.state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
  status->dwWin32ExitCode = record.exitCode;
}

// The right a control code needs, or 0 for a code that is no control.
DWORD AccessForControl(DWORD control) {
  switch (control) {
    case SERVICE_CONTROL_STOP: return SERVICE_STOP;
    case SERVICE_CONTROL_INTERROGATE: return SERVICE_INTERROGATE;
    case 2:  // pause
    case 3:  // continue
    case 6:  // parameter change
    case 7:
    case 8:
    case 9:
    case 10: return SERVICE_PAUSE_CONTINUE;  // network binding changes
    default: return control >= 128 && control <= 255 ? SERVICE_USER_DEFINED_CONTROL : 0;
  }
}

std::string DependencyText(const ServiceConfig& config) {
  std::string text;
  for (const std::string& name : config.dependOnServices) text += name + std::string(1, '\0');
  for (const std::string& group : config.dependOnGroups) text += "+" + group + std::string(1, '\0');
  return text + std::string(1, '\0');
}

// Copies a text into the string area behind the record and returns where it landed.
LPSTR Place(char*& cursor, const std::string& bytes) {
  LPSTR placed = cursor;
  memcpy(cursor, bytes.data(), bytes.size());
  cursor += bytes.size();
  return placed;
}

}  // namespace

extern "C" {

SC_HANDLE WINAPI OpenSCManagerA(LPCSTR machineName, LPCSTR databaseName, DWORD desiredAccess) {
  ApiCall call("OpenSCManagerA", Arg(machineName) + " " + Arg(databaseName) + " access=" + Hex(desiredAccess));
  if (call.Fault()) return nullptr;
  if (NoServiceManager()) return FailHandle(ERROR_CALL_NOT_IMPLEMENTED);
  if (machineName && *machineName) return FailHandle(RPC_S_SERVER_UNAVAILABLE);  // no other machine is reachable
  if (databaseName && *databaseName) {
    if (winsim::detail::EqualNoCase(databaseName, SERVICES_FAILED_DATABASEA))
      return FailHandle(ERROR_DATABASE_DOES_NOT_EXIST);
    if (!winsim::detail::EqualNoCase(databaseName, SERVICES_ACTIVE_DATABASEA)) return FailHandle(ERROR_INVALID_NAME);
  }
  SC_HANDLE manager = winsim::detail::NewManagerHandle(desiredAccess);
  SetLastError(ERROR_SUCCESS);
  return manager;
}

SC_HANDLE WINAPI CreateServiceA(SC_HANDLE manager, LPCSTR serviceName, LPCSTR displayName, DWORD desiredAccess,
                                DWORD serviceType, DWORD startType, DWORD errorControl, LPCSTR binaryPathName,
                                LPCSTR loadOrderGroup, LPDWORD tagId, LPCSTR dependencies, LPCSTR serviceStartName,
                                LPCSTR) {
  ApiCall call("CreateServiceA", Arg(serviceName) + " " + Arg(displayName) + " type=" + std::to_string(serviceType) +
                                     " start=" + std::to_string(startType) + " image=" + Arg(binaryPathName));
  if (call.Fault()) return nullptr;
  if (NoServiceManager()) return FailHandle(ERROR_CALL_NOT_IMPLEMENTED);
  DWORD error = NO_ERROR;
  if (!winsim::detail::ManagerOf(manager, 0, &error)) return FailHandle(error);
  if (!serviceName || !binaryPathName) return FailHandle(ERROR_INVALID_ADDRESS);
  if (!winsim::detail::ManagerOf(manager, SC_MANAGER_CREATE_SERVICE, &error)) return FailHandle(error);
  if (!IsValidServiceName(serviceName)) return FailHandle(ERROR_INVALID_NAME);
  if (!*binaryPathName) return FailHandle(ERROR_INVALID_PARAMETER);

  ServiceConfig config;
  config.type = serviceType;
  config.start = startType;
  config.errorControl = errorControl;
  config.imagePath = binaryPathName;
  config.group = loadOrderGroup ? loadOrderGroup : "";
  config.displayName = displayName ? displayName : "";
  config.objectName = serviceStartName ? serviceStartName : "";
  // Win32 services run as LocalSystem unless told otherwise; a driver's ObjectName is its driver object.
  if (config.objectName.empty() && (serviceType & SERVICE_WIN32)) config.objectName = "LocalSystem";
  ParseDependencies(dependencies, &config);
  if (!winsim::detail::IsValidServiceConfig(config)) return FailHandle(ERROR_INVALID_PARAMETER);
  if ((serviceType & SERVICE_INTERACTIVE_PROCESS) && !winsim::detail::EqualNoCase(config.objectName, "LocalSystem"))
    return FailHandle(ERROR_INVALID_PARAMETER);

  if (auto existing = Services().Find(serviceName))
    return FailHandle(existing->markedForDelete ? ERROR_SERVICE_MARKED_FOR_DELETE : ERROR_SERVICE_EXISTS);
  const std::string& shownAs = config.displayName.empty() ? std::string(serviceName) : config.displayName;
  if (Services().FindByDisplayName(shownAs) || Services().Find(shownAs))
    return FailHandle(ERROR_DUPLICATE_SERVICE_NAME);
  if (tagId) {
    DWORD tagError = AssignTag(config, tagId, &config.tag);
    if (tagError != NO_ERROR) return FailHandle(tagError);
  }
  auto record = Services().Add(serviceName, config);
  return winsim::detail::NewServiceHandle(record, desiredAccess);
}

SC_HANDLE WINAPI OpenServiceA(SC_HANDLE manager, LPCSTR serviceName, DWORD desiredAccess) {
  ApiCall call("OpenServiceA", Arg(serviceName) + " access=" + Hex(desiredAccess));
  if (call.Fault()) return nullptr;
  if (NoServiceManager()) return FailHandle(ERROR_CALL_NOT_IMPLEMENTED);
  DWORD error = NO_ERROR;
  if (!winsim::detail::ManagerOf(manager, 0, &error)) return FailHandle(error);
  if (!serviceName) return FailHandle(ERROR_INVALID_ADDRESS);
  if (!IsValidServiceName(serviceName)) return FailHandle(ERROR_INVALID_NAME);
  // A service marked for deletion still opens while it exists; it refuses starts and a second delete.
  auto record = Services().Find(serviceName);
  if (!record) return FailHandle(ERROR_SERVICE_DOES_NOT_EXIST);
  return winsim::detail::NewServiceHandle(record, desiredAccess);
}

BOOL WINAPI StartServiceA(SC_HANDLE service, DWORD argc, LPCSTR*) {
  std::lock_guard<std::recursive_mutex> lock(winsim::detail::MachineLock());
  ApiCall call("StartServiceA", winsim::detail::ScHandleArg(service) + " argc=" + std::to_string(argc));
  if (call.Fault()) return FALSE;
  if (NoServiceManager()) return Fail(ERROR_CALL_NOT_IMPLEMENTED);
  DWORD error = NO_ERROR;
  auto object = winsim::detail::ServiceOf(service, SERVICE_START, &error);
  if (!object) return Fail(error);
  ServiceRecord& record = *object->record;
  if (record.markedForDelete) return Fail(ERROR_SERVICE_MARKED_FOR_DELETE);
  if (record.config.start == SERVICE_DISABLED) return Fail(ERROR_SERVICE_DISABLED);
  if (record.state != SERVICE_STOPPED) return Fail(ERROR_SERVICE_ALREADY_RUNNING);
  error = winsim::detail::StartServiceRecord(record);
  if (error != NO_ERROR) return Fail(error);
  return TRUE;
}

BOOL WINAPI ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) {
  std::lock_guard<std::recursive_mutex> lock(winsim::detail::MachineLock());
  ApiCall call("ControlService", winsim::detail::ScHandleArg(service) + " control=" + std::to_string(control));
  if (call.Fault()) return FALSE;
  if (NoServiceManager()) return Fail(ERROR_CALL_NOT_IMPLEMENTED);
  DWORD needed = AccessForControl(control);
  DWORD error = NO_ERROR;
  auto object = winsim::detail::ServiceOf(service, needed, &error);
  if (!object) return Fail(error);
  if (needed == 0) return Fail(ERROR_INVALID_PARAMETER);
  if (!status) return Fail(ERROR_INVALID_ADDRESS);
  ServiceRecord& record = *object->record;
  if (record.state == SERVICE_STOPPED) {
    FillStatus(record, status);
    return Fail(ERROR_SERVICE_NOT_ACTIVE);
  }
  if (control == SERVICE_CONTROL_STOP) {
    winsim::detail::StopServiceRecord(record);
  } else if (control != SERVICE_CONTROL_INTERROGATE) {
    // Drivers accept stop and interrogate only.
    FillStatus(record, status);
    return Fail(ERROR_INVALID_SERVICE_CONTROL);
  }
  FillStatus(record, status);
  return TRUE;
}

BOOL WINAPI DeleteService(SC_HANDLE service) {
  std::lock_guard<std::recursive_mutex> lock(winsim::detail::MachineLock());
  ApiCall call("DeleteService", winsim::detail::ScHandleArg(service));
  if (call.Fault()) return FALSE;
  if (NoServiceManager()) return Fail(ERROR_CALL_NOT_IMPLEMENTED);
  DWORD error = NO_ERROR;
  auto object = winsim::detail::ServiceOf(service, DELETE, &error);
  if (!object) return Fail(error);
  if (object->record->markedForDelete) return Fail(ERROR_SERVICE_MARKED_FOR_DELETE);
  Services().MarkForDelete(*object->record);
  return TRUE;
}

BOOL WINAPI CloseServiceHandle(SC_HANDLE object) {
  std::lock_guard<std::recursive_mutex> lock(winsim::detail::MachineLock());
  ApiCall call("CloseServiceHandle", winsim::detail::ScHandleArg(object));
  if (call.Fault()) return FALSE;
  if (NoServiceManager()) return Fail(ERROR_CALL_NOT_IMPLEMENTED);
  if (!winsim::detail::CloseScHandle(object)) return Fail(ERROR_INVALID_HANDLE);
  return TRUE;
}

BOOL WINAPI QueryServiceStatus(SC_HANDLE service, LPSERVICE_STATUS status) {
  std::lock_guard<std::recursive_mutex> lock(winsim::detail::MachineLock());
  ApiCall call("QueryServiceStatus", winsim::detail::ScHandleArg(service));
  if (call.Fault()) return FALSE;
  if (NoServiceManager()) return Fail(ERROR_CALL_NOT_IMPLEMENTED);
  DWORD error = NO_ERROR;
  auto object = winsim::detail::ServiceOf(service, SERVICE_QUERY_STATUS, &error);
  if (!object) return Fail(error);
  if (!status) return Fail(ERROR_INVALID_ADDRESS);
  FillStatus(*object->record, status);
  return TRUE;
}

BOOL WINAPI QueryServiceConfigA(SC_HANDLE service, LPQUERY_SERVICE_CONFIGA config, DWORD bufSize,
                                LPDWORD bytesNeeded) {
  std::lock_guard<std::recursive_mutex> lock(winsim::detail::MachineLock());
  ApiCall call("QueryServiceConfigA", winsim::detail::ScHandleArg(service) + " size=" + std::to_string(bufSize));
  if (call.Fault()) return FALSE;
  if (NoServiceManager()) return Fail(ERROR_CALL_NOT_IMPLEMENTED);
  DWORD error = NO_ERROR;
  auto object = winsim::detail::ServiceOf(service, SERVICE_QUERY_CONFIG, &error);
  if (!object) return Fail(error);
  if (!bytesNeeded) return Fail(ERROR_INVALID_ADDRESS);
  const ServiceRecord& record = *object->record;
  const ServiceConfig& stored = record.config;
  auto terminated = [](const std::string& text) { return text + std::string(1, '\0'); };
  std::string path = terminated(stored.imagePath);
  std::string group = terminated(stored.group);
  std::string dependencies = DependencyText(stored);
  std::string startName = terminated(stored.objectName);
  std::string display = terminated(record.DisplayName());
  size_t needed = sizeof(QUERY_SERVICE_CONFIGA) + path.size() + group.size() + dependencies.size() +
                  startName.size() + display.size();
  *bytesNeeded = static_cast<DWORD>(needed);
  if (!config || bufSize < needed) return Fail(ERROR_INSUFFICIENT_BUFFER);
  config->dwServiceType = stored.type;
  config->dwStartType = stored.start;
  config->dwErrorControl = stored.errorControl;
  config->dwTagId = stored.tag;
  char* cursor = reinterpret_cast<char*>(config + 1);
  config->lpBinaryPathName = Place(cursor, path);
  config->lpLoadOrderGroup = Place(cursor, group);
  config->lpDependencies = Place(cursor, dependencies);
  config->lpServiceStartName = Place(cursor, startName);
  config->lpDisplayName = Place(cursor, display);
  return TRUE;
}

}  // extern "C"
