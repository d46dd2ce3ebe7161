// The host on Linux: the library is libbasetdic.so, loaded with dlopen, and the machine is winsim's,
// loaded from its folder before the run and saved after it.
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "cli/vocabulary.h"
#include "observe/trace_file.h"
#include "observe/windows_case.h"
#include "platform/platform.h"
#include "platform/sim/demo_setup.h"
#include "platform/sim/file_digests.h"
#include "platform/sim/machine_folder.h"
#include "platform/sim/rehearsal_view.h"
#include "rules/os_version.h"
#include "rules/windows_versions.h"
#include "winsim/file_changes.h"
#include "winsim/machine.h"
#include "winsim/persistence.h"
#include "winsim/processes.h"
#include "winsim/services.h"

namespace host::platform {
namespace {

namespace fs = std::filesystem;

std::string ExecutableFolder() {
  char path[4096];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return ".";
  return fs::path(std::string(path, static_cast<size_t>(length))).parent_path().string();
}

// The Windows a machine made on first use runs, by the name --os takes.
const char kFirstUseWindows[] = "xp";

// One machine folder per process, locked from the first open to the end of the process; a staging folder
// the run did not commit goes with it.
MachineFolder& Folder() {
  static MachineFolder folder;
  return folder;
}

FileDigests& Digests() {
  static FileDigests digests;
  return digests;
}

RehearsalView& View() {
  static RehearsalView view;
  return view;
}

// A machine OpenMachine made for this run, still only in staging (its saved files are there too).
bool newMachinePending = false;

// What the machine changes on its drives goes past the machine folder first (the run's journal, or a
// refusal for a command that only reads), and what is on record of the file no longer holds.
void WatchThroughFolder() {
  winsim::WatchFileChanges([](const std::string& hostPath) {
    Digests().Forget(hostPath);
    return Folder().BeforeChange(hostPath);
  });
}

void WatchThroughView() {
  winsim::WatchFileChanges([](const std::string& hostPath) {
    Digests().Forget(hostPath);
    return View().MakeOwnBeforeChange(hostPath);
  });
}

const char kNothingKept[] = "nothing of this run was kept, the machine folder is as it was before it";

// Boots a new machine with its drives in the staging folder and saves it there.
bool CreateMachine(const std::string& osName, bool wow64, std::string* error) {
  const basetdic::WindowsVersion* windows = basetdic::WindowsByCommandLineName(osName.c_str());
  if (windows == nullptr) {
    *error = "unknown Windows version " + osName + ": use " + WindowsNameList();
    return false;
  }
  winsim::MachineConfig config;
  config.os = winsim::OsVersionOf(*windows);
  config.wow64 = wow64;
  config.executablePath = demo::kExecutablePath;
  config.currentDirectory = demo::kSetupFolder;
  if (!Folder().BeginNewMachine(error)) return false;
  WatchThroughFolder();
  winsim::Boot(config, (fs::path(Folder().Staging()) / "drives" / "C").string());
  demo::ApplyMachineBehaviour();
  if (!demo::WriteSetupFiles(error)) return false;
  // NT 6.x installs the driver package into the product data path.
  const OSVERSIONINFOA record = basetdic::VersionRecordOf(*windows);
  if (basetdic::IsNtPlatform(record) && basetdic::IsMajor6(record)) demo::WriteProductDataPath();
  return winsim::SaveMachine(Folder().Staging(), error);
}

// Where a file the snapshot found lives on the host. Its path is made of the names the directory
// searches returned, so below the drive's own folder they are the host's names as they are, and no name
// needs looking up without regard to case (which reads each folder on the way). A path that does not
// stand there has nothing on record and is simply read.
std::string HostPathOfFound(const std::string& path) {
  if (path.size() < 3 || path[1] != ':' || path[2] != '\\') return winsim::HostPath(path);
  std::string root = winsim::HostPath(path.substr(0, 3));
  if (root.empty()) return root;
  std::string host = root + "/" + path.substr(3);
  std::replace(host.begin(), host.end(), '\\', '/');
  return host;
}

// The digest record answers for a file the snapshot found, by the path it found it under.
bool RecallFileContent(const std::string& path, uint64_t size, uint64_t* digest, std::string* version) {
  return Digests().Recall(LowerAscii(path), HostPathOfFound(path), size, digest, version);
}

void RememberFileContent(const std::string& path, uint64_t size, uint64_t digest, const std::string& version) {
  Digests().Remember(LowerAscii(path), HostPathOfFound(path), size, digest, version);
}

// After a commit the drives live in the machine folder itself; later reads (the report) look there.
void MapDrivesInPlace() {
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    fs::path drive = fs::path(Folder().Folder()) / "drives" / std::string(1, letter);
    std::error_code failed;
    if (fs::is_directory(drive, failed)) winsim::MapDrive(letter, drive.string());
  }
}

bool Commit(std::string* error) {
  if (!Folder().Commit(error)) return false;
  MapDrivesInPlace();
  Digests().Save(Folder().Folder());
  return true;
}

// Loads the folder's machine with its drives where they are: the run changes them in place, through the
// folder's journal.
bool LoadInPlace(std::string* error) {
  Folder().BeginInPlace();
  WatchThroughFolder();
  Digests().Load(Folder().Folder());
  if (!winsim::LoadMachine(Folder().Folder(), error)) {
    *error += ": correct it by hand, or replace the machine with machine init --os VERSION --force";
    return false;
  }
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

std::string LibraryFile(const std::string& given) {
  return given.find('/') == std::string::npos ? "./" + given : given;
}

bool LibraryVersion(const std::string&, VersionFacts*, std::string* why) {
  *why = "no version resource: a Linux shared object carries none";
  return false;
}

bool LoadModuleLibrary(const std::string& path, ModuleEntryPoints* entryPoints, std::string* error) {
  std::error_code failed;
  if (!fs::exists(path, failed)) {
    *error = "there is no file " + path;
    return false;
  }
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
  bool onlyReads = request.command == Command::MachineShow || request.command == Command::Explain;
  if (!Folder().Open(request.machineFolder, request.waitSeconds,
                     onlyReads ? MachineFolder::Access::Read : MachineFolder::Access::Change, error))
    return false;
  if (Folder().Holds() == MachineFolder::Contents::Other) {
    *error = request.machineFolder + " exists but holds no machine (it holds " + Folder().OtherEntry() +
             "): name another folder with --machine DIR";
    return false;
  }
  if (Folder().Holds() == MachineFolder::Contents::Empty) {
    // Kept only when the command succeeds (SaveMachine or KeepCreatedMachine): bad usage creates nothing.
    if (!CreateMachine(kFirstUseWindows, false, error)) return false;
    if (!winsim::LoadMachine(Folder().Staging(), Folder().Staging(), error)) return false;
    demo::ApplyMachineBehaviour();
    newMachinePending = true;
    *created = true;
    return true;
  }
  if (!LoadInPlace(error)) return false;
  // A run is a new process on the machine, later by the real time that passed, or by a fixed minute
  // under --deterministic so that tests read the same clock every time.
  winsim::StartNextRun(request.deterministic ? 60000 : winsim::MillisecondsSinceSave());
  return true;
}

bool SaveMachine(std::string* error) {
  if (!Folder().RefusedChange().empty()) {
    *error = Folder().RefusedChange() + "; " + kNothingKept + ": " + Folder().RefusalFix() + ", and run again";
    Folder().Discard();
    return false;
  }
  // A new machine is saved whole, drives included; the folder's own keeps its drives where they are.
  bool saved = Folder().BuildsNewMachine() ? winsim::SaveMachine(Folder().Staging(), error)
                                           : winsim::SaveMachineFiles(Folder().Staging(), error);
  if (saved && Commit(error)) {
    newMachinePending = false;
    return true;
  }
  if (Folder().CommitBegun()) {
    *error += "; the run's changes are saved in " + Folder().Staging() + " and the next run puts them in place";
  } else {
    *error += "; " + std::string(kNothingKept) + ": correct the cause and run again";
    Folder().Discard();
  }
  return false;
}

bool KeepCreatedMachine(std::string* error) {
  if (!newMachinePending) return true;
  if (!Commit(error)) {
    *error = "the new machine could not be saved in " + Folder().Folder() + ": " + *error;
    return false;
  }
  newMachinePending = false;
  return true;
}

std::string MachineLocation(const HostRequest& request) { return "machine " + request.machineFolder; }

bool InitMachine(const HostRequest& request, bool* replaced, std::string* error) {
  *replaced = false;
  if (!Folder().Open(request.machineFolder, request.waitSeconds, MachineFolder::Access::Change, error)) return false;
  switch (Folder().Holds()) {
    case MachineFolder::Contents::Other:
      *error = request.machineFolder + " exists and holds something else (" + Folder().OtherEntry() +
               "): name another folder with --machine DIR";
      return false;
    case MachineFolder::Contents::Machine:
      if (!request.force) {
        *error = "a machine already exists in " + request.machineFolder + ": add --force to replace it";
        return false;
      }
      if (!Folder().FirstForeignEntry().empty()) {
        *error = request.machineFolder + " also holds " + Folder().FirstForeignEntry() +
                 ", which is not the machine's: --force replaces only machine.json, registry.reg and drives, "
                 "so move it away first or name another folder with --machine DIR";
        return false;
      }
      *replaced = true;
      break;
    case MachineFolder::Contents::Empty: break;
  }
  if (CreateMachine(request.os, request.wow64, error) && Commit(error)) {
    // What was on record of the machine replaced says nothing about this one.
    std::error_code ignored;
    fs::remove(fs::path(request.machineFolder) / FileDigests::kFileName, ignored);
    return true;
  }
  *error = "the machine could not be created in " + request.machineFolder + ": " + *error + "; nothing was changed";
  return false;
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
  scope.devices = &Devices;
  scope.launches = &Launches;
  scope.servicesKnownToManager = &ServicesKnownToManager;
  scope.recallFileContent = &RecallFileContent;
  scope.rememberFileContent = &RememberFileContent;
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
  // The run holds the folder's lock: the machine there (or the new one in staging) is complete. The
  // rehearsal reads the saved files where they are and works on a view of the drives, whose files it
  // copies only when it changes them.
  std::string source = newMachinePending ? Folder().Staging() : request.machineFolder;
  if (!View().Begin(fs::path(source) / "drives", error)) return false;
  WatchThroughView();
  if (!winsim::LoadMachine(source, View().Root().string(), error)) {
    EndRehearsal();
    return false;
  }
  demo::ApplyMachineBehaviour();
  return true;
}

void EndRehearsal() { WatchThroughFolder(); }

}  // namespace host::platform
