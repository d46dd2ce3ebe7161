// Modules: LoadLibraryA/ExA, GetModuleHandleA, GetProcAddress and FreeLibrary over winsim's system DLLs,
// and stand-in modules for any other file a load finds. A bare name goes through the DLL search order of
// Windows with safe DLL search mode: modules already loaded, KnownDLLs, the executable's folder, the
// system folder, the Windows folder, the current folder. So a version.dll planted beside the executable
// is what a bare-name load of "version.dll" gets, while a full-path load from the system folder gets the
// system's own.
#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "api_call.h"
#include "machine_state.h"
#include "paths.h"
#include "system_dlls.h"
#include "winsim/modules.h"
#include "wow64.h"

using winsim::detail::ApiCall;
using winsim::detail::Arg;
using winsim::detail::Core;
using winsim::detail::EqualNoCase;
using winsim::detail::Lower;

namespace winsim::detail {
namespace {

// ---- Stand-in exports: record the call and fail --------------------------------------------------------

void RecordStandInCall(const char* function);

DWORD WINAPI StandInGetFileVersionInfoSizeA(LPCSTR, LPDWORD handle) {
  RecordStandInCall("GetFileVersionInfoSizeA");
  if (handle) *handle = 0;
  SetLastError(ERROR_INVALID_FUNCTION);
  return 0;
}

BOOL WINAPI StandInGetFileVersionInfoA(LPCSTR, DWORD, DWORD, LPVOID) {
  RecordStandInCall("GetFileVersionInfoA");
  SetLastError(ERROR_INVALID_FUNCTION);
  return FALSE;
}

BOOL WINAPI StandInVerQueryValueA(LPCVOID, LPCSTR, LPVOID*, PUINT length) {
  RecordStandInCall("VerQueryValueA");
  if (length) *length = 0;
  SetLastError(ERROR_INVALID_FUNCTION);
  return FALSE;
}

const std::vector<Export>& StandInExports() {
  static const std::vector<Export> exports = {
      Exported("GetFileVersionInfoSizeA", &StandInGetFileVersionInfoSizeA),
      Exported("GetFileVersionInfoA", &StandInGetFileVersionInfoA),
      Exported("VerQueryValueA", &StandInVerQueryValueA),
  };
  return exports;
}

// ---- Loaded modules ------------------------------------------------------------------------------------

struct Module {
  std::string systemName;  // a system DLL's file name; empty for a stand-in
  std::string path;        // a stand-in's file (canonical Windows path)
  bool pinned = false;     // mapped with the process, never unmapped
  bool dataFile = false;   // LOAD_LIBRARY_AS_DATAFILE: mapped for its resources, no exports
  unsigned references = 0;
};

struct ControlState {
  std::map<std::string, std::set<std::string>> removedExports;  // by system DLL name (lower case)
  std::map<std::string, DWORD> loadFailures;                    // by module key
  std::map<std::string, ModuleUsage> usage;                     // by module key
  std::vector<std::string> standInCalls;
};

// Module handles are the addresses of these slots; slot 0 is the executable.
constexpr size_t kSlots = 256;
HINSTANCE__ slotStorage[kSlots];

struct ModuleTable {
  std::map<size_t, Module> bySlot;
  std::vector<size_t> loadOrder;
  ControlState controls;
};

ModuleTable& Modules() {
  static ModuleTable table;
  return table;
}

HMODULE HandleOf(size_t slot) { return &slotStorage[slot]; }

// The slot of a module handle, or kSlots when the value is no module handle at all.
size_t SlotOf(HMODULE module) {
  for (size_t slot = 0; slot < kSlots; ++slot)
    if (module == &slotStorage[slot]) return slot;
  return kSlots;
}

std::string FileNameOf(const std::string& path) {
  size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string SystemModulePath(const std::string& name) {
  return (Core().config.wow64 ? Wow64SystemDirectory() : SystemDirectory()) + "\\" + name;
}

std::string PathOf(const Module& module) {
  return module.systemName.empty() ? module.path : SystemModulePath(module.systemName);
}

// Usage, removed exports and load failures are kept per system DLL name or per stand-in file.
std::string KeyOf(const std::string& systemName, const std::string& path) {
  return systemName.empty() ? Lower(path) : Lower(systemName);
}

std::string KeyOf(const Module& module) { return KeyOf(module.systemName, module.path); }

void Pin(const SystemDll& dll) {
  ModuleTable& table = Modules();
  for (size_t slot = 1; slot < kSlots; ++slot) {
    if (table.bySlot.count(slot)) continue;
    Module module;
    module.systemName = dll.name;
    module.pinned = true;
    table.bySlot[slot] = module;
    table.loadOrder.push_back(slot);
    return;
  }
}

const bool registered = OnBoot([] {
  Modules() = ModuleTable{};
  for (const SystemDll& dll : SystemDlls())
    if (dll.loadedWithProcess) Pin(dll);
});

void RecordStandInCall(const char* function) {
  std::lock_guard<std::recursive_mutex> lock(MachineLock());
  Modules().controls.standInCalls.push_back(function);
}

// ---- Finding the file a load means ---------------------------------------------------------------------

struct Target {
  std::string systemName;
  std::string path;
  DWORD error = 0;
};

bool HasPath(const std::string& name) { return name.find_first_of("\\/:") != std::string::npos; }

// "version" means "version.dll"; a trailing dot means "no extension".
std::string WithDefaultExtension(std::string name) {
  if (name.find('.') == std::string::npos) return name + ".dll";
  if (name.back() == '.') name.pop_back();
  return name;
}

bool IsRegularFile(const std::string& host) {
  struct stat info;
  return !host.empty() && stat(host.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// A path, after the caller's WOW64 redirection. The system folder holds the system DLLs whether or not a
// file stands there; a 32-bit process that reaches the native system32 (redirection off) finds 64-bit
// images it cannot map.
Target ResolvePath(const std::string& path) {
  WindowsPath parsed = ParsePath(path.c_str());
  if (!parsed.valid || parsed.device || parsed.components.empty()) return Target{"", "", ERROR_MOD_NOT_FOUND};
  const std::string text = parsed.Text();
  const std::string fileName = parsed.components.back();
  const std::string folder = text.substr(0, text.size() - fileName.size() - 1);
  if (const SystemDll* dll = FindSystemDll(fileName)) {
    const bool wow64 = Core().config.wow64;
    if (wow64 && EqualNoCase(folder, Wow64SystemDirectory())) return Target{dll->name, "", 0};
    if (EqualNoCase(folder, SystemDirectory()))
      return wow64 ? Target{"", "", ERROR_BAD_EXE_FORMAT} : Target{dll->name, "", 0};
  }
  if (IsRegularFile(HostPathOf(parsed))) return Target{"", text, 0};
  return Target{"", "", ERROR_MOD_NOT_FOUND};
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

Target ResolveBareName(const std::string& requested) {
  const std::string name = WithDefaultExtension(requested);
  ModuleTable& table = Modules();
  for (size_t slot : table.loadOrder) {
    const Module& module = table.bySlot[slot];
    if (!module.dataFile && EqualNoCase(FileNameOf(PathOf(module)), name))
      return Target{module.systemName, module.path, 0};
  }
  if (const SystemDll* dll = FindSystemDll(name); dll && dll->knownDll) return Target{dll->name, "", 0};
  const std::string folders[] = {FolderOf(Core().config.executablePath), SystemDirectory(), WindowsDirectory(),
                                 Core().config.currentDirectory};
  for (const std::string& folder : folders) {
    if (folder.empty()) continue;
    Target target = ResolvePath(folder + "\\" + name);
    if (target.error != ERROR_MOD_NOT_FOUND) return target;
  }
  return Target{"", "", ERROR_MOD_NOT_FOUND};
}

// ---- The API's work ------------------------------------------------------------------------------------

HMODULE Load(const char* fileName, DWORD flags) {
  if (fileName == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  Target target = !*fileName          ? Target{"", "", ERROR_MOD_NOT_FOUND}
                  : HasPath(fileName) ? ResolvePath(fileName)
                                      : ResolveBareName(fileName);
  if (target.error) {
    SetLastError(target.error);
    return nullptr;
  }
  ModuleTable& table = Modules();
  const std::string key = KeyOf(target.systemName, target.path);
  if (auto failure = table.controls.loadFailures.find(key); failure != table.controls.loadFailures.end()) {
    SetLastError(failure->second);
    return nullptr;
  }
  const bool dataFile = (flags & LOAD_LIBRARY_AS_DATAFILE) != 0;
  size_t slot = kSlots;
  if (!dataFile) {
    for (size_t loaded : table.loadOrder) {
      const Module& module = table.bySlot[loaded];
      if (!module.dataFile && KeyOf(module) == key) slot = loaded;
    }
  }
  if (slot == kSlots) {
    for (size_t free = 1; free < kSlots && slot == kSlots; ++free)
      if (!table.bySlot.count(free)) slot = free;
    if (slot == kSlots) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    Module module;
    module.systemName = target.systemName;
    module.path = target.path;
    module.dataFile = dataFile;
    table.bySlot[slot] = module;
    table.loadOrder.push_back(slot);
  }
  ++table.bySlot[slot].references;
  ++table.controls.usage[key].loads;
  return HandleOf(slot);
}

// The loaded module behind a handle; null for the executable's handle and for values that are no module.
Module* Loaded(HMODULE handle) {
  auto found = Modules().bySlot.find(SlotOf(handle));
  return found == Modules().bySlot.end() ? nullptr : &found->second;
}

FARPROC FindExport(const Module& module, const char* procName) {
  if (module.dataFile) return nullptr;
  if (module.systemName.empty()) {
    for (const Export& e : StandInExports())
      if (std::string(e.name) == procName) return e.address;
    return nullptr;
  }
  const auto& removed = Modules().controls.removedExports[Lower(module.systemName)];
  if (removed.count(procName)) return nullptr;
  for (const Export& e : FindSystemDll(module.systemName)->exports)
    if (std::string(e.name) == procName) return e.address;
  return nullptr;
}

// A bare name means the system DLL; a path in the system folder (either one) names a system DLL too.
std::string KeyForControl(const std::string& dllOrPath) {
  if (!HasPath(dllOrPath)) return Lower(WithDefaultExtension(dllOrPath));
  const std::string path = ParsePathNoRedirection(dllOrPath).Text();
  const std::string fileName = FileNameOf(path);
  const std::string folder = path.substr(0, path.size() - fileName.size() - 1);
  if (FindSystemDll(fileName) &&
      (EqualNoCase(folder, SystemDirectory()) || EqualNoCase(folder, Wow64SystemDirectory())))
    return Lower(fileName);
  return Lower(path);
}

}  // namespace
}  // namespace winsim::detail

using namespace winsim::detail;

extern "C" {

HMODULE WINAPI LoadLibraryA(LPCSTR fileName) {
  ApiCall call("LoadLibraryA", Arg(fileName));
  if (call.Fault()) return nullptr;
  return Load(fileName, 0);
}

HMODULE WINAPI LoadLibraryExA(LPCSTR fileName, HANDLE reserved, DWORD flags) {
  ApiCall call("LoadLibraryExA", Arg(fileName) + ", " + Hex(flags));
  if (call.Fault()) return nullptr;
  if (reserved != nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return Load(fileName, flags);
}

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName) {
  ApiCall call("GetModuleHandleA", Arg(moduleName));
  if (call.Fault()) return nullptr;
  if (moduleName == nullptr) return HandleOf(0);
  ModuleTable& table = Modules();
  const bool byPath = HasPath(moduleName);
  const std::string wanted = byPath ? ParsePath(moduleName).Text() : WithDefaultExtension(moduleName);
  for (size_t slot : table.loadOrder) {
    const Module& module = table.bySlot[slot];
    if (module.dataFile) continue;
    const std::string path = PathOf(module);
    if (EqualNoCase(byPath ? path : FileNameOf(path), wanted)) return HandleOf(slot);
  }
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName) {
  const bool byOrdinal = reinterpret_cast<uintptr_t>(procName) < 0x10000;
  ApiCall call("GetProcAddress",
               byOrdinal ? "#" + std::to_string(reinterpret_cast<uintptr_t>(procName)) : Arg(procName));
  if (call.Fault()) return nullptr;
  const Module* loaded = module == nullptr ? nullptr : Loaded(module);
  if (module != nullptr && loaded == nullptr && SlotOf(module) != 0) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  // Ordinals are not modelled, and the executable exports nothing.
  FARPROC address = (loaded == nullptr || byOrdinal) ? nullptr : FindExport(*loaded, procName);
  if (address == nullptr) SetLastError(ERROR_PROC_NOT_FOUND);
  return address;
}

BOOL WINAPI FreeLibrary(HMODULE module) {
  ApiCall call("FreeLibrary", Hex(reinterpret_cast<uintptr_t>(module)));
  if (call.Fault()) return FALSE;
  if (module == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  const size_t slot = SlotOf(module);
  if (slot == 0) return TRUE;
  Module* loaded = Loaded(module);
  if (loaded == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
  }
  ModuleTable& table = Modules();
  ++table.controls.usage[KeyOf(*loaded)].frees;
  if (loaded->references > 0) --loaded->references;
  if (!loaded->pinned && loaded->references == 0) {
    table.bySlot.erase(slot);
    table.loadOrder.erase(std::remove(table.loadOrder.begin(), table.loadOrder.end(), slot), table.loadOrder.end());
  }
  return TRUE;
}

}  // extern "C"

namespace winsim {

void RemoveExport(const std::string& dll, const std::string& function) {
  std::lock_guard<std::recursive_mutex> lock(MachineLock());
  Modules().controls.removedExports[Lower(WithDefaultExtension(dll))].insert(function);
}

void FailDllLoad(const std::string& dll, DWORD error) {
  std::lock_guard<std::recursive_mutex> lock(MachineLock());
  auto& failures = Modules().controls.loadFailures;
  if (error == 0)
    failures.erase(KeyForControl(dll));
  else
    failures[KeyForControl(dll)] = error;
}

ModuleUsage UsageOf(const std::string& dllOrPath) {
  std::lock_guard<std::recursive_mutex> lock(MachineLock());
  ModuleTable& table = Modules();
  const std::string key = KeyForControl(dllOrPath);
  ModuleUsage usage = table.controls.usage[key];
  usage.loaded = false;
  for (size_t slot : table.loadOrder)
    if (KeyOf(table.bySlot[slot]) == key) usage.loaded = true;
  return usage;
}

std::vector<std::string> LoadedModules() {
  std::lock_guard<std::recursive_mutex> lock(MachineLock());
  std::vector<std::string> paths;
  for (size_t slot : Modules().loadOrder) paths.push_back(PathOf(Modules().bySlot[slot]));
  return paths;
}

std::string ModulePathOf(HMODULE module) {
  std::lock_guard<std::recursive_mutex> lock(MachineLock());
  if (SlotOf(module) == 0) return Core().config.executablePath;
  const Module* loaded = Loaded(module);
  return loaded ? PathOf(*loaded) : std::string();
}

std::vector<std::string> StandInCalls() {
  std::lock_guard<std::recursive_mutex> lock(MachineLock());
  return Modules().controls.standInCalls;
}

}  // namespace winsim
