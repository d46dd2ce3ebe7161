// The host on Linux: the library is libbasetdic.so, loaded with dlopen, and the machine is winsim's,
// loaded from its folder before the run and saved after it.
#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>

#include "demo_setup.h"
#include "platform.h"
#include "trace_switch.h"
#include "winsim/machine.h"
#include "winsim/persistence.h"
#include "winsim/processes.h"
#include "winsim/services.h"

namespace host::platform {
namespace {

namespace fs = std::filesystem;

std::string rehearsalFolder;

std::string ExecutableFolder() {
  char path[4096];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return ".";
  return fs::path(std::string(path, static_cast<size_t>(length))).parent_path().string();
}

bool IsEmptyOrMissing(const std::string& folder) {
  std::error_code failed;
  return !fs::exists(folder, failed) || (fs::is_directory(folder, failed) && fs::is_empty(folder, failed));
}

bool OsByName(const std::string& name, winsim::OsVersion* os) {
  if (name == "nt4") *os = winsim::OsNt40();
  else if (name == "win2k") *os = winsim::OsWin2k();
  else if (name == "xp") *os = winsim::OsWinXp();
  else if (name == "vista") *os = winsim::OsVista();
  else if (name == "win7") *os = winsim::OsWin7();
  else if (name == "win9x") *os = winsim::OsWin98();
  else return false;
  return true;
}

bool CreateMachine(const std::string& folder, const std::string& osName, bool wow64, std::string* error) {
  winsim::MachineConfig config;
  if (!OsByName(osName, &config.os)) {
    *error = "unknown Windows version " + osName + ": use nt4, win2k, xp, vista, win7 or win9x";
    return false;
  }
  config.wow64 = wow64;
  config.executablePath = demo::kExecutablePath;
  config.currentDirectory = demo::kSetupFolder;
  std::error_code failed;
  fs::create_directories(folder, failed);
  winsim::Boot(config, (fs::path(folder) / "drives" / "C").string());
  demo::ApplyMachineBehaviour();
  if (!demo::WriteSetupFiles(error)) return false;
  if (config.os.platformId == VER_PLATFORM_WIN32_NT && config.os.major == 6) demo::WriteProductDataPath();
  return winsim::SaveMachine(folder, error);
}

bool Load(const std::string& folder, std::string* error) {
  if (!winsim::LoadMachine(folder, error)) return false;
  demo::ApplyMachineBehaviour();
  return true;
}

}  // namespace

const char* Name() { return "winsim"; }

std::string DefaultLibraryPath() {
#ifdef BASETDIC_BUILT_LIBRARY
  if (fs::exists(BASETDIC_BUILT_LIBRARY)) return BASETDIC_BUILT_LIBRARY;
#endif
  return (fs::path(ExecutableFolder()) / "libbasetdic.so").string();
}

bool LoadModuleLibrary(const std::string& path, ModuleEntryPoints* entryPoints, std::string* error) {
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* why = dlerror();
    *error = why ? why : "dlopen failed";
    return false;
  }
  entryPoints->queryModuleObj = reinterpret_cast<QueryModuleObjFn>(dlsym(library, "QueryModuleObj"));
  entryPoints->releaseObj = reinterpret_cast<ReleaseObjFn>(dlsym(library, "ReleaseObj"));
  if (entryPoints->queryModuleObj == nullptr || entryPoints->releaseObj == nullptr) {
    *error = "it does not export QueryModuleObj and ReleaseObj";
    return false;
  }
  return true;
}

bool OpenMachine(const HostRequest& request, bool* created, std::string* error) {
  *created = false;
  if (winsim::IsMachineFolder(request.machineFolder)) {
    if (!Load(request.machineFolder, error)) return false;
    // A run is a new process on the machine, later by the real time that passed, or by a fixed minute
    // under --deterministic so that tests read the same clock every time.
    winsim::StartNextRun(request.deterministic ? 60000 : winsim::MillisecondsSinceSave());
    return true;
  }
  if (!IsEmptyOrMissing(request.machineFolder)) {
    *error = request.machineFolder + " exists but holds no machine: name another folder with --machine DIR";
    return false;
  }
  if (!CreateMachine(request.machineFolder, "xp", false, error)) return false;
  *created = true;
  return true;
}

bool SaveMachine(const HostRequest& request, std::string* error) { return winsim::SaveMachine(request.machineFolder, error); }

std::string MachineLocation(const HostRequest& request) { return "machine " + request.machineFolder; }

bool InitMachine(const HostRequest& request, std::string* error) {
  if (!IsEmptyOrMissing(request.machineFolder)) {
    if (!winsim::IsMachineFolder(request.machineFolder)) {
      *error = request.machineFolder + " exists and holds something else: name another folder with --machine DIR";
      return false;
    }
    if (!request.force) {
      *error = "a machine already exists in " + request.machineFolder + ": add --force to replace it";
      return false;
    }
    std::error_code failed;
    fs::remove_all(request.machineFolder, failed);
  }
  return CreateMachine(request.machineFolder, request.os, request.wow64, error);
}

bool RebootMachine(std::string*) {
  winsim::RebootMachine();
  return true;
}

std::string DefaultSetupFolder(const std::string&) { return demo::kSetupFolder; }

SnapshotScope Scope() {
  SnapshotScope scope;
  scope.registryRoots = {"HKLM", "HKCU"};
  scope.folders.push_back({"C:", true});
  scope.traceFile = TraceFilePath();
  return scope;
}

std::vector<std::string> Devices() { return winsim::Devices(); }

std::vector<std::string> ServicesKnownToManager() { return winsim::KnownServices(); }

std::vector<LaunchState> Launches() {
  std::vector<LaunchState> launches;
  for (const winsim::LaunchRecord& record : winsim::Launches()) {
    LaunchState launch;
    launch.imagePath = record.imagePath;
    launch.commandLine = record.commandLine.value_or(record.parameters.value_or(""));
    launch.how = winsim::LaunchOriginName(record.origin);
    launch.workingDirectory = record.workingDirectory;
    launch.exited = record.exited;
    launch.exitCode = record.exitCode;
    launch.runMilliseconds = record.runMilliseconds;
    launches.push_back(launch);
  }
  return launches;
}

bool SeesLaunches() { return true; }

bool BeginRehearsal(const HostRequest& request, std::string* error) {
  std::string pattern = (fs::temp_directory_path() / "basetdic-rehearsal-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    *error = "no temporary folder for the rehearsal";
    return false;
  }
  rehearsalFolder = pattern;
  std::error_code failed;
  fs::copy(request.machineFolder, rehearsalFolder, fs::copy_options::recursive, failed);
  if (failed || !Load(rehearsalFolder, error)) {
    if (failed) *error = "cannot copy the machine for the rehearsal: " + failed.message();
    EndRehearsal();
    return false;
  }
  return true;
}

void EndRehearsal() {
  if (rehearsalFolder.empty()) return;
  std::error_code ignored;
  fs::remove_all(rehearsalFolder, ignored);
  rehearsalFolder.clear();
}

}  // namespace host::platform
