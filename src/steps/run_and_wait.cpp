#include "steps/run_and_wait.h"

#include <windows.h>

#include "generic/bounded_text.h"
#include "generic/win_handles.h"

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

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWDEFAULT;
  PROCESS_INFORMATION started = {};  // handles stay null unless the launch succeeds
  if (!CreateProcessA(programPath, arguments != nullptr ? commandLine.data() : nullptr, nullptr, nullptr, FALSE,
                      NORMAL_PRIORITY_CLASS, nullptr, cut != nullptr ? directory.c_str() : nullptr, &startup,
                      &started)) {
    return false;
  }
  // Declared so that the thread handle is closed first, then the process handle.
  UniqueKernelHandle process(started.hProcess);
  UniqueKernelHandle thread(started.hThread);
  DWORD waited = WaitForSingleObject(process.get(), timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
  return waited != WAIT_TIMEOUT && waited != WAIT_FAILED;
}

}  // namespace basetdic
