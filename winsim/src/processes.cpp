// Programs on the simulated machine: CreateProcessA, WinExec, GetExitCodeProcess and the waits on process
// and thread handles. A program is a record plus the behaviour a test or the host set for its image; it
// runs on the simulated clock and ends when the clock passes its run time.
#include "processes.h"


#include <map>

#include "api_call.h"
#include "handles.h"
#include "machine_state.h"
#include "paths.h"

using winsim::HandleKind;
using winsim::LaunchOrigin;
using winsim::LaunchRecord;
using winsim::ProgramBehaviour;
using winsim::detail::ApiCall;
using winsim::detail::Arg;
using winsim::detail::Core;
using winsim::detail::Handles;
using winsim::detail::HandleObject;
using winsim::detail::Program;

namespace {

// A process or thread handle; both name the same program, and both are signalled when it ends.
struct ProgramHandle : HandleObject {
  ProgramHandle(HandleKind kind, std::shared_ptr<Program> program) : kind(kind), program(std::move(program)) {}
  HandleKind Kind() const override { return kind; }
  HandleKind kind;
  std::shared_ptr<Program> program;
};

struct ProcessArea {
  std::map<std::string, ProgramBehaviour> behaviours;  // by image key
  std::vector<std::shared_ptr<Program>> launches;
  DWORD nextId = 0x1000;
  bool settling = false;
};

ProcessArea& Area() {
  static ProcessArea area;
  return area;
}

using Entry = winsim::detail::HostEntry;

Entry ProbeWindowsPath(const winsim::detail::WindowsPath& path) {
  if (!path.valid || path.device) return Entry::MissingParent;
  return winsim::detail::ProbeHostPath(winsim::detail::HostPathOf(path));
}

// Behaviours are found by the image's host location without regard to case, so that "C:\Setup\X.EXE",
// "c:\setup\.\x.exe" and a path through another drive letter mapped onto the same folder all match.
std::string ImageKey(const std::string& windowsPath) {
  winsim::detail::WindowsPath path = winsim::detail::ParsePathNoRedirection(windowsPath);
  std::string host = winsim::detail::HostPathOf(path);
  return winsim::detail::Lower(host.empty() ? path.Text() : host);
}

ULONGLONG EndOf(const Program& program) { return program.record.startedAtMs + program.record.runMilliseconds; }

// Runs a behaviour hook as the program would act: its calls are neither logged nor faulted, relative paths
// resolve against its working directory, and the caller's last error survives. Neither what the program
// meets nor the error put back is the outcome of the call that started or waited for it.
void RunAsProgram(const std::function<void(LaunchRecord&)>& hook, LaunchRecord& record) {
  if (!hook) return;
  winsim::detail::OutsideCall outside;
  winsim::QuietScope quiet;
  DWORD savedError = GetLastError();
  std::string savedDirectory = Core().config.currentDirectory;
  Core().config.currentDirectory = record.workingDirectory;
  hook(record);
  Core().config.currentDirectory = savedDirectory;
  SetLastError(savedError);
}

// Ends every program whose end the clock has reached, earliest first, running their exit hooks.
void SettleExits() {
  ProcessArea& area = Area();
  if (area.settling) return;
  area.settling = true;
  for (;;) {
    std::shared_ptr<Program> next;
    for (const auto& program : area.launches) {
      if (program->record.exited || EndOf(*program) > Core().clockMs) continue;
      if (!next || EndOf(*program) < EndOf(*next)) next = program;
    }
    if (!next) break;
    RunAsProgram(next->atExit, next->record);
    next->record.exited = true;
  }
  area.settling = false;
}

const bool bootReset = winsim::detail::OnBoot([] { Area() = ProcessArea{}; });
const bool clockHook = winsim::detail::OnClockAdvance([] { SettleExits(); });

std::vector<std::string> StandardSearchDirectories() {
  std::vector<std::string> directories;
  const std::string& executable = Core().config.executablePath;
  size_t slash = executable.find_last_of('\\');
  if (slash != std::string::npos) directories.push_back(executable.substr(0, slash));
  directories.push_back(Core().config.currentDirectory);
  directories.push_back(winsim::SystemDirectory());
  directories.push_back(winsim::WindowsDirectory());
  return directories;
}

bool IsAbsolute(const std::string& name) {
  return (name.size() >= 2 && name[1] == ':') || (!name.empty() && (name[0] == '\\' || name[0] == '/'));
}

bool TryImage(const std::string& candidate, std::string* image) {
  winsim::detail::WindowsPath path = winsim::detail::ParsePath(candidate.c_str());
  if (ProbeWindowsPath(path) != Entry::File) return false;
  *image = path.Text();
  return true;
}

// The image named by the first token of a command line: a quoted name, or else the shortest prefix ending
// at a blank that names an image ("C:\Program Files\x.exe" unquoted tries "C:\Program" first).
DWORD FindImageOnCommandLine(const std::string& line, std::string* image) {
  if (!line.empty() && line[0] == '"') {
    size_t close = line.find('"', 1);
    if (close != std::string::npos) {
      return winsim::detail::FindImage(line.substr(1, close - 1), {}, image) ? 0 : ERROR_FILE_NOT_FOUND;
    }
  }
  size_t from = 0;
  for (;;) {
    size_t blank = line.find_first_of(" \t", from);
    std::string candidate = line.substr(0, blank);
    if (!candidate.empty() && winsim::detail::FindImage(candidate, {}, image)) return 0;
    if (blank == std::string::npos) return ERROR_FILE_NOT_FOUND;
    from = blank + 1;
  }
}

// The image named by CreateProcessA's application name: no search and no default extension; a relative
// name is completed from the current directory.
DWORD CheckNamedImage(const char* name, std::string* image) {
  if (name[0] == '\0') return ERROR_PATH_NOT_FOUND;
  winsim::detail::WindowsPath path = winsim::detail::ParsePath(name);
  if (!path.valid || path.device) return ERROR_INVALID_NAME;
  switch (ProbeWindowsPath(path)) {
    case Entry::File: *image = path.Text(); return 0;
    case Entry::Directory: return ERROR_ACCESS_DENIED;
    case Entry::Missing: return ERROR_FILE_NOT_FOUND;
    default: return ERROR_PATH_NOT_FOUND;
  }
}

std::shared_ptr<Program> ProgramOf(HANDLE handle) {
  auto object = Handles().Find(handle);
  if (!object || (object->Kind() != HandleKind::Process && object->Kind() != HandleKind::Thread)) return nullptr;
  return static_cast<ProgramHandle*>(object.get())->program;
}

std::optional<std::string> OptionalText(const char* text) {
  return text ? std::optional<std::string>(text) : std::nullopt;
}

}  // namespace

namespace winsim::detail {

bool FindImage(const std::string& name, const std::vector<std::string>& firstDirectories, std::string* image) {
  if (name.empty()) return false;
  std::string file = name;
  size_t separator = file.find_last_of("\\/:");
  std::string baseName = separator == std::string::npos ? file : file.substr(separator + 1);
  if (baseName.find('.') == std::string::npos) file += ".exe";
  if (IsAbsolute(file)) return TryImage(file, image);
  bool hasDirectory = separator != std::string::npos;
  std::vector<std::string> directories = firstDirectories;
  if (hasDirectory) {
    directories.push_back(Core().config.currentDirectory);
  } else {
    for (const std::string& directory : StandardSearchDirectories()) directories.push_back(directory);
  }
  for (const std::string& directory : directories) {
    if (TryImage(directory + "\\" + file, image)) return true;
  }
  return false;
}

bool IsExistingDirectory(const std::string& windowsPath) {
  return ProbeWindowsPath(ParsePath(windowsPath.c_str())) == Entry::Directory;
}

DWORD CheckWorkingDirectory(const char* directory, std::string* fullPath) {
  WindowsPath path = ParsePath(directory);
  if (ProbeWindowsPath(path) != Entry::Directory) return ERROR_DIRECTORY;
  *fullPath = path.Text();
  return 0;
}

std::shared_ptr<Program> StartProgram(LaunchRecord record) {
  ProcessArea& area = Area();
  auto program = std::make_shared<Program>();
  record.processId = area.nextId;
  record.threadId = area.nextId + 4;
  area.nextId += 8;
  record.startedAtMs = Core().clockMs;
  record.exited = false;
  std::function<void(LaunchRecord&)> atLaunch;
  auto behaviour = area.behaviours.find(ImageKey(record.imagePath));
  if (behaviour != area.behaviours.end()) {
    record.exitCode = behaviour->second.exitCode;
    record.runMilliseconds = behaviour->second.runMilliseconds;
    atLaunch = behaviour->second.atLaunch;
    program->atExit = behaviour->second.atExit;
  }
  program->record = std::move(record);
  area.launches.push_back(program);
  RunAsProgram(atLaunch, program->record);
  SettleExits();
  return program;
}

UINT LegacyLaunchError(DWORD error) { return error < 32 ? static_cast<UINT>(error) : ERROR_BAD_FORMAT; }

DWORD WaitForProcessHandle(HANDLE handle, DWORD milliseconds) {
  std::shared_ptr<Program> program = ProgramOf(handle);
  if (!program) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  SettleExits();
  ULONGLONG now = Core().clockMs;
  ULONGLONG end = EndOf(*program);
  if (program->record.exited || end <= now) return WAIT_OBJECT_0;
  ULONGLONG remaining = end - now;
  if (milliseconds != INFINITE && milliseconds < remaining) {
    // The program outlives the wait: the caller loses the whole time-out, the program keeps running.
    winsim::AdvanceClock(milliseconds);
    return WAIT_TIMEOUT;
  }
  winsim::AdvanceClock(static_cast<DWORD>(remaining));
  return WAIT_OBJECT_0;
}

}  // namespace winsim::detail

extern "C" {

BOOL WINAPI CreateProcessA(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                           BOOL, DWORD creationFlags, LPVOID, LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                           LPPROCESS_INFORMATION processInformation) {
  ApiCall call("CreateProcessA", Arg(applicationName) + ", " + Arg(commandLine) + ", " +
                                     winsim::detail::Hex(creationFlags) + ", " + Arg(currentDirectory));
  (void)bootReset;
  (void)clockHook;
  if (call.Fault()) return FALSE;
  if (startupInfo == nullptr || processInformation == nullptr) {
    SetLastError(ERROR_NOACCESS);
    return FALSE;
  }
  if (applicationName == nullptr && commandLine == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  LaunchRecord record;
  DWORD error = 0;
  // With an application name the working directory is checked before the image is opened; without one,
  // the image is searched for first (the order Wine's kernelbase follows).
  if (applicationName != nullptr) {
    if (currentDirectory != nullptr) error = winsim::detail::CheckWorkingDirectory(currentDirectory, &record.workingDirectory);
    if (error == 0) error = CheckNamedImage(applicationName, &record.imagePath);
  } else {
    error = FindImageOnCommandLine(commandLine, &record.imagePath);
    if (error == 0 && currentDirectory != nullptr) {
      error = winsim::detail::CheckWorkingDirectory(currentDirectory, &record.workingDirectory);
    }
  }
  if (error != 0) {
    SetLastError(error);
    return FALSE;
  }
  if (currentDirectory == nullptr) record.workingDirectory = Core().config.currentDirectory;
  record.origin = LaunchOrigin::CreateProcess;
  record.applicationName = OptionalText(applicationName);
  record.commandLine = OptionalText(commandLine);
  // Without a command line the program sees its application name as one.
  record.programCommandLine = (commandLine != nullptr && commandLine[0] != '\0') ? commandLine : applicationName;
  record.currentDirectory = OptionalText(currentDirectory);
  record.creationFlags = creationFlags;
  record.startupInfoSize = startupInfo->cb;
  record.startupFlags = startupInfo->dwFlags;
  record.showWindow = startupInfo->wShowWindow;
  std::shared_ptr<Program> program = winsim::detail::StartProgram(std::move(record));
  processInformation->hProcess = Handles().Add(std::make_shared<ProgramHandle>(HandleKind::Process, program));
  processInformation->hThread = Handles().Add(std::make_shared<ProgramHandle>(HandleKind::Thread, program));
  processInformation->dwProcessId = program->record.processId;
  processInformation->dwThreadId = program->record.threadId;
  return TRUE;
}

BOOL WINAPI GetExitCodeProcess(HANDLE process, LPDWORD exitCode) {
  ApiCall call("GetExitCodeProcess");
  if (call.Fault()) return FALSE;
  if (process == GetCurrentProcess()) {
    if (exitCode != nullptr) *exitCode = STILL_ACTIVE;
    return TRUE;
  }
  auto object = Handles().Get<ProgramHandle>(process, HandleKind::Process);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  SettleExits();
  if (exitCode != nullptr) *exitCode = object->program->record.exited ? object->program->record.exitCode : STILL_ACTIVE;
  return TRUE;
}

UINT WINAPI WinExec(LPCSTR cmdLine, UINT cmdShow) {
  ApiCall call("WinExec", Arg(cmdLine) + ", " + std::to_string(cmdShow));
  if (call.Fault()) return winsim::detail::LegacyLaunchError(call.Fault());
  if (cmdLine == nullptr) return ERROR_FILE_NOT_FOUND;
  LaunchRecord record;
  DWORD error = FindImageOnCommandLine(cmdLine, &record.imagePath);
  if (error != 0) {
    SetLastError(error);
    return winsim::detail::LegacyLaunchError(error);
  }
  record.origin = LaunchOrigin::WinExec;
  record.commandLine = cmdLine;
  record.programCommandLine = cmdLine;
  record.workingDirectory = Core().config.currentDirectory;
  record.startupInfoSize = sizeof(STARTUPINFOA);
  record.startupFlags = STARTF_USESHOWWINDOW;
  record.showWindow = static_cast<WORD>(cmdShow);
  winsim::detail::StartProgram(std::move(record));
  // Windows answers 33 for every successful start; callers test for 32 or more.
  return 33;
}

}  // extern "C"

namespace winsim {

const char* LaunchOriginName(LaunchOrigin origin) {
  switch (origin) {
    case LaunchOrigin::CreateProcess: return "CreateProcessA";
    case LaunchOrigin::ShellExecute: return "ShellExecuteA";
    case LaunchOrigin::WinExec: return "WinExec";
  }
  return "?";
}

void SetProgramBehaviour(const std::string& imagePath, ProgramBehaviour behaviour) {
  std::lock_guard<std::recursive_mutex> lock(detail::MachineLock());
  Area().behaviours[ImageKey(imagePath)] = std::move(behaviour);
}

void ClearProgramBehaviour(const std::string& imagePath) {
  std::lock_guard<std::recursive_mutex> lock(detail::MachineLock());
  Area().behaviours.erase(ImageKey(imagePath));
}

std::vector<LaunchRecord> Launches() {
  std::lock_guard<std::recursive_mutex> lock(detail::MachineLock());
  SettleExits();
  std::vector<LaunchRecord> records;
  for (const auto& program : Area().launches) records.push_back(program->record);
  return records;
}

bool FindLaunch(DWORD processId, LaunchRecord* launch) {
  std::lock_guard<std::recursive_mutex> lock(detail::MachineLock());
  SettleExits();
  for (const auto& program : Area().launches) {
    if (program->record.processId != processId) continue;
    if (launch != nullptr) *launch = program->record;
    return true;
  }
  return false;
}

size_t RunningPrograms() {
  std::lock_guard<std::recursive_mutex> lock(detail::MachineLock());
  SettleExits();
  size_t running = 0;
  for (const auto& program : Area().launches) running += program->record.exited ? 0 : 1;
  return running;
}

}  // namespace winsim
