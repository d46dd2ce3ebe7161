#include "steps/wow64.h"

#include "generic/proc_address.h"
#include "steps/copy_driver_file.h"
#include "steps/file_version.h"

namespace basetdic {
namespace {

typedef BOOL(WINAPI* IsWow64ProcessFn)(HANDLE, PBOOL);
typedef BOOL(WINAPI* Wow64DisableFn)(PVOID*);
typedef BOOL(WINAPI* Wow64RevertFn)(PVOID);

struct BoundDriverFileCopy {
  const DriverFileCopy* copy;
  const VersionReader* versions;
};

void RunDriverFileCopy(void* context) {
  const BoundDriverFileCopy* bound = static_cast<const BoundDriverFileCopy*>(context);
  const DriverFileCopy& copy = *bound->copy;
  if (bound->versions != nullptr)
    CopyDriverFile(*bound->versions, copy.source, copy.destination, copy.checkVersion);
  else
    CopyDriverFile(copy.source, copy.destination, copy.checkVersion);
}

}  // namespace

BOOL IsWow64() {
  BOOL answer = FALSE;
  HMODULE kernel32 = GetModuleHandleA("Kernel32.dll");
  if (kernel32 == nullptr) return FALSE;
  IsWow64ProcessFn isWow64Process = ProcAddress<IsWow64ProcessFn>(kernel32, "IsWow64Process");
  if (isWow64Process == nullptr) return FALSE;
  // Only the answer counts: a call that fails leaves it FALSE.
  isWow64Process(GetCurrentProcess(), &answer);
  return answer ? TRUE : FALSE;
}

void WithRedirectionDisabled(GuardedAction action, void* context) {
  HMODULE kernel32 = GetModuleHandleA("Kernel32.dll");
  if (kernel32 == nullptr) return;
  Wow64DisableFn disable = ProcAddress<Wow64DisableFn>(kernel32, "Wow64DisableWow64FsRedirection");
  Wow64RevertFn revert = ProcAddress<Wow64RevertFn>(kernel32, "Wow64RevertWow64FsRedirection");
  // Never fall back to a copy with redirection on: it would land in SysWOW64.
  if (disable == nullptr || revert == nullptr) return;
  PVOID savedState = nullptr;
  const BOOL disabled = disable(&savedState);
  action(context);
  if (disabled) revert(savedState);
}

void WithRedirectionDisabled(const DriverFileCopy& copy) {
  // The version check needs version.dll, which cannot be loaded once redirection is off (the loader
  // would reach the native system folder's 64-bit DLL): bind it first, read the files with it after.
  if (!copy.checkVersion) {
    BoundDriverFileCopy action = {&copy, nullptr};
    WithRedirectionDisabled(&RunDriverFileCopy, &action);
    return;
  }
  VersionReader versions;
  BoundDriverFileCopy action = {&copy, &versions};
  WithRedirectionDisabled(&RunDriverFileCopy, &action);
}

}  // namespace basetdic
