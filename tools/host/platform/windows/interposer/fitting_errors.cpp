#include "fitting_errors.h"

#include <cstring>

namespace host::interposer {
namespace {

struct FittingErrors {
  const char* function;
  std::vector<DWORD> errors;  // most typical first
  bool swept;                 // false: Windows does not fail the call for a caller that holds what it passes
};

const std::vector<FittingErrors>& Table() {
  static const std::vector<FittingErrors> table = {
      // Registry: keys this account may not open or change (a key that is not there is the machine's state,
      // not a fault), values that do not fit the buffer.
      {"RegOpenKeyExA", {ERROR_ACCESS_DENIED}, true},
      {"RegCreateKeyA", {ERROR_ACCESS_DENIED}, true},
      {"RegCreateKeyExA", {ERROR_ACCESS_DENIED}, true},
      {"RegQueryValueExA", {ERROR_MORE_DATA, ERROR_ACCESS_DENIED}, true},
      {"RegSetValueExA", {ERROR_ACCESS_DENIED}, true},
      {"RegDeleteKeyA", {ERROR_ACCESS_DENIED}, true},
      {"RegDeleteValueA", {ERROR_ACCESS_DENIED}, true},
      {"RegEnumKeyExA", {ERROR_ACCESS_DENIED}, true},
      {"RegEnumValueA", {ERROR_ACCESS_DENIED}, true},
      // Files: in use by another program, missing, or the disk full.
      {"CreateFileA", {ERROR_SHARING_VIOLATION, ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED}, true},
      {"CopyFileA", {ERROR_SHARING_VIOLATION}, true},
      {"DeleteFileA", {ERROR_SHARING_VIOLATION}, true},
      {"GetFileAttributesA", {ERROR_FILE_NOT_FOUND}, true},
      {"CreateDirectoryA", {ERROR_ACCESS_DENIED}, true},
      {"RemoveDirectoryA", {ERROR_SHARING_VIOLATION}, true},
      {"FindFirstFileA", {ERROR_FILE_NOT_FOUND}, true},
      {"FindNextFileA", {ERROR_NO_MORE_FILES}, true},
      {"ReadFile", {ERROR_READ_FAULT}, true},
      {"WriteFile", {ERROR_DISK_FULL}, true},
      {"SetFilePointer", {ERROR_INVALID_PARAMETER}, true},
      {"GetFileSize", {ERROR_INVALID_HANDLE}, true},
      {"FlushFileBuffers", {ERROR_ACCESS_DENIED}, true},
      // Kernel and process.
      {"GetSystemDirectoryA", {ERROR_INSUFFICIENT_BUFFER}, true},
      {"GetWindowsDirectoryA", {ERROR_INSUFFICIENT_BUFFER}, true},
      {"GetModuleFileNameA", {ERROR_INSUFFICIENT_BUFFER}, true},
      {"GetCurrentDirectoryA", {ERROR_INSUFFICIENT_BUFFER}, true},
      {"GetPrivateProfileIntA", {ERROR_FILE_NOT_FOUND}, true},
      {"WritePrivateProfileStringA", {ERROR_ACCESS_DENIED}, true},
      {"GetVersionExA", {ERROR_INVALID_PARAMETER}, true},
      {"HeapAlloc", {ERROR_NOT_ENOUGH_MEMORY}, true},
      {"CreateProcessA", {ERROR_FILE_NOT_FOUND}, true},
      {"WaitForSingleObject", {ERROR_INVALID_HANDLE}, true},
      {"GetExitCodeProcess", {ERROR_INVALID_HANDLE}, true},
      {"CreateMutexA", {ERROR_ACCESS_DENIED}, true},
      {"CreateEventA", {ERROR_ACCESS_DENIED}, true},
      {"ShellExecuteA", {ERROR_FILE_NOT_FOUND}, true},
      {"WinExec", {ERROR_FILE_NOT_FOUND}, true},
      // Modules and WOW64.
      {"LoadLibraryA", {ERROR_MOD_NOT_FOUND}, true},
      {"LoadLibraryExA", {ERROR_MOD_NOT_FOUND}, true},
      {"GetModuleHandleA", {ERROR_MOD_NOT_FOUND}, true},
      {"GetProcAddress", {ERROR_PROC_NOT_FOUND}, true},
      {"IsWow64Process", {ERROR_INVALID_HANDLE}, true},
      {"Wow64DisableWow64FsRedirection", {ERROR_INVALID_FUNCTION}, true},
      {"Wow64RevertWow64FsRedirection", {ERROR_INVALID_FUNCTION}, true},
      // version.dll: a file without a version resource.
      {"GetFileVersionInfoSizeA", {ERROR_RESOURCE_TYPE_NOT_FOUND}, true},
      {"GetFileVersionInfoA", {ERROR_RESOURCE_TYPE_NOT_FOUND}, true},
      {"VerQueryValueA", {ERROR_RESOURCE_TYPE_NOT_FOUND}, true},
      // Service control manager.
      {"OpenSCManagerA", {ERROR_ACCESS_DENIED}, true},
      {"OpenServiceA", {ERROR_SERVICE_DOES_NOT_EXIST}, true},
      {"CreateServiceA", {ERROR_SERVICE_EXISTS, ERROR_SERVICE_MARKED_FOR_DELETE}, true},
      {"StartServiceA", {ERROR_FILE_NOT_FOUND, ERROR_SERVICE_ALREADY_RUNNING}, true},
      {"ControlService", {ERROR_SERVICE_NOT_ACTIVE}, true},
      {"DeleteService", {ERROR_SERVICE_MARKED_FOR_DELETE}, true},
      {"QueryServiceStatus", {ERROR_INVALID_HANDLE}, true},
      {"QueryServiceConfigA", {ERROR_INSUFFICIENT_BUFFER}, true},
      // Closing a handle the caller owns, or giving back a mutex it holds: Windows does. Failed only on
      // request, with what Windows says of a handle that is not one.
      {"CloseHandle", {ERROR_INVALID_HANDLE}, false},
      {"RegCloseKey", {ERROR_INVALID_HANDLE}, false},
      {"FindClose", {ERROR_INVALID_HANDLE}, false},
      {"FreeLibrary", {ERROR_INVALID_HANDLE}, false},
      {"CloseServiceHandle", {ERROR_INVALID_HANDLE}, false},
      {"ReleaseMutex", {ERROR_NOT_OWNER}, false},
      {"HeapFree", {ERROR_INVALID_PARAMETER}, false},
      // Calls with no failure to show: the process id, the clock, a sleep.
      {"GetCurrentProcessId", {}, false},
      {"GetLocalTime", {}, false},
      {"GetTickCount", {}, false},
      {"Sleep", {}, false},
  };
  return table;
}

const FittingErrors* Find(const std::string& function) {
  for (const FittingErrors& row : Table())
    if (function == row.function) return &row;
  return nullptr;
}

}  // namespace

DWORD FittingErrorFor(const std::string& function) {
  const FittingErrors* row = Find(function);
  if (row == nullptr || row->errors.empty()) return ERROR_GEN_FAILURE;
  return row->errors.front();
}

std::vector<std::string> FunctionsWithFittingErrors() {
  std::vector<std::string> functions;
  for (const FittingErrors& row : Table())
    if (!row.errors.empty()) functions.push_back(row.function);
  return functions;
}

std::vector<DWORD> SweepErrorsFor(const std::string& function) {
  const FittingErrors* row = Find(function);
  if (row == nullptr) return {ERROR_GEN_FAILURE};
  return row->swept ? row->errors : std::vector<DWORD>();
}

}  // namespace host::interposer
