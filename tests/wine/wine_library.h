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

// The basetdic.dll of the payload folder (the x86_64 build's, or the shipping i686 package's).
const LibraryExports& BasetdicLibrary();

// The folder of the files the harness deploys: %BASETDIC_WINE_PAYLOAD% when set, else "payload" beside
// this program.
std::string PayloadDirectory();

// Whether this process runs under WOW64: a 32-bit program in a 64-bit prefix.
bool ProcessIsWow64();

// The folder of the stand-in driver images. Drivers are native code: a WOW64 process deploys the
// x86_64 images (payload\x86_64) that the prefix's 64-bit kernel loads, any other process the payload's own.
std::string DriverPayloadDirectory();

}  // namespace winetest

#endif
