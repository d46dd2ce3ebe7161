// Machine configuration, boot and the observability controls.
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <utility>
#include <vector>

#include "api_call.h"
#include "handles.h"
#include "machine_state.h"
#include "paths.h"

namespace winsim {
namespace detail {
namespace {

struct FaultPlan {
  std::string function;  // empty: any function
  uint64_t remaining = 0;
  DWORD error = 0;
};

struct Observation {
  std::vector<CallRecord> log;
  uint64_t calls = 0;
  std::vector<FaultPlan> faults;
  unsigned fired = 0;
};

Observation& Observed() {
  static Observation observation;
  return observation;
}

std::vector<std::function<void()>>& BootHooks() {
  static std::vector<std::function<void()>> hooks;
  return hooks;
}

std::vector<std::function<void()>>& ClockHooks() {
  static std::vector<std::function<void()>> hooks;
  return hooks;
}

thread_local bool quiet = false;
thread_local ApiCall* callInProgress = nullptr;

}  // namespace

std::recursive_mutex& MachineLock() {
  static std::recursive_mutex lock;
  return lock;
}

bool IsWin9xFamily(const OsVersion& os) { return os.platformId == VER_PLATFORM_WIN32_WINDOWS; }

CoreState& Core() {
  static CoreState state;
  return state;
}

bool OnBoot(std::function<void()> reset) {
  BootHooks().push_back(std::move(reset));
  return true;
}

bool OnClockAdvance(std::function<void()> hook) {
  ClockHooks().push_back(std::move(hook));
  return true;
}

bool EqualNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

ApiCall::ApiCall(const char* function, std::string arguments) : lock_(MachineLock()) {
  if (quiet) return;
  Observation& observed = Observed();
  ++observed.calls;
  observed.log.push_back(CallRecord{function, std::move(arguments)});
  record_ = observed.log.size();
  outer_ = callInProgress;
  callInProgress = this;
  // Every plan counts every call it watches, so plans scheduled together keep their own count. When two
  // plans fall due on the same call, the one scheduled first supplies the error and both are used up.
  bool firedHere = false;
  for (auto plan = observed.faults.begin(); plan != observed.faults.end();) {
    bool watches = plan->function.empty() || plan->function == function;
    if (!watches || --plan->remaining != 0) {
      ++plan;
      continue;
    }
    if (!firedHere) {
      firedHere = true;
      fault_ = plan->error;
      ++observed.fired;
    }
    plan = observed.faults.erase(plan);
  }
  if (firedHere) {
    SetLastError(fault_);
    observed.log.back().arguments += " -> injected fault " + std::to_string(fault_);
  }
}

ApiCall::~ApiCall() {
  if (record_ != 0) callInProgress = outer_;
}

LONG ApiCall::Returns(LONG error) {
  std::vector<CallRecord>& log = Observed().log;
  if (record_ != 0 && record_ <= log.size()) log[record_ - 1].error = static_cast<DWORD>(error);
  return error;
}

void NoteCallError(DWORD error) {
  if (callInProgress != nullptr) callInProgress->Returns(static_cast<LONG>(error));
}

OutsideCall::OutsideCall() : suspended_(callInProgress) { callInProgress = nullptr; }

OutsideCall::~OutsideCall() { callInProgress = suspended_; }

void SetLastErrorOfSuccess(DWORD error) {
  SetLastError(error);
  NoteCallError(ERROR_SUCCESS);
}

std::string Arg(const char* text) { return text ? "\"" + std::string(text) + "\"" : "NULL"; }

std::string Hex(uint64_t value) {
  char buffer[24];
  snprintf(buffer, sizeof buffer, "0x%llx", static_cast<unsigned long long>(value));
  return buffer;
}

}  // namespace detail

using detail::Core;

OsVersion OsVersionOf(const basetdic::WindowsVersion& windows) {
  return {windows.platformId, windows.major, windows.minor, windows.build, windows.servicePack};
}

namespace {

OsVersion OsOfWineName(const char* wineName) { return OsVersionOf(*basetdic::WindowsByWineName(wineName)); }

}  // namespace

OsVersion OsNt40() { return OsOfWineName("nt40"); }
OsVersion OsWin2k() { return OsOfWineName("win2k"); }
OsVersion OsWinXp() { return OsOfWineName("winxp"); }
OsVersion OsVista() { return OsOfWineName("vista"); }
OsVersion OsWin7() { return OsOfWineName("win7"); }
OsVersion OsWin10() { return OsOfWineName("win10"); }
OsVersion OsWin98() { return OsOfWineName("win98"); }
OsVersion OsWin95() { return OsOfWineName("win95"); }

namespace {

// Setup put Windows in C:\WINNT up to Windows 2000 and in C:\WINDOWS from XP on and on the 95 family.
std::string DefaultWindowsDirectory(const OsVersion& os) {
  bool winnt = os.platformId == VER_PLATFORM_WIN32_NT && (os.major < 5 || (os.major == 5 && os.minor == 0));
  return winnt ? "C:\\WINNT" : "C:\\WINDOWS";
}

}  // namespace

void Boot(const MachineConfig& wanted, const std::string& hostFolderForC) {
  std::lock_guard<std::recursive_mutex> lock(detail::MachineLock());
  // A copy first: the caller may hand in the running machine's own configuration, which the reset clears.
  MachineConfig config = wanted;
  if (config.windowsDirectory.empty()) config.windowsDirectory = DefaultWindowsDirectory(config.os);
  // A fresh state swapped in whole: GCC 12's -O2 mistakes assigning a temporary here for a read of
  // uninitialised string members.
  detail::CoreState fresh;
  fresh.config = config;
  fresh.systemDirectory = config.windowsDirectory + (detail::IsWin9xFamily(config.os) ? "\\SYSTEM" : "\\system32");
  std::swap(Core(), fresh);
  detail::Handles().Clear();
  detail::Observed() = detail::Observation{};
  MapDrive('C', hostFolderForC);
  for (auto& reset : detail::BootHooks()) reset();
  detail::CreateHostFolders(HostPath(SystemDirectory() + "\\drivers"));
  if (config.wow64) detail::CreateHostFolders(HostPath(Wow64SystemDirectory() + "\\drivers"));
  std::string exe = config.executablePath;
  size_t slash = exe.find_last_of('\\');
  if (slash != std::string::npos) detail::CreateHostFolders(HostPath(exe.substr(0, slash)));
  detail::CreateHostFolders(HostPath(config.currentDirectory));
}

void MapDrive(char letter, const std::string& hostFolder) {
  std::lock_guard<std::recursive_mutex> lock(detail::MachineLock());
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  std::string folder = std::filesystem::absolute(hostFolder).lexically_normal().string();
  detail::CreateHostFolders(folder);
  Core().drives[letter] = folder;
}

const MachineConfig& Config() { return Core().config; }
void SetOsVersion(const OsVersion& os) { Core().config.os = os; }
void SetVersionQueryFails(bool fails) { Core().config.versionQueryFails = fails; }
// Turning WOW64 on makes the machine a 64-bit Windows, which has the 32-bit system folder.
void SetWow64(bool wow64) {
  Core().config.wow64 = wow64;
  if (wow64) detail::CreateHostFolders(HostPath(Wow64SystemDirectory() + "\\drivers"));
}
void SetExecutablePath(const std::string& path) { Core().config.executablePath = path; }
void SetCurrentDirectory(const std::string& path) { Core().config.currentDirectory = path; }
void SetProcessId(DWORD id) { Core().config.processId = id; }
void SetCodePage(UINT codePage) { Core().config.codePage = codePage; }

void AdvanceClock(DWORD milliseconds) {
  std::lock_guard<std::recursive_mutex> lock(detail::MachineLock());
  Core().clockMs += milliseconds;
  for (auto& hook : detail::ClockHooks()) hook();
}
ULONGLONG ClockMilliseconds() { return Core().clockMs; }

void StartNextRun(ULONGLONG elapsedMilliseconds) {
  std::lock_guard<std::recursive_mutex> lock(detail::MachineLock());
  while (elapsedMilliseconds > 0) {
    DWORD step = static_cast<DWORD>(std::min<ULONGLONG>(elapsedMilliseconds, 0x7FFFFFFF));
    AdvanceClock(step);
    elapsedMilliseconds -= step;
  }
  Core().config.processId += 4;
}

std::string WindowsDirectory() { return Core().config.windowsDirectory; }
std::string SystemDirectory() { return Core().systemDirectory; }
std::string Wow64SystemDirectory() { return Core().config.windowsDirectory + "\\SysWOW64"; }
WORD NativeMachineType() { return Core().config.wow64 ? 0x8664 : 0x014C; }

const char* HandleKindName(HandleKind kind) {
  static const char* const names[] = {"file",    "device",  "find",   "key",   "service manager",
                                      "service", "process", "thread", "mutex", "event"};
  size_t index = static_cast<size_t>(kind);
  return index < sizeof names / sizeof names[0] ? names[index] : "?";
}

const std::vector<CallRecord>& CallLog() { return detail::Observed().log; }
void ClearCallLog() { detail::Observed().log.clear(); }
uint64_t CallCount() { return detail::Observed().calls; }

size_t OpenHandles(HandleKind kind) { return detail::Handles().Count(kind); }
size_t OpenHandles() { return detail::Handles().Count(); }

void FailNthCallOf(const std::string& function, unsigned n, DWORD error) {
  if (n == 0) return;
  detail::Observed().faults.push_back(detail::FaultPlan{function, n, error});
}

void FailNthCall(unsigned n, DWORD error) {
  if (n == 0) return;
  detail::Observed().faults.push_back(detail::FaultPlan{std::string(), n, error});
}

void ClearFaults() { detail::Observed().faults.clear(); }
unsigned FaultsFired() { return detail::Observed().fired; }

QuietScope::QuietScope() : previous_(detail::quiet) { detail::quiet = true; }
QuietScope::~QuietScope() { detail::quiet = previous_; }

}  // namespace winsim
