// shell32's ShellExecuteA for programs: the "open" verb on an executable starts it without waiting, and
// the result is above 32 on success or one of the SE_ERR_* values (the old WinExec codes) on failure.
#include <cstring>

#include "api_call.h"
#include "machine_state.h"
#include "processes.h"

using winsim::detail::ApiCall;
using winsim::detail::Arg;

namespace {

HINSTANCE ShellResult(UINT value) { return reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(value)); }

// Files the shell starts as programs; anything else would need a file association.
bool IsProgramFile(const std::string& path) {
  size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || path.find_first_of("\\/", dot) != std::string::npos) return false;
  std::string extension = winsim::detail::Lower(path.substr(dot));
  return extension == ".exe" || extension == ".com" || extension == ".bat" || extension == ".cmd";
}

// The error for a file the search did not find: a missing directory along an absolute path is "path not
// found", anything else "file not found".
UINT MissingFileResult(const std::string& file) {
  size_t slash = file.find_last_of("\\/");
  bool absolute = (file.size() >= 2 && file[1] == ':') || (!file.empty() && (file[0] == '\\' || file[0] == '/'));
  if (absolute && slash != std::string::npos && slash > 2 &&
      !winsim::detail::IsExistingDirectory(file.substr(0, slash))) {
    return SE_ERR_PNF;
  }
  return SE_ERR_FNF;
}

bool IsLaunchVerb(const char* verb) {
  return verb == nullptr || verb[0] == '\0' || winsim::detail::EqualNoCase(verb, "open") ||
         winsim::detail::EqualNoCase(verb, "runas");
}

}  // namespace

extern "C" {

HINSTANCE WINAPI ShellExecuteA(HWND, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                               INT showCmd) {
  ApiCall call("ShellExecuteA", Arg(operation) + ", " + Arg(file) + ", " + Arg(parameters) + ", " +
                                    Arg(directory) + ", " + std::to_string(showCmd));
  // An injected fault of 32 or less is returned as the shell's error; larger ones as "out of resources".
  if (call.Fault()) return ShellResult(call.Fault() <= 32 ? call.Fault() : 0);
  if (file == nullptr || file[0] == '\0') {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return ShellResult(SE_ERR_FNF);
  }
  winsim::LaunchRecord record;
  std::vector<std::string> firstDirectories;
  if (directory != nullptr && directory[0] != '\0') firstDirectories.push_back(directory);
  if (!winsim::detail::FindImage(file, firstDirectories, &record.imagePath)) {
    UINT result = MissingFileResult(file);
    SetLastError(result == SE_ERR_PNF ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND);
    return ShellResult(result);
  }
  if (!IsLaunchVerb(operation) || !IsProgramFile(record.imagePath)) {
    SetLastError(ERROR_NO_ASSOCIATION);
    return ShellResult(SE_ERR_NOASSOC);
  }
  if (directory != nullptr && directory[0] != '\0') {
    DWORD error = winsim::detail::CheckWorkingDirectory(directory, &record.workingDirectory);
    if (error != 0) {
      SetLastError(error);
      return ShellResult(winsim::detail::LegacyLaunchError(error));
    }
  } else {
    record.workingDirectory = winsim::detail::Core().config.currentDirectory;
  }
  record.origin = winsim::LaunchOrigin::ShellExecute;
  // The shell starts the program with its quoted path followed by the parameters.
  record.programCommandLine = "\"" + record.imagePath + "\"";
  if (parameters != nullptr && parameters[0] != '\0') record.programCommandLine += std::string(" ") + parameters;
  record.commandLine = record.programCommandLine;
  record.currentDirectory = directory ? std::optional<std::string>(directory) : std::nullopt;
  record.startupInfoSize = sizeof(STARTUPINFOA);
  record.startupFlags = STARTF_USESHOWWINDOW;
  record.showWindow = static_cast<WORD>(showCmd);
  record.verb = operation ? std::optional<std::string>(operation) : std::nullopt;
  record.parameters = parameters ? std::optional<std::string>(parameters) : std::nullopt;
  winsim::detail::StartProgram(std::move(record));
  // Windows answers 42 for a started program; callers only test for more than 32.
  return ShellResult(42);
}

}  // extern "C"
