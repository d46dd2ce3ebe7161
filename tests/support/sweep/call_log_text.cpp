#include "call_log_text.h"

#include <windows.h>

#include <cctype>

namespace sweep {
namespace {

// Functions whose arguments begin with a handle value.
const char* const kHandleFirst[] = {"CloseHandle",    "FreeLibrary",        "Wow64RevertWow64FsRedirection",
                                    "StartServiceA",  "ControlService",     "DeleteService",
                                    "CloseServiceHandle", "QueryServiceStatus", "QueryServiceConfigA",
                                    "RegCloseKey"};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

void ReplaceAll(std::string* text, const std::string& from, const std::string& to) {
  if (from.empty()) return;
  for (size_t at = text->find(from); at != std::string::npos; at = text->find(from, at + to.size()))
    text->replace(at, from.size(), to);
}

bool BeginsWithHandle(const std::string& function) {
  for (const char* name : kHandleFirst)
    if (function == name) return true;
  return false;
}

std::string WithoutHandle(const std::string& arguments) {
  if (arguments.compare(0, 2, "0x") != 0) return arguments;
  size_t end = 2;
  while (end < arguments.size() && std::isxdigit(static_cast<unsigned char>(arguments[end]))) ++end;
  return "<handle>" + arguments.substr(end);
}

std::string Directory(UINT (WINAPI *fetch)(LPSTR, UINT)) {
  char buffer[MAX_PATH] = {};
  UINT length = fetch(buffer, sizeof buffer);
  return length > 0 && length < sizeof buffer ? std::string(buffer, length) : std::string();
}

}  // namespace

MachinePaths PathsOfThisMachine(const std::string& setupFolder) {
  return {setupFolder, Directory(GetWindowsDirectoryA), Directory(GetSystemDirectoryA)};
}

std::vector<std::string> ComparableCalls(const std::vector<RecordedCall>& calls, const MachinePaths& paths) {
  std::vector<std::string> lines;
  for (const RecordedCall& call : calls) {
    std::string arguments = BeginsWithHandle(call.function) ? WithoutHandle(call.arguments) : call.arguments;
    arguments = Lower(arguments);
    // The longest first: the system directory lies inside the Windows directory.
    ReplaceAll(&arguments, Lower(paths.setupFolder), "<setup>");
    ReplaceAll(&arguments, Lower(paths.systemDirectory), "<system>");
    ReplaceAll(&arguments, Lower(paths.windowsDirectory), "<windows>");
    lines.push_back(call.function + " " + arguments + " = " + std::to_string(call.error));
  }
  return lines;
}

}  // namespace sweep
