#include "generic/process_launch.h"

#include "generic/win_handles.h"

namespace basetdic {

bool LaunchAndWait(ProcessLaunch launch, DWORD* waited) {
  launch.startup.cb = sizeof launch.startup;
  PROCESS_INFORMATION started = {};  // handles stay null unless the launch succeeds
  if (!CreateProcessA(launch.program, launch.commandLine, nullptr, nullptr, FALSE, launch.creationFlags, nullptr,
                      launch.directory, &launch.startup, &started)) {
    return false;
  }
  // Both handles stay open across the wait and close after it in reverse order of declaration: the
  // thread handle, which nothing uses, first; the process handle, the one waited on, last.
  UniqueKernelHandle process(started.hProcess);
  UniqueKernelHandle thread(started.hThread);
  const DWORD result = WaitForSingleObject(process.get(), launch.waitMs);
  if (waited != nullptr) *waited = result;
  return true;
}

}  // namespace basetdic
