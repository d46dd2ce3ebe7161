// One row per interposed function: how its arguments read in the call log (as winsim's log writes them),
// how it shows a failure, and what it does to the handle ledger.
#include "hooked_functions.h"

#include <windows.h>
#include <shellapi.h>
#include <winver.h>

#include <cctype>

#include "call_text.h"

namespace host::interposer::detail {
namespace {

using State = Interposer::State;
using K = HandleKind;
using S = Shows;

std::string Number(long long value) { return std::to_string(value); }

std::string KeyArgs(const State& state, HKEY key, LPCSTR subKey) { return state.KeyText(key) + " " + Arg(subKey); }

LONG OpenedKey(State& state, LONG result, HKEY key, LPCSTR subKey, PHKEY opened) {
  if (result == ERROR_SUCCESS && opened != nullptr && *opened != key)
    state.handles.Opened(K::Key, *opened, state.KeyPath(key, subKey));
  return result;
}

template <class Handle>
Handle Opened(State& state, Handle handle, HandleKind kind, const char* what, bool valid) {
  if (valid) state.handles.Opened(kind, reinterpret_cast<const void*>(handle), what != nullptr ? what : "");
  return handle;
}

BOOL Closed(State& state, BOOL result, const void* handle) {
  if (result) state.handles.Closed(handle);
  return result;
}

const std::vector<Entry>& Table() {
  static const std::vector<Entry> table = {
      // ---- advapi32: registry ----
      INTERPOSE(RegOpenKeyExA, S::ReturnedError,
                [](const State& s, HKEY key, LPCSTR sub, DWORD, REGSAM sam, PHKEY) {
                  return KeyArgs(s, key, sub) + " sam=" + Hex(sam);
                },
                [](State& s, LONG r, HKEY key, LPCSTR sub, DWORD, REGSAM, PHKEY out) {
                  return OpenedKey(s, r, key, sub, out);
                }),
      INTERPOSE(RegCreateKeyExA, S::ReturnedError,
                [](const State& s, HKEY key, LPCSTR sub, DWORD, LPSTR, DWORD, REGSAM sam, LPSECURITY_ATTRIBUTES, PHKEY,
                   LPDWORD) { return KeyArgs(s, key, sub) + " sam=" + Hex(sam); },
                [](State& s, LONG r, HKEY key, LPCSTR sub, DWORD, LPSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES,
                   PHKEY out, LPDWORD) { return OpenedKey(s, r, key, sub, out); }),
      INTERPOSE(RegCreateKeyA, S::ReturnedError,
                [](const State& s, HKEY key, LPCSTR sub, PHKEY) { return KeyArgs(s, key, sub); },
                [](State& s, LONG r, HKEY key, LPCSTR sub, PHKEY out) { return OpenedKey(s, r, key, sub, out); }),
      INTERPOSE(RegQueryValueExA, S::ReturnedError,
                [](const State&, HKEY, LPCSTR name, LPDWORD, LPDWORD, LPBYTE, LPDWORD size) {
                  return Arg(name) + (size != nullptr ? " size=" + Number(*size) : "");
                }),
      INTERPOSE(RegSetValueExA, S::ReturnedError,
                [](const State&, HKEY, LPCSTR name, DWORD, DWORD type, const BYTE*, DWORD size) {
                  return Arg(name) + " type=" + Number(type) + " size=" + Number(size);
                }),
      INTERPOSE(RegDeleteKeyA, S::ReturnedError,
                [](const State& s, HKEY key, LPCSTR sub) { return KeyArgs(s, key, sub); }),
      INTERPOSE(RegDeleteValueA, S::ReturnedError, [](const State&, HKEY, LPCSTR name) { return Arg(name); }),
      INTERPOSE(RegEnumKeyExA, S::ReturnedError,
                [](const State&, HKEY, DWORD index, LPSTR, LPDWORD, LPDWORD, LPSTR, LPDWORD, PFILETIME) {
                  return Number(index);
                }),
      INTERPOSE(RegEnumValueA, S::ReturnedError,
                [](const State&, HKEY, DWORD index, LPSTR, LPDWORD, LPDWORD, LPDWORD, LPBYTE, LPDWORD) {
                  return Number(index);
                }),
      INTERPOSE(RegCloseKey, S::ReturnedError, [](const State& s, HKEY key) { return s.KeyText(key); },
                [](State& s, LONG r, HKEY key) {
                  if (r == ERROR_SUCCESS) s.handles.Closed(key);
                  return r;
                }),

      // ---- advapi32: service control manager ----
      INTERPOSE(OpenSCManagerA, S::Zero,
                [](const State&, LPCSTR machine, LPCSTR database, DWORD access) {
                  return Arg(machine) + " " + Arg(database) + " access=" + Hex(access);
                },
                [](State& s, SC_HANDLE h, LPCSTR, LPCSTR, DWORD) {
                  return Opened(s, h, K::ServiceManager, "service manager", h != nullptr);
                }),
      INTERPOSE(CreateServiceA, S::Zero,
                [](const State&, SC_HANDLE, LPCSTR name, LPCSTR display, DWORD, DWORD type, DWORD start, DWORD,
                   LPCSTR image, LPCSTR, LPDWORD, LPCSTR, LPCSTR, LPCSTR) {
                  return Arg(name) + " " + Arg(display) + " type=" + Number(type) + " start=" + Number(start) +
                         " image=" + Arg(image);
                },
                [](State& s, SC_HANDLE h, SC_HANDLE, LPCSTR name, LPCSTR, DWORD, DWORD, DWORD, DWORD, LPCSTR, LPCSTR,
                   LPDWORD, LPCSTR, LPCSTR, LPCSTR) { return Opened(s, h, K::Service, name, h != nullptr); }),
      INTERPOSE(OpenServiceA, S::Zero,
                [](const State&, SC_HANDLE, LPCSTR name, DWORD access) { return Arg(name) + " access=" + Hex(access); },
                [](State& s, SC_HANDLE h, SC_HANDLE, LPCSTR name, DWORD) {
                  return Opened(s, h, K::Service, name, h != nullptr);
                }),
      INTERPOSE(StartServiceA, S::Zero,
                [](const State& s, SC_HANDLE h, DWORD argc, LPCSTR*) {
                  return s.ServiceHandleText(h) + " argc=" + Number(argc);
                }),
      INTERPOSE(ControlService, S::Zero,
                [](const State& s, SC_HANDLE h, DWORD control, LPSERVICE_STATUS) {
                  return s.ServiceHandleText(h) + " control=" + Number(control);
                }),
      INTERPOSE(DeleteService, S::Zero, [](const State& s, SC_HANDLE h) { return s.ServiceHandleText(h); }),
      INTERPOSE(CloseServiceHandle, S::Zero, [](const State& s, SC_HANDLE h) { return s.ServiceHandleText(h); },
                [](State& s, BOOL r, SC_HANDLE h) { return Closed(s, r, h); }),
      INTERPOSE(QueryServiceStatus, S::Zero,
                [](const State& s, SC_HANDLE h, LPSERVICE_STATUS) { return s.ServiceHandleText(h); }),
      INTERPOSE(QueryServiceConfigA, S::Zero,
                [](const State& s, SC_HANDLE h, LPQUERY_SERVICE_CONFIGA, DWORD size, LPDWORD) {
                  return s.ServiceHandleText(h) + " size=" + Number(size);
                }),

      // ---- kernel32: files ----
      INTERPOSE(CopyFileA, S::Zero,
                [](const State&, LPCSTR from, LPCSTR to, BOOL failIfExists) {
                  return Arg(from) + " -> " + Arg(to) + (failIfExists ? " failIfExists" : "");
                }),
      INTERPOSE(DeleteFileA, S::Zero, [](const State&, LPCSTR name) { return Arg(name); }),
      INTERPOSE(GetFileAttributesA, S::AllOnes, [](const State&, LPCSTR name) { return Arg(name); }),
      INTERPOSE(CreateDirectoryA, S::Zero, [](const State&, LPCSTR name, LPSECURITY_ATTRIBUTES) { return Arg(name); }),
      INTERPOSE(RemoveDirectoryA, S::Zero, [](const State&, LPCSTR name) { return Arg(name); }),
      INTERPOSE(GetCurrentDirectoryA, S::Zero, [](const State&, DWORD, LPSTR) { return std::string(); }),
      INTERPOSE(CreateFileA, S::InvalidHandle,
                [](const State&, LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES, DWORD disposition,
                   DWORD, HANDLE) {
                  return Arg(name) + " access=" + Hex(access) + " share=" + Number(share) +
                         " disposition=" + Number(disposition);
                },
                [](State& s, HANDLE h, LPCSTR name, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) {
                  return Opened(s, h, K::File, name, h != INVALID_HANDLE_VALUE);
                }),
      INTERPOSE(ReadFile, S::Zero,
                [](const State&, HANDLE, LPVOID, DWORD toRead, LPDWORD, LPOVERLAPPED) { return Number(toRead); },
                nullptr,
                [](DWORD, HANDLE, LPVOID, DWORD, LPDWORD read, LPOVERLAPPED) -> BOOL {
                  if (read != nullptr) *read = 0;
                  return FALSE;
                }),
      INTERPOSE(WriteFile, S::Zero,
                [](const State&, HANDLE, LPCVOID, DWORD toWrite, LPDWORD, LPOVERLAPPED) { return Number(toWrite); },
                nullptr,
                [](DWORD, HANDLE, LPCVOID, DWORD, LPDWORD written, LPOVERLAPPED) -> BOOL {
                  if (written != nullptr) *written = 0;
                  return FALSE;
                }),
      INTERPOSE(SetFilePointer, S::AllOnesAndError,
                [](const State&, HANDLE, LONG distance, PLONG, DWORD method) {
                  return Number(distance) + " method=" + Number(method);
                }),
      INTERPOSE(GetFileSize, S::AllOnesAndError, [](const State&, HANDLE, LPDWORD) { return std::string(); }),
      INTERPOSE(FlushFileBuffers, S::Zero, [](const State&, HANDLE) { return std::string(); }),
      INTERPOSE(FindFirstFileA, S::InvalidHandle, [](const State&, LPCSTR name, LPWIN32_FIND_DATAA) { return Arg(name); },
                [](State& s, HANDLE h, LPCSTR name, LPWIN32_FIND_DATAA) {
                  return Opened(s, h, K::Find, name, h != INVALID_HANDLE_VALUE);
                }),
      INTERPOSE(FindNextFileA, S::Zero, [](const State&, HANDLE, LPWIN32_FIND_DATAA) { return std::string(); }),
      INTERPOSE(FindClose, S::Zero, [](const State&, HANDLE) { return std::string(); },
                [](State& s, BOOL r, HANDLE h) { return Closed(s, r, h); }),

      // ---- kernel32: modules ----
      INTERPOSE(LoadLibraryA, S::Zero, [](const State&, LPCSTR name) { return Arg(name); },
                [](State& s, HMODULE h, LPCSTR name) { return Opened(s, h, K::Module, name, h != nullptr); }),
      INTERPOSE(LoadLibraryExA, S::Zero,
                [](const State&, LPCSTR name, HANDLE, DWORD flags) { return Arg(name) + ", " + Hex(flags); },
                [](State& s, HMODULE h, LPCSTR name, HANDLE, DWORD) {
                  return Opened(s, h, K::Module, name, h != nullptr);
                }),
      INTERPOSE(GetModuleHandleA, S::Zero, [](const State&, LPCSTR name) { return Arg(name); }),
      INTERPOSE(GetProcAddress, S::Zero,
                [](const State&, HMODULE, LPCSTR name) {
                  const uintptr_t value = reinterpret_cast<uintptr_t>(name);
                  return value >> 16 == 0 ? "#" + Number(static_cast<long long>(value)) : Arg(name);
                },
                [](State&, FARPROC address, HMODULE, LPCSTR name) { return WrapBound(address, name); }),
      INTERPOSE(FreeLibrary, S::Zero, [](const State&, HMODULE module) { return Hex(module); },
                [](State& s, BOOL r, HMODULE module) { return Closed(s, r, module); }),

      // ---- kernel32: profile, processes, system ----
      INTERPOSE(GetPrivateProfileIntA, S::LastErrorSet,
                [](const State&, LPCSTR section, LPCSTR key, INT, LPCSTR file) {
                  return Arg(section) + " " + Arg(key) + " " + Arg(file);
                },
                nullptr, [](DWORD, LPCSTR, LPCSTR, INT fallback, LPCSTR) { return static_cast<UINT>(fallback); }),
      INTERPOSE(WritePrivateProfileStringA, S::Zero,
                [](const State&, LPCSTR section, LPCSTR key, LPCSTR, LPCSTR file) {
                  return Arg(section) + " " + Arg(key) + " " + Arg(file);
                }),
      INTERPOSE(CreateProcessA, S::Zero,
                [](const State&, LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                   BOOL, DWORD flags, LPVOID, LPCSTR directory, LPSTARTUPINFOA, LPPROCESS_INFORMATION) {
                  return Arg(application) + ", " + Arg(commandLine) + ", " + Hex(flags) + ", " + Arg(directory);
                },
                [](State& s, BOOL r, LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES,
                   LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCSTR, LPSTARTUPINFOA,
                   LPPROCESS_INFORMATION started) {
                  if (r && started != nullptr) {
                    const char* program = application != nullptr ? application : commandLine;
                    Opened(s, started->hProcess, K::Process, program, true);
                    Opened(s, started->hThread, K::Thread, program, true);
                  }
                  return r;
                }),
      INTERPOSE(GetExitCodeProcess, S::Zero, [](const State&, HANDLE, LPDWORD) { return std::string(); }),
      INTERPOSE(WinExec, S::LaunchCode,
                [](const State&, LPCSTR commandLine, UINT show) { return Arg(commandLine) + ", " + Number(show); }),
      INTERPOSE(ShellExecuteA, S::ShellCode,
                [](const State&, HWND, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory, INT show) {
                  return Arg(operation) + ", " + Arg(file) + ", " + Arg(parameters) + ", " + Arg(directory) + ", " +
                         Number(show);
                }),
      INTERPOSE(GetVersionExA, S::Zero, [](const State&, LPOSVERSIONINFOA) { return std::string(); }),
      INTERPOSE(GetModuleFileNameA, S::Zero, [](const State&, HMODULE, LPSTR, DWORD) { return std::string(); }),
      INTERPOSE(GetSystemDirectoryA, S::Zero, [](const State&, LPSTR, UINT) { return std::string(); }),
      INTERPOSE(GetWindowsDirectoryA, S::Zero, [](const State&, LPSTR, UINT) { return std::string(); }),
      INTERPOSE(GetCurrentProcessId, S::Nothing, [](const State&) { return std::string(); }),
      INTERPOSE(GetLocalTime, S::Nothing, [](const State&, LPSYSTEMTIME) { return std::string(); }),
      INTERPOSE(GetTickCount, S::Nothing, [](const State&) { return std::string(); }),
      INTERPOSE(Sleep, S::Nothing, [](const State&, DWORD milliseconds) { return Number(milliseconds); }),
      INTERPOSE(HeapAlloc, S::Zero, [](const State&, HANDLE, DWORD, SIZE_T bytes) {
        return Number(static_cast<long long>(bytes));
      }),
      INTERPOSE(HeapFree, S::Zero, [](const State&, HANDLE, DWORD, LPVOID) { return std::string(); }),

      // ---- kernel32: handles and synchronisation ----
      INTERPOSE(CloseHandle, S::Zero, [](const State&, HANDLE h) { return Hex(h); },
                [](State& s, BOOL r, HANDLE h) { return Closed(s, r, h); }),
      INTERPOSE(CreateMutexA, S::Zero, [](const State&, LPSECURITY_ATTRIBUTES, BOOL, LPCSTR name) { return Arg(name); },
                [](State& s, HANDLE h, LPSECURITY_ATTRIBUTES, BOOL, LPCSTR name) {
                  return Opened(s, h, K::Mutex, name, h != nullptr);
                }),
      INTERPOSE(ReleaseMutex, S::Zero, [](const State&, HANDLE) { return std::string(); }),
      INTERPOSE(WaitForSingleObject, S::AllOnes,
                [](const State&, HANDLE, DWORD milliseconds) { return Number(milliseconds); }),

      // ---- version.dll, bound at run time ----
      INTERPOSE(GetFileVersionInfoSizeA, S::Zero, [](const State&, LPCSTR name, LPDWORD) { return Arg(name); },
                nullptr,
                [](DWORD, LPCSTR, LPDWORD handle) -> DWORD {
                  if (handle != nullptr) *handle = 0;
                  return 0;
                }),
      INTERPOSE(GetFileVersionInfoA, S::Zero,
                [](const State&, LPCSTR name, DWORD, DWORD length, LPVOID) { return Arg(name) + ", " + Number(length); }),
      INTERPOSE(VerQueryValueA, S::Zero, [](const State&, LPCVOID, LPCSTR block, LPVOID*, PUINT) { return Arg(block); }),

      // ---- kernel32: WOW64, bound at run time ----
      INTERPOSE(IsWow64Process, S::Zero, [](const State&, HANDLE, PBOOL) { return std::string(); }),
      INTERPOSE(Wow64DisableWow64FsRedirection, S::Zero, [](const State&, PVOID*) { return std::string(); }),
      INTERPOSE(Wow64RevertWow64FsRedirection, S::Zero, [](const State&, PVOID old) { return Hex(old); }),
  };
  return table;
}

bool EqualNoCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return i == a.size() && b[i] == '\0';
}

}  // namespace

const std::vector<Entry>& Entries() { return Table(); }

const Entry* FindEntry(const std::string& function) {
  for (const Entry& entry : Table())
    if (function == entry.name) return &entry;
  return nullptr;
}

bool PassedThroughByDesign(const std::string& dll, const std::string& function) {
  if (EqualNoCase(dll, "msvcrt.dll")) return true;
  static const char* const kernel[] = {
      "GetLastError", "SetLastError", "GetCurrentProcess", "GetCurrentThread", "GetProcessHeap", "IsDBCSLeadByte",
      "InitializeCriticalSection", "EnterCriticalSection", "LeaveCriticalSection", "DeleteCriticalSection",
      "TlsGetValue", "TlsSetValue", "VirtualProtect", "VirtualQuery",
      // The i686 runtime looks up its unwinder's DLL when the library is loaded and unloaded.
      "GetModuleHandleW",
  };
  if (!EqualNoCase(dll, "kernel32.dll")) return false;
  for (const char* name : kernel)
    if (function == name) return true;
  return false;
}

FARPROC WrapBound(FARPROC address, LPCSTR name) {
  if (address == nullptr || reinterpret_cast<uintptr_t>(name) >> 16 == 0) return address;
  const Entry* entry = FindEntry(name);
  if (entry == nullptr) return address;
  entry->bind(reinterpret_cast<void*>(address));
  return reinterpret_cast<FARPROC>(entry->wrapper);
}

}  // namespace host::interposer::detail
