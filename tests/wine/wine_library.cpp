#include "wine_library.h"

#include <windows.h>

#include "wine_files.h"

namespace winetest {
namespace {

bool InterposerSwitchedOn() {
  char value[8];
  DWORD length = GetEnvironmentVariableA("BASETDIC_WINE_INTERPOSER", value, sizeof(value));
  return length == 1 && value[0] == '1';
}

HMODULE g_library = nullptr;

LibraryExports Load() {
  LibraryExports exports;
  exports.path = PayloadDirectory() + "\\basetdic.dll";
  HMODULE module = LoadLibraryA(exports.path.c_str());
  if (module == nullptr) {
    exports.error = "LoadLibraryA(" + exports.path + ") failed with error " + std::to_string(GetLastError());
    return exports;
  }
  // The module stays loaded for the life of the process.
  // GetProcAddress returns a generic function pointer; the exports' real types are the header's.
  exports.queryModuleObj =
      reinterpret_cast<QueryModuleObjFn>(reinterpret_cast<void*>(GetProcAddress(module, "QueryModuleObj")));
  exports.releaseObj = reinterpret_cast<ReleaseObjFn>(reinterpret_cast<void*>(GetProcAddress(module, "ReleaseObj")));
  if (exports.queryModuleObj == nullptr || exports.releaseObj == nullptr)
    exports.error = exports.path + " lacks QueryModuleObj or ReleaseObj";
  g_library = module;
  if (InterposerSwitchedOn()) {
    std::string error;
    // Installed for the life of the process, like the library.
    static std::unique_ptr<host::interposer::Interposer> interposer = host::interposer::Interposer::Install(module, &error);
    exports.interposer = interposer.get();
    if (!interposer) exports.error = "BASETDIC_WINE_INTERPOSER: cannot install the interposer: " + error;
  }
  return exports;
}

}  // namespace

std::string PayloadDirectory() {
  char configured[MAX_PATH];
  DWORD length = GetEnvironmentVariableA("BASETDIC_WINE_PAYLOAD", configured, sizeof(configured));
  if (length > 0 && length < sizeof(configured)) return std::string(configured, length);
  return ProgramDirectory() + "\\payload";
}

bool ProcessIsWow64() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

std::string DriverPayloadDirectory() { return PayloadDirectory() + (ProcessIsWow64() ? "\\x86_64" : ""); }

const LibraryExports& BasetdicLibrary() {
  static const LibraryExports exports = Load();
  return exports;
}

LibraryInterposer::LibraryInterposer() {
  const LibraryExports& library = BasetdicLibrary();
  if (library.interposer != nullptr) {
    interposer_ = library.interposer;
    return;
  }
  if (g_library == nullptr) {
    error_ = library.error;
    return;
  }
  own_ = host::interposer::Interposer::Install(g_library, &error_);
  interposer_ = own_.get();
}

LibraryInterposer::~LibraryInterposer() = default;

}  // namespace winetest
