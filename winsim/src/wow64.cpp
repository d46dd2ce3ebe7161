// WOW64: IsWow64Process, the per-thread redirection switch, and the path rewriting the file layer asks for.
// A 32-bit process on 64-bit Windows sees %windir%\system32 as %windir%\SysWOW64 unless its thread turned
// redirection off; the switch is per thread, and the value Wow64DisableWow64FsRedirection hands out is the
// previous state, which Wow64RevertWow64FsRedirection restores (so nested disable/revert pairs unwind).
#include "wow64.h"

#include <atomic>
#include <cstdint>

#include "api_call.h"
#include "handles.h"
#include "machine_state.h"
#include "winsim/wow64.h"

using winsim::detail::ApiCall;
using winsim::detail::Core;

namespace winsim::detail {
namespace {

// Each boot starts a new generation, so a thread's switch from an earlier machine reads as "on".
std::atomic<uint64_t> bootGeneration{1};
const bool registered = OnBoot([] { ++bootGeneration; });

struct ThreadRedirection {
  uint64_t generation = 0;
  bool disabled = false;
};
thread_local ThreadRedirection threadRedirection;

void SetDisabled(bool disabled) {
  threadRedirection.generation = bootGeneration;
  threadRedirection.disabled = disabled;
}

// "rest" receives what follows prefix when path is prefix itself or lies below it (compared without case).
bool Below(const std::string& path, const std::string& prefix, std::string* rest) {
  if (path.size() < prefix.size() || !EqualNoCase(path.substr(0, prefix.size()), prefix)) return false;
  if (path.size() > prefix.size() && path[prefix.size()] != '\\') return false;
  *rest = path.substr(prefix.size());
  return true;
}

// Folders under system32 that 32-bit processes share with 64-bit ones. The driver store joined them with
// Windows 7; "drivers" itself is redirected, only "drivers\etc" is not.
bool ExemptFromRedirection(const std::string& rest) {
  static const char* const kShared[] = {"\\catroot", "\\catroot2", "\\drivers\\etc", "\\logfiles", "\\spool"};
  std::string tail;
  for (const char* shared : kShared)
    if (Below(rest, shared, &tail)) return true;
  const OsVersion& os = Core().config.os;
  const bool windows7OrLater = os.major > 6 || (os.major == 6 && os.minor >= 1);
  return windows7OrLater && Below(rest, "\\driverstore", &tail);
}

bool IsProcessHandle(HANDLE process) {
  if (process == reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1))) return true;
  return Handles().Get<HandleObject>(process, HandleKind::Process) != nullptr;
}

}  // namespace

bool RedirectionDisabledOnThisThread() {
  return threadRedirection.generation == bootGeneration && threadRedirection.disabled;
}

bool RedirectSystemPath(std::string& windowsPath) {
  if (!Core().config.wow64 || RedirectionDisabledOnThisThread()) return false;
  const std::string& windows = Core().config.windowsDirectory;
  std::string rest;
  if (Below(windowsPath, windows + "\\system32", &rest)) {
    if (ExemptFromRedirection(rest)) return false;
    windowsPath = windows + "\\SysWOW64" + rest;
    return true;
  }
  if (Below(windowsPath, windows + "\\lastgood\\system32", &rest)) {
    windowsPath = windows + "\\lastgood\\SysWOW64" + rest;
    return true;
  }
  if (EqualNoCase(windowsPath, windows + "\\regedit.exe")) {
    windowsPath = windows + "\\SysWOW64\\regedit.exe";
    return true;
  }
  return false;
}

}  // namespace winsim::detail

namespace winsim {

bool RedirectionDisabledOnThisThread() {
  std::lock_guard<std::recursive_mutex> lock(detail::MachineLock());
  return detail::RedirectionDisabledOnThisThread();
}

}  // namespace winsim

extern "C" {

BOOL WINAPI IsWow64Process(HANDLE process, PBOOL wow64) {
  ApiCall call("IsWow64Process");
  if (call.Fault()) return FALSE;
  if (!winsim::detail::IsProcessHandle(process)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (wow64 == nullptr) {
    SetLastError(ERROR_NOACCESS);
    return FALSE;
  }
  *wow64 = Core().config.wow64 ? TRUE : FALSE;
  return TRUE;
}

// Outside WOW64 both functions fail with ERROR_INVALID_FUNCTION, as the native loader reports
// STATUS_NOT_IMPLEMENTED for them.
BOOL WINAPI Wow64DisableWow64FsRedirection(PVOID* oldValue) {
  ApiCall call("Wow64DisableWow64FsRedirection");
  if (call.Fault()) return FALSE;
  if (!Core().config.wow64) {
    SetLastError(ERROR_INVALID_FUNCTION);
    return FALSE;
  }
  if (oldValue == nullptr) {
    SetLastError(ERROR_NOACCESS);
    return FALSE;
  }
  *oldValue = reinterpret_cast<PVOID>(static_cast<uintptr_t>(winsim::detail::RedirectionDisabledOnThisThread()));
  winsim::detail::SetDisabled(true);
  return TRUE;
}

BOOL WINAPI Wow64RevertWow64FsRedirection(PVOID oldValue) {
  ApiCall call("Wow64RevertWow64FsRedirection", winsim::detail::Hex(reinterpret_cast<uintptr_t>(oldValue)));
  if (call.Fault()) return FALSE;
  if (!Core().config.wow64) {
    SetLastError(ERROR_INVALID_FUNCTION);
    return FALSE;
  }
  winsim::detail::SetDisabled(oldValue != nullptr);
  return TRUE;
}

}  // extern "C"
