#include "steps/run_program.h"

#include <stdint.h>
#include <windows.h>

#include "generic/bounded_text.h"

namespace basetdic {

bool RunProgram(const char* programPath, const char* parameters) {
  if (programPath == nullptr) return false;
  HINSTANCE shell = ShellExecuteA(nullptr, "Open", programPath, parameters, nullptr, SW_SHOW);
  // The shell's result is an error code of 32 or less, or a larger value on success; read it signed.
  if (reinterpret_cast<intptr_t>(shell) > 32) return true;

  PathBuffer commandLine;
  bool fits = parameters != nullptr ? commandLine.Format("\"%s\" %s", programPath, parameters)
                                    : commandLine.Assign(programPath);
  if (!fits) return false;
  // WinExec reports success with 31 or more.
  return WinExec(commandLine.c_str(), SW_SHOW) >= 31;
}

}  // namespace basetdic
