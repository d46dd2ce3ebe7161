#include "system_dlls.h"

#include "machine_state.h"

namespace winsim::detail {

#define WINSIM_EXPORT(function) Exported(#function, &function)

const std::vector<SystemDll>& SystemDlls() {
  static const std::vector<SystemDll> dlls = {
      {"ntdll.dll", true, true, {}},
      {"kernel32.dll",
       true,
       true,
       {WINSIM_EXPORT(GetVersionExA),
        WINSIM_EXPORT(GetLastError),
        WINSIM_EXPORT(SetLastError),
        WINSIM_EXPORT(GetModuleFileNameA),
        WINSIM_EXPORT(GetSystemDirectoryA),
        WINSIM_EXPORT(GetWindowsDirectoryA),
        WINSIM_EXPORT(GetCurrentProcessId),
        WINSIM_EXPORT(GetCurrentProcess),
        WINSIM_EXPORT(GetLocalTime),
        WINSIM_EXPORT(GetTickCount),
        WINSIM_EXPORT(Sleep),
        WINSIM_EXPORT(GetPrivateProfileIntA),
        WINSIM_EXPORT(WritePrivateProfileStringA),
        WINSIM_EXPORT(GetACP),
        WINSIM_EXPORT(IsDBCSLeadByte),
        WINSIM_EXPORT(GetProcessHeap),
        WINSIM_EXPORT(HeapAlloc),
        WINSIM_EXPORT(HeapFree),
        WINSIM_EXPORT(CloseHandle),
        WINSIM_EXPORT(CreateMutexA),
        WINSIM_EXPORT(ReleaseMutex),
        WINSIM_EXPORT(CreateEventA),
        WINSIM_EXPORT(WaitForSingleObject),
        WINSIM_EXPORT(CreateFileA),
        WINSIM_EXPORT(ReadFile),
        WINSIM_EXPORT(WriteFile),
        WINSIM_EXPORT(SetFilePointer),
        WINSIM_EXPORT(GetFileSize),
        WINSIM_EXPORT(FlushFileBuffers),
        WINSIM_EXPORT(CopyFileA),
        WINSIM_EXPORT(DeleteFileA),
        WINSIM_EXPORT(GetFileAttributesA),
        WINSIM_EXPORT(CreateDirectoryA),
        WINSIM_EXPORT(RemoveDirectoryA),
        WINSIM_EXPORT(FindFirstFileA),
        WINSIM_EXPORT(FindNextFileA),
        WINSIM_EXPORT(FindClose),
        WINSIM_EXPORT(GetCurrentDirectoryA),
        WINSIM_EXPORT(LoadLibraryA),
        WINSIM_EXPORT(LoadLibraryExA),
        WINSIM_EXPORT(GetModuleHandleA),
        WINSIM_EXPORT(GetProcAddress),
        WINSIM_EXPORT(FreeLibrary),
        WINSIM_EXPORT(IsWow64Process),
        WINSIM_EXPORT(Wow64DisableWow64FsRedirection),
        WINSIM_EXPORT(Wow64RevertWow64FsRedirection),
        WINSIM_EXPORT(CreateProcessA),
        WINSIM_EXPORT(GetExitCodeProcess),
        WINSIM_EXPORT(WinExec),
        WINSIM_EXPORT(lstrlenA),
        WINSIM_EXPORT(lstrcpyA),
        WINSIM_EXPORT(lstrcpynA),
        WINSIM_EXPORT(lstrcatA)}},
      {"advapi32.dll",
       true,
       true,
       {WINSIM_EXPORT(RegOpenKeyExA), WINSIM_EXPORT(RegCreateKeyA), WINSIM_EXPORT(RegCreateKeyExA),
        WINSIM_EXPORT(RegQueryValueExA), WINSIM_EXPORT(RegSetValueExA), WINSIM_EXPORT(RegDeleteKeyA),
        WINSIM_EXPORT(RegDeleteValueA), WINSIM_EXPORT(RegEnumKeyExA), WINSIM_EXPORT(RegEnumValueA),
        WINSIM_EXPORT(RegCloseKey), WINSIM_EXPORT(OpenSCManagerA), WINSIM_EXPORT(CreateServiceA),
        WINSIM_EXPORT(OpenServiceA), WINSIM_EXPORT(StartServiceA), WINSIM_EXPORT(ControlService),
        WINSIM_EXPORT(DeleteService), WINSIM_EXPORT(CloseServiceHandle), WINSIM_EXPORT(QueryServiceStatus),
        WINSIM_EXPORT(QueryServiceConfigA)}},
      {"user32.dll", true, true, {WINSIM_EXPORT(wsprintfA), WINSIM_EXPORT(wvsprintfA)}},
      {"shell32.dll", true, true, {WINSIM_EXPORT(ShellExecuteA)}},
      {"version.dll",
       false,
       false,
       {WINSIM_EXPORT(GetFileVersionInfoSizeA), WINSIM_EXPORT(GetFileVersionInfoA), WINSIM_EXPORT(VerQueryValueA)}},
  };
  return dlls;
}

const SystemDll* FindSystemDll(const std::string& fileName) {
  for (const SystemDll& dll : SystemDlls())
    if (EqualNoCase(dll.name, fileName)) return &dll;
  return nullptr;
}

}  // namespace winsim::detail
