// The host on Windows (and Wine): the library is basetdic.dll, loaded with LoadLibraryA, and the machine
// is the running system. Snapshots look where the library works: the Services key, the product's key, the
// driver directory and the product data path.
#include <windows.h>

#include "cli/word_list.h"
#include "generic/device_file.h"
#include "generic/proc_address.h"
#include "generic/win_handles.h"
#include "observe/registry_key.h"
#include "observe/system_paths.h"
#include "observe/trace_file.h"
#include "platform/platform.h"
#include "platform/windows/interposed_library.h"
#include "report/error_words.h"
#include "rules/product_names.h"

namespace host::platform {
namespace {

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// The path as given when it has no full form that fits.
std::string FullPath(const std::string& path) {
  std::string full =
      FetchPath([&](char* buffer, DWORD size) { return GetFullPathNameA(path.c_str(), size, buffer, nullptr); });
  return full.empty() ? path : full;
}

// Where Windows keeps the system directory when it cannot be had.
std::string SystemDirectoryOrDefault() {
  std::string directory = SystemDirectory();
  return directory.empty() ? std::string("C:\\WINDOWS\\system32") : directory;
}

const char kSimulatedOnly[] = " on the simulated machine only (the Linux build); on Windows the host acts on the "
                              "running system";

}  // namespace

const char* Name() { return "windows"; }

std::string DefaultLibraryPath() { return FolderOf(ExecutablePath()) + "\\" + basetdic::kLibraryFile; }

std::string LibraryFile(const std::string& given) { return FullPath(given); }

bool LibraryVersion(const std::string& path, VersionFacts* facts, std::string* why) {
  if (ReadVersionFacts(path, facts)) return true;
  *why = "no version resource";
  return false;
}

bool LoadModuleLibrary(const std::string& path, ModuleEntryPoints* entryPoints, std::string* error) {
  if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    *error = "there is no file " + path + " (" + ErrorWords(GetLastError()) + ")";
    return false;
  }
  // A file that is no program for this process is refused with an error, not a message box that waits
  // for someone to close it (NT 4.0 and 5.x show one for a bad image).
  UINT errorMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE library = LoadLibraryA(path.c_str());
  DWORD loadError = GetLastError();
  SetErrorMode(errorMode);
  if (library == nullptr) {
    *error = "LoadLibraryA failed: " + ErrorWords(loadError);
    return false;
  }
  // Before any object exists, so that every call the library makes for the run goes through the wrappers.
  InterposeOn(library);
  entryPoints->queryModuleObj = basetdic::ProcAddress<QueryModuleObjFn>(library, "QueryModuleObj");
  entryPoints->releaseObj = basetdic::ProcAddress<ReleaseObjFn>(library, "ReleaseObj");
  if (entryPoints->queryModuleObj == nullptr || entryPoints->releaseObj == nullptr) {
    *error = "it does not export QueryModuleObj and ReleaseObj";
    return false;
  }
  return true;
}

bool OpenMachine(const HostRequest& request, bool* created, std::string* error) {
  *created = false;
  if (request.simulatedOnlyGiven.empty()) return true;
  // "--machine works ...; leave it out", "--machine and --wait work ...; leave them out".
  const bool one = request.simulatedOnlyGiven.size() == 1;
  *error = WordList(request.simulatedOnlyGiven, "and") + (one ? " works" : " work") + kSimulatedOnly + "; leave " +
           (one ? "it" : "them") + " out";
  return false;
}

bool SaveMachine(std::string*) { return true; }

bool KeepCreatedMachine(std::string*) { return true; }

std::string MachineLocation(const HostRequest&) { return "this Windows system"; }

bool InitMachine(const HostRequest&, bool* replaced, std::string* error) {
  *replaced = false;
  *error = std::string("machine init works") + kSimulatedOnly;
  return false;
}

bool RebootMachine(std::string* error) {
  *error = std::string("machine reboot works") + kSimulatedOnly + "; restart Windows instead";
  return false;
}

std::string DefaultSetupFolder(const std::string& libraryPath) { return FolderOf(FullPath(libraryPath)); }

SnapshotScope Scope() {
  SnapshotScope scope;
  const std::string machine = "HKLM\\";
  scope.registryRoots = {machine + basetdic::kServicesKey, machine + basetdic::kVendorKey};
  scope.folders.push_back({SystemDirectoryOrDefault() + "\\drivers", false});
  DWORD type = 0;
  std::string dataPath;
  const std::string productKey = machine + basetdic::kVendorKey + "\\" + basetdic::kProductKey;
  if (ReadRegistryValue(productKey, basetdic::kDataPathValue, &type, &dataPath) && type == REG_SZ) {
    dataPath = dataPath.c_str();
    if (!dataPath.empty()) scope.folders.push_back({dataPath, true});
  }
  scope.traceFile = TraceFilePath();
  // The product's services; asking the manager about every service on a live system costs seconds.
  scope.services = {basetdic::kTdiServiceName, basetdic::kDriverServiceName, KeyLeafName(basetdic::kZelServiceKey),
                    KeyLeafName(basetdic::kFirewallDriverKey), KeyLeafName(basetdic::kHookUrlKey)};
  scope.devices = &Devices;
  scope.launches = &Launches;
  scope.servicesKnownToManager = &ServicesKnownToManager;
  scope.networkComponents = &NetworkComponents;
  return scope;
}

// The devices the product's drivers create, found by opening them with the library's own open, so that
// a device is reported exactly when the library would find it.
std::vector<std::string> Devices() {
  std::vector<std::string> devices;
  for (const char* name : {basetdic::kTdiDeviceName, basetdic::kDriverDeviceName}) {
    if (basetdic::OpenDeviceFile(name)) devices.push_back(name);
  }
  return devices;
}

std::vector<std::string> ServicesKnownToManager() { return {}; }

std::vector<LaunchState> Launches() { return {}; }

// Windows keeps each installed network component under its class in the network configuration, one
// subkey per instance whose "ComponentId" names it.
std::vector<std::string> NetworkComponents() {
  static const char* const kClasses[] = {
      "{4D36E974-E325-11CE-BFC1-08002BE10318}",  // NetService
      "{4D36E975-E325-11CE-BFC1-08002BE10318}",  // NetTrans
      "{4D36E973-E325-11CE-BFC1-08002BE10318}",  // NetClient
  };
  std::vector<std::string> components;
  for (const char* networkClass : kClasses) {
    const std::string classKey = std::string("HKLM\\SYSTEM\\CurrentControlSet\\Control\\Network\\") + networkClass;
    basetdic::UniqueKey key = OpenKeyForReading(classKey);
    if (!key) continue;
    char name[256];
    for (DWORD index = 0;; ++index) {
      DWORD size = sizeof name;
      if (RegEnumKeyExA(key.get(), index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      DWORD type = 0;
      std::string id;
      if (ReadRegistryValue(classKey + "\\" + std::string(name, size), "ComponentId", &type, &id) && type == REG_SZ) {
        components.push_back(id.c_str());
      }
    }
  }
  return components;
}

bool SeesLaunches() { return false; }

bool BeginRehearsal(const HostRequest&, std::string* error) {
  *error = "not rehearsed: on a live system explain only reads the version and the module kind";
  return false;
}

void EndRehearsal() {}

}  // namespace host::platform
