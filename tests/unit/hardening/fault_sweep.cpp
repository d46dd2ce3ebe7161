#include "fault_sweep.h"

#include <chrono>
#include <map>

#include "hardening_machine.h"
#include "module/base_tdi_module_obj.h"
#include "winsim/modules.h"
#include "winsim/services.h"
#include "winsim/sync.h"

namespace hardening {

const char* OperationName(Operation operation) {
  switch (operation) {
    case Operation::Install: return "install";
    case Operation::Update: return "update";
    case Operation::Remove: return "remove";
    case Operation::Start: return "start";
    case Operation::InsertFile: return "insert-file";
  }
  return "?";
}

bool SweepRun::FaultIn(const char* function, const char* text) const {
  const winsim::CallRecord* faulted = Faulted();
  return faulted != nullptr && faulted->function == function && faulted->arguments.find(text) != std::string::npos;
}

std::string SweepRun::Describe(const std::string& branchName) const {
  const winsim::CallRecord* faulted = Faulted();
  if (faulted == nullptr) return branchName + ": baseline";
  return branchName + ": call #" + std::to_string(faultedCall) + " " + faulted->function + "(" + faulted->arguments +
         ") failing with " + std::to_string(injectedError);
}

TdiState ReadTdiState() {
  TdiState state;
  state.key = TdiKeyExists();
  state.count = StoredCount();
  state.driver = TdiDriverExists();
  state.driverRunning = winsim::ServiceState("basetdi") == SERVICE_RUNNING;
  return state;
}

namespace {

void Call(ModuleObj* object, Operation operation) {
  const ModuleObjVtbl& table = TableOf(object);
  switch (operation) {
    case Operation::Install: table.InstallDriver(object); break;
    case Operation::Update: table.UpdateDriver(object); break;
    case Operation::Remove: table.RemoveDriver(object); break;
    case Operation::Start: table.StartDriver(object, 0); break;
    case Operation::InsertFile: table.InsertFile(object, "C:\\setup\\basetdic.dll"); break;
  }
}

}  // namespace

SweepRun RunBranch(const Branch& branch, size_t faultedCall, DWORD error) {
  BootDeployMachine(ConfigFor(branch.os, branch.wow64));
  if (branch.trace) SwitchTraceOn();
  if (branch.prepare) {
    winsim::QuietScope quiet;
    branch.prepare();
  }
  ModuleObj* object = NewModule(branch.module, branch.operation != Operation::InsertFile);
  StatusOf(object).result = kUntouched;
  StatusOf(object).pending = kUntouched;

  SweepRun run;
  // A handle of the test's own keeps the registration's mutex alive across the operation, as a second
  // setup program's would: a mutex the operation did not give back then stays owned.
  HANDLE otherSetup = nullptr;
  {
    winsim::QuietScope quiet;
    run.before = ReadTdiState();
    otherSetup = CreateMutexA(nullptr, FALSE, "BaseTdiC.BaseTDI");
  }
  run.faultedCall = faultedCall;
  run.injectedError = error;
  winsim::ClearCallLog();
  unsigned firedBefore = winsim::FaultsFired();
  if (faultedCall > 0) winsim::FailNthCall(static_cast<unsigned>(faultedCall), error);
  const auto started = std::chrono::steady_clock::now();
  Call(object, branch.operation);
  run.microseconds = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - started).count();
  winsim::ClearFaults();
  run.calls = winsim::CallLog();
  run.faultFired = winsim::FaultsFired() != firedBefore;
  run.result = StatusOf(object).result;
  run.pending = StatusOf(object).pending;
  run.sourceDir = static_cast<basetdic::BaseTdiModuleObj*>(object)->SourceDir();
  Release(object);

  winsim::QuietScope quiet;
  run.mutexLeftOwned = winsim::MutexOwned("BaseTdiC.BaseTDI");
  CloseHandle(otherSetup);
  run.openHandles = winsim::OpenHandles();
  winsim::ModuleUsage version = winsim::UsageOf("version.dll");
  run.versionLoads = version.loads;
  run.versionFrees = version.frees;
  run.versionLoaded = version.loaded;
  run.after = ReadTdiState();
  return run;
}

std::vector<DWORD> ErrorsFor(const std::string& function) {
  static const std::map<std::string, std::vector<DWORD>> errors = {
      // Registry: keys this account may not open or change (a key that is not there is the machine's state,
      // not a fault), values that do not fit the buffer.
      {"RegOpenKeyExA", {ERROR_ACCESS_DENIED}},
      {"RegCreateKeyA", {ERROR_ACCESS_DENIED}},
      {"RegCreateKeyExA", {ERROR_ACCESS_DENIED}},
      {"RegQueryValueExA", {ERROR_MORE_DATA, ERROR_ACCESS_DENIED}},
      {"RegSetValueExA", {ERROR_ACCESS_DENIED}},
      {"RegDeleteKeyA", {ERROR_ACCESS_DENIED}},
      // Files: in use by another program, missing, or the disk full.
      {"CreateFileA", {ERROR_SHARING_VIOLATION, ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED}},
      {"CopyFileA", {ERROR_SHARING_VIOLATION}},
      {"DeleteFileA", {ERROR_SHARING_VIOLATION}},
      {"GetFileAttributesA", {ERROR_FILE_NOT_FOUND}},
      {"FindFirstFileA", {ERROR_FILE_NOT_FOUND}},
      {"FindNextFileA", {ERROR_NO_MORE_FILES}},
      {"ReadFile", {ERROR_READ_FAULT}},
      {"WriteFile", {ERROR_DISK_FULL}},
      {"SetFilePointer", {ERROR_INVALID_PARAMETER}},
      {"GetFileSize", {ERROR_INVALID_HANDLE}},
      {"FlushFileBuffers", {ERROR_ACCESS_DENIED}},
      // Kernel and process.
      {"GetSystemDirectoryA", {ERROR_INSUFFICIENT_BUFFER}},
      {"GetWindowsDirectoryA", {ERROR_INSUFFICIENT_BUFFER}},
      {"GetModuleFileNameA", {ERROR_INSUFFICIENT_BUFFER}},
      {"GetCurrentDirectoryA", {ERROR_INSUFFICIENT_BUFFER}},
      {"GetPrivateProfileIntA", {ERROR_FILE_NOT_FOUND}},
      {"GetVersionExA", {ERROR_INVALID_PARAMETER}},
      {"HeapAlloc", {ERROR_NOT_ENOUGH_MEMORY}},
      {"CreateProcessA", {ERROR_FILE_NOT_FOUND}},
      {"WaitForSingleObject", {ERROR_INVALID_HANDLE}},
      {"GetExitCodeProcess", {ERROR_INVALID_HANDLE}},
      {"CreateMutexA", {ERROR_ACCESS_DENIED}},
      {"ShellExecuteA", {ERROR_FILE_NOT_FOUND}},
      {"WinExec", {ERROR_FILE_NOT_FOUND}},
      // Modules and WOW64.
      {"LoadLibraryA", {ERROR_MOD_NOT_FOUND}},
      {"LoadLibraryExA", {ERROR_MOD_NOT_FOUND}},
      {"GetModuleHandleA", {ERROR_MOD_NOT_FOUND}},
      {"GetProcAddress", {ERROR_PROC_NOT_FOUND}},
      {"IsWow64Process", {ERROR_INVALID_HANDLE}},
      {"Wow64DisableWow64FsRedirection", {ERROR_INVALID_FUNCTION}},
      {"Wow64RevertWow64FsRedirection", {ERROR_INVALID_FUNCTION}},
      // version.dll: a file without a version resource.
      {"GetFileVersionInfoSizeA", {ERROR_RESOURCE_TYPE_NOT_FOUND}},
      {"GetFileVersionInfoA", {ERROR_RESOURCE_TYPE_NOT_FOUND}},
      {"VerQueryValueA", {ERROR_RESOURCE_TYPE_NOT_FOUND}},
      // Service control manager.
      {"OpenSCManagerA", {ERROR_ACCESS_DENIED}},
      {"OpenServiceA", {ERROR_SERVICE_DOES_NOT_EXIST}},
      {"CreateServiceA", {ERROR_SERVICE_EXISTS, ERROR_SERVICE_MARKED_FOR_DELETE}},
      {"StartServiceA", {ERROR_FILE_NOT_FOUND, ERROR_SERVICE_ALREADY_RUNNING}},
      {"ControlService", {ERROR_SERVICE_NOT_ACTIVE}},
      {"DeleteService", {ERROR_SERVICE_MARKED_FOR_DELETE}},
      {"QueryServiceStatus", {ERROR_INVALID_HANDLE}},
  };
  auto found = errors.find(function);
  if (found != errors.end()) return found->second;
  // Calls that cannot fail on Windows (the process id, the clock, HeapFree of a valid block) are left alone.
  static const char* const infallible[] = {"GetCurrentProcessId", "GetLocalTime", "GetTickCount", "Sleep", "HeapFree",
                                          // Closing a handle the caller owns, or giving back a mutex
                                          // it holds: Windows does.
                                          "CloseHandle", "RegCloseKey", "FindClose", "FreeLibrary",
                                          "CloseServiceHandle", "ReleaseMutex"};
  for (const char* name : infallible)
    if (function == name) return {};
  return {ERROR_GEN_FAILURE};
}

void Sweep(const Branch& branch, const std::function<void(const SweepRun& run, const SweepRun& baseline)>& check) {
  const SweepRun baseline = RunBranch(branch);
  check(baseline, baseline);
  for (size_t n = 1; n <= baseline.calls.size(); ++n) {
    for (DWORD error : ErrorsFor(baseline.calls[n - 1].function)) check(RunBranch(branch, n, error), baseline);
  }
}

}  // namespace hardening
