// basetdic.dll as a setup program reaches it: loaded by full path with LoadLibraryA, the two exports found
// with GetProcAddress. Loaded once per process and kept, so that the loader's own handles are settled
// before any scenario takes a handle fingerprint.
#ifndef BASETDIC_TESTS_WINE_WINE_LIBRARY_H
#define BASETDIC_TESTS_WINE_WINE_LIBRARY_H

#include <string>

#include "basetdic/module_obj.h"

namespace winetest {

struct LibraryExports {
  std::string path;                     // the DLL that was loaded
  std::string error;                    // why it could not be used; empty when both exports were found
  QueryModuleObjFn queryModuleObj = nullptr;
  ReleaseObjFn releaseObj = nullptr;
};

// The x86_64 basetdic.dll of this build (payload folder beside the program).
const LibraryExports& BasetdicLibrary();

// The folder of the files the harness deploys: %BASETDIC_WINE_PAYLOAD% when set, else "payload" beside
// this program.
std::string PayloadDirectory();

}  // namespace winetest

#endif
