// The host on Windows (and Wine): the library is basetdic.dll, loaded with LoadLibraryA, and the machine
// is the running system. Snapshots look where the library works: the Services key, the product's key, the
// driver directory and the product data path.
#include <windows.h>

#include "platform.h"
#include "generic/proc_address.h"
#include "rules/product_names.h"
#include "registry_key.h"
#include "trace_switch.h"
#include "generic/win_handles.h"

namespace host::platform {
namespace {

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string FullPath(const std::string& path) {
  char full[MAX_PATH + 1] = {};
  DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  return length > 0 && length < MAX_PATH ? std::string(full, length) : path;
}

std::string ExecutablePath() {
  char path[MAX_PATH + 1] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(path, length) : std::string();
}

std::string SystemDirectory() {
  char path[MAX_PATH + 1] = {};
  UINT length = GetSystemDirectoryA(path, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(path, length) : std::string("C:\\WINDOWS\\system32");
}

const char kNotSimulated[] = " works on the simulated machine only (the Linux build); on Windows the host acts on "
                             "the running system";

}  // namespace

const char* Name() { return "windows"; }

std::string DefaultLibraryPath() { return FolderOf(ExecutablePath()) + "\\basetdic.dll"; }

bool LoadModuleLibrary(const std::string& path, ModuleEntryPoints* entryPoints, std::string* error) {
  HMODULE library = LoadLibraryA(path.c_str());
  if (library == nullptr) {
    *error = "LoadLibraryA failed with error " + std::to_string(GetLastError());
    return false;
  }
  entryPoints->queryModuleObj = basetdic::ProcAddress<QueryModuleObjFn>(library, "QueryModuleObj");
  entryPoints->releaseObj = basetdic::ProcAddress<ReleaseObjFn>(library, "ReleaseObj");
  if (entryPoints->queryModuleObj == nullptr || entryPoints->releaseObj == nullptr) {
    *error = "it does not export QueryModuleObj and ReleaseObj";
    return false;
  }
  return true;
}

bool OpenMachine(const HostRequest&, bool* created, std::string*) {
  *created = false;
  return true;
}

bool SaveMachine(const HostRequest&, std::string*) { return true; }

bool KeepCreatedMachine(std::string*) { return true; }

std::string MachineLocation(const HostRequest&) { return "this Windows system"; }

bool InitMachine(const HostRequest&, std::string* error) {
  *error = std::string("machine init") + kNotSimulated;
  return false;
}

bool RebootMachine(std::string* error) {
  *error = std::string("machine reboot") + kNotSimulated + "; restart Windows instead";
  return false;
}

std::string DefaultSetupFolder(const std::string& libraryPath) { return FolderOf(FullPath(libraryPath)); }

SnapshotScope Scope() {
  SnapshotScope scope;
  const std::string machine = "HKLM\\";
  scope.registryRoots = {machine + basetdic::kServicesKey, machine + basetdic::kVendorKey};
  scope.folders.push_back({SystemDirectory() + "\\drivers", false});
  DWORD type = 0;
  std::string dataPath;
  const std::string productKey = machine + basetdic::kVendorKey + "\\" + basetdic::kProductKey;
  if (ReadRegistryValue(productKey, basetdic::kDataPathValue, &type, &dataPath) && type == REG_SZ) {
    dataPath = dataPath.c_str();
    if (!dataPath.empty()) scope.folders.push_back({dataPath, true});
  }
  scope.traceFile = TraceFilePath();
  // The product's services; asking the manager about every service on a live system costs seconds.
  scope.services = {"basetdi", "zelbase", "Zelservice", "QdFwDrv", "HookUrl"};
  return scope;
}

// The devices the product's drivers create, found by opening them as the library does.
std::vector<std::string> Devices() {
  std::vector<std::string> devices;
  for (const char* name : {"baseTdi", "zelbase"}) {
    std::string path = std::string("\\\\.\\") + name;
    basetdic::UniqueFile device(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (device) devices.push_back(name);
  }
  return devices;
}

std::vector<std::string> ServicesKnownToManager() { return {}; }

std::vector<LaunchState> Launches() { return {}; }

bool SeesLaunches() { return false; }

bool BeginRehearsal(const HostRequest&, std::string* error) {
  *error = "not rehearsed: on a live system explain only reads the version and the module kind";
  return false;
}

void EndRehearsal() {}

bool RecallFileContent(const std::string&, uint64_t, uint64_t*, std::string*) { return false; }

void RememberFileContent(const std::string&, uint64_t, uint64_t, const std::string&) {}

}  // namespace host::platform
