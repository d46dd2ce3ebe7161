#include "steps/net_cfg_tool.h"

#include <windows.h>

#include "generic/bounded_text.h"
#include "generic/win_handles.h"

namespace basetdic {

bool RunNetCfgTool(const char* toolPath, const char* commandLine, const char* workingDirectory) {
  // CreateProcessA takes a writable command line; the callers' lines are constants or their own buffers.
  TextBuffer<1024> line;
  if (commandLine != nullptr && !line.Assign(commandLine)) return false;

  // No start-up flags: the console window is suppressed by CREATE_NO_WINDOW alone.
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};  // handles stay null unless the launch succeeds
  if (!CreateProcessA(toolPath, commandLine != nullptr ? line.data() : nullptr, nullptr, nullptr, FALSE,
                      CREATE_NO_WINDOW, nullptr, workingDirectory, &startup, &started)) {
    return false;
  }
  // Declared so that the process handle is closed first, then the thread handle.
  UniqueKernelHandle thread(started.hThread);
  UniqueKernelHandle process(started.hProcess);
  // Whether the tool finished in time is not examined: a tool that outlives the wait keeps running.
  WaitForSingleObject(process.get(), kNetCfgToolWaitMs);
  return true;
}

}  // namespace basetdic
