#include "wine_library.h"

#include <windows.h>

#include "wine_files.h"

namespace winetest {
namespace {

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

}  // namespace winetest
