#include "steps/run_and_wait.h"

#include <windows.h>

#include "generic/bounded_text.h"
#include "generic/process_launch.h"

namespace basetdic {
namespace {

// The last backslash of a path in the ANSI code page. In a double-byte code page the trail byte of a
// character can be 0x5C, so bytes are walked character by character rather than searched from the end.
char* LastBackslash(char* path) {
  char* last = nullptr;
  for (char* at = path; *at != '\0'; ++at) {
    if (IsDBCSLeadByte(static_cast<BYTE>(*at)) && at[1] != '\0') {
      ++at;
    } else if (*at == '\\') {
      last = at;
    }
  }
  return last;
}

}  // namespace

bool RunAndWait(const char* programPath, const char* arguments, int timeoutMs) {
  if (programPath == nullptr) return false;
  TextBuffer<1024> commandLine;
  if (arguments != nullptr && !commandLine.Format(" %s", arguments)) return false;
  PathBuffer directory;
  if (!directory.Assign(programPath)) return false;
  char* cut = LastBackslash(directory.data());
  if (cut != nullptr) *cut = '\0';

  ProcessLaunch launch = {};
  launch.program = programPath;
  launch.commandLine = arguments != nullptr ? commandLine.data() : nullptr;
  launch.creationFlags = NORMAL_PRIORITY_CLASS;
  launch.startup.dwFlags = STARTF_USESHOWWINDOW;
  launch.startup.wShowWindow = SW_SHOWDEFAULT;
  launch.directory = cut != nullptr ? directory.c_str() : nullptr;
  launch.waitMs = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
  DWORD waited = WAIT_FAILED;
  return LaunchAndWait(launch, &waited) && waited != WAIT_TIMEOUT && waited != WAIT_FAILED;
}

}  // namespace basetdic
