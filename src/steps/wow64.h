// WOW64, as the driver operations meet it: whether the library runs as a 32-bit process on 64-bit
// Windows, and a guard that runs one driver-file copy with file-system redirection switched off, so that
// a path into the system folder reaches the native one instead of SysWOW64. The WOW64 functions are
// looked up in the already loaded Kernel32.dll; a Windows without them is an ordinary case.
#ifndef BASETDIC_STEPS_WOW64_H
#define BASETDIC_STEPS_WOW64_H

#include <windows.h>

namespace basetdic {

// TRUE when IsWow64Process reports WOW64 for the current process; FALSE otherwise, also when there is no
// Kernel32.dll handle or no IsWow64Process to ask. Asked anew on every call.
BOOL IsWow64();

// An action to run under the guard: a function and its context.
typedef void (*GuardedAction)(void* context);

// Runs the action once with redirection off for the calling thread, then restores it. Does nothing at
// all, not even the action, when Kernel32.dll or either redirection function is missing. When switching
// redirection off fails, the action still runs (redirection on) and nothing is restored.
void WithRedirectionDisabled(GuardedAction action, void* context);

// One CopyDriverFile call, the action the driver operations guard.
struct DriverFileCopy {
  const char* source;
  const char* destination;
  int checkVersion;
};
void WithRedirectionDisabled(const DriverFileCopy& copy);

}  // namespace basetdic

#endif
