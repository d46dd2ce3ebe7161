// Starting a program and waiting a bounded time for it, with both of its handles closed before the
// call returns. A program still running when the wait ends is left running.
#ifndef BASETDIC_GENERIC_PROCESS_LAUNCH_H
#define BASETDIC_GENERIC_PROCESS_LAUNCH_H

#include <windows.h>

namespace basetdic {

struct ProcessLaunch {
  const char* program;      // the image's path, as CreateProcessA's first argument
  char* commandLine;        // writable, as CreateProcessA wants it; null for none
  DWORD creationFlags;
  STARTUPINFOA startup;     // cb is set by the launch
  const char* directory;    // null: the caller's current directory
  DWORD waitMs;             // INFINITE for no limit
};

// CreateProcessA without inherited handles or an environment of its own, then WaitForSingleObject on
// the process. False when the program could not be started (nothing was opened, *waited untouched);
// true otherwise, with the wait's result in *waited.
bool LaunchAndWait(ProcessLaunch launch, DWORD* waited);

}  // namespace basetdic

#endif
