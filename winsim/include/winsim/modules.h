// winsim's module controls for tests: the system DLLs and their exports, load failures, and counts of
// loads and frees. A bare DLL name below ("version.dll") names a system DLL; a path names the module
// loaded from that file (a stand-in for a DLL that is not one of the system's own).
//
// System DLLs: ntdll.dll, kernel32.dll, advapi32.dll, user32.dll and shell32.dll are loaded with the
// process and stay loaded; version.dll is loaded on demand. Any other existing file that a load finds
// becomes a stand-in module: its exports named in the version-resource API exist but only record that
// they were called and fail.
#ifndef WINSIM_MODULES_H
#define WINSIM_MODULES_H

#include <string>
#include <vector>

#include "windows.h"

namespace winsim {

// GetProcAddress stops finding the function in that system DLL (ERROR_PROC_NOT_FOUND) until the next boot.
void RemoveExport(const std::string& dll, const std::string& function);

// Loading the DLL fails with the given error (ERROR_MOD_NOT_FOUND if 0 is not what you want); 0 lets it
// load again.
void FailDllLoad(const std::string& dll, DWORD error);

struct ModuleUsage {
  unsigned loads = 0;   // successful LoadLibraryA/LoadLibraryExA calls that returned the module
  unsigned frees = 0;   // successful FreeLibrary calls on it
  bool loaded = false;  // mapped now
};
ModuleUsage UsageOf(const std::string& dllOrPath);

// Full paths of the modules mapped now, in load order.
std::vector<std::string> LoadedModules();

// The full path of a loaded module (the executable's for its own handle); empty for anything else.
std::string ModulePathOf(HMODULE module);

// Calls that reached a stand-in module's exports, by function name, in order.
std::vector<std::string> StandInCalls();

}  // namespace winsim

#endif
