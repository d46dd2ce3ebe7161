#include "steps/net_cfg_tool.h"

#include <windows.h>

#include "generic/bounded_text.h"
#include "generic/process_launch.h"

namespace basetdic {

bool RunNetCfgTool(const char* toolPath, const char* commandLine, const char* workingDirectory) {
  // CreateProcessA takes a writable command line; the callers' lines are constants or their own buffers.
  TextBuffer<1024> line;
  if (commandLine != nullptr && !line.Assign(commandLine)) return false;

  // No start-up flags: the console window is suppressed by CREATE_NO_WINDOW alone.
  ProcessLaunch launch = {};
  launch.program = toolPath;
  launch.commandLine = commandLine != nullptr ? line.data() : nullptr;
  launch.creationFlags = CREATE_NO_WINDOW;
  launch.directory = workingDirectory;
  launch.waitMs = kNetCfgToolWaitMs;
  // Whether the tool finished in time is not examined: a tool that outlives the wait keeps running.
  return LaunchAndWait(launch, nullptr);
}

}  // namespace basetdic
