// The service part of a snapshot: what the service manager reports about the scope's services, or about
// every key directly below the Services key (a key the manager does not know is only registry).
#include <windows.h>

#include <vector>

#include "generic/win_handles.h"
#include "observe/snapshot.h"
#include "rules/product_names.h"

namespace host {
namespace {

std::string Text(const char* text) { return text ? text : ""; }

std::vector<std::string> MultiText(const char* list) {
  std::vector<std::string> items;
  while (list && *list) {
    items.push_back(list);
    list += items.back().size() + 1;
  }
  return items;
}

bool ReadService(SC_HANDLE manager, const std::string& name, ServiceState* service) {
  service->name = name;
  basetdic::UniqueServiceHandle handle(OpenServiceA(manager, name.c_str(), SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS));
  if (handle.get() == nullptr) {
    service->markedForDelete = GetLastError() == ERROR_SERVICE_MARKED_FOR_DELETE;
    return service->markedForDelete;
  }
  std::vector<char> buffer(8192);
  DWORD needed = 0;
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
  if (!QueryServiceConfigA(handle.get(), config, static_cast<DWORD>(buffer.size()), &needed)) {
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
    buffer.resize(needed);
    config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    if (!QueryServiceConfigA(handle.get(), config, static_cast<DWORD>(buffer.size()), &needed)) return false;
  }
  service->type = config->dwServiceType;
  service->start = config->dwStartType;
  service->errorControl = config->dwErrorControl;
  service->imagePath = Text(config->lpBinaryPathName);
  service->group = Text(config->lpLoadOrderGroup);
  service->dependencies = MultiText(config->lpDependencies);
  service->displayName = Text(config->lpDisplayName);
  SERVICE_STATUS status{};
  if (QueryServiceStatus(handle.get(), &status)) service->state = status.dwCurrentState;
  return true;
}

}  // namespace

void SnapshotServices(const SnapshotScope& scope, Snapshot* snapshot) {
  basetdic::UniqueServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (manager.get() == nullptr) return;
  std::vector<std::string> names = scope.services;
  if (names.empty()) {
    if (scope.servicesKnownToManager != nullptr) names = scope.servicesKnownToManager();
    const std::string prefix = LowerAscii(std::string("HKLM\\") + basetdic::kServicesKey + "\\");
    for (const auto& key : snapshot->keys) {
      if (key.first.compare(0, prefix.size(), prefix) != 0) continue;
      std::string name = key.second.path.substr(prefix.size());
      if (!name.empty() && name.find('\\') == std::string::npos) names.push_back(name);
    }
  }
  for (const std::string& name : names) {
    if (snapshot->services.count(LowerAscii(name))) continue;
    ServiceState service;
    if (ReadService(manager.get(), name, &service)) snapshot->services[LowerAscii(name)] = service;
  }
}

}  // namespace host
