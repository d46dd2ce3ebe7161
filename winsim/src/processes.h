// The process area as the rest of winsim sees it: finding images, starting programs and waiting on them.
#ifndef WINSIM_SRC_PROCESSES_H
#define WINSIM_SRC_PROCESSES_H

#include <memory>
#include <string>
#include <vector>

#include "windows.h"
#include "winsim/processes.h"

namespace winsim::detail {

// Waits on a process or thread handle on the simulated clock; returns a WAIT_* value, or WAIT_FAILED with
// ERROR_INVALID_HANDLE set when the handle is neither.
DWORD WaitForProcessHandle(HANDLE handle, DWORD milliseconds);

// A started program: its record and what it does when it ends.
struct Program {
  LaunchRecord record;
  std::function<void(LaunchRecord&)> atExit;
};

// Looks for an executable image the way CreateProcessA does for the first token of a command line: ".exe"
// is added when the file name has no extension; a name without a directory part is looked up in
// firstDirectories, then the caller's executable directory, the current directory, the system directory
// and the Windows directory; a relative name with a directory part in firstDirectories, then the current
// directory. On success *image is the full Windows path of the file (after WOW64 redirection).
bool FindImage(const std::string& name, const std::vector<std::string>& firstDirectories, std::string* image);

// The full path of a working directory argument; 0, or ERROR_DIRECTORY when it is not an existing directory.
DWORD CheckWorkingDirectory(const char* directory, std::string* fullPath);

// Whether the Windows path names an existing directory.
bool IsExistingDirectory(const std::string& windowsPath);

// Starts the program whose record the caller filled in (origin, image, arguments, working directory,
// start-up values): gives it ids and its behaviour, runs its launch hook, and lets it end when it runs for
// no time. The machine lock must be held.
std::shared_ptr<Program> StartProgram(LaunchRecord record);

// The error a program launch reports through WinExec and ShellExecuteA: Windows codes below 32 as they
// are, anything else as ERROR_BAD_FORMAT (11).
UINT LegacyLaunchError(DWORD error);

}  // namespace winsim::detail

#endif
