// basetdic.dll as a setup program reaches it: loaded by full path with LoadLibraryA, the two exports found
// with GetProcAddress. Loaded once per process and kept, so that the loader's own handles are settled
// before any scenario takes a handle fingerprint.
#ifndef BASETDIC_TESTS_WINE_WINE_LIBRARY_H
#define BASETDIC_TESTS_WINE_WINE_LIBRARY_H

#include <memory>
#include <string>

#include "basetdic/module_obj.h"
#include "interposer.h"

namespace winetest {

struct LibraryExports {
  std::string path;                     // the DLL that was loaded
  std::string error;                    // why it could not be used; empty when both exports were found
  QueryModuleObjFn queryModuleObj = nullptr;
  ReleaseObjFn releaseObj = nullptr;
  // With BASETDIC_WINE_INTERPOSER=1 in the environment, the interposer installed on the library when it
  // was loaded, for the whole run: every case then goes through it.
  host::interposer::Interposer* interposer = nullptr;
};

// The basetdic.dll of the payload folder (the x86_64 build's, or the shipping i686 package's).
const LibraryExports& BasetdicLibrary();

// The interposer on the payload's library while one lives: the run's own (BASETDIC_WINE_INTERPOSER), else
// one installed for this object's life. get() is null when none could be installed (error() says why).
class LibraryInterposer {
 public:
  LibraryInterposer();
  ~LibraryInterposer();
  LibraryInterposer(const LibraryInterposer&) = delete;
  LibraryInterposer& operator=(const LibraryInterposer&) = delete;
  host::interposer::Interposer* get() const { return interposer_; }
  const std::string& error() const { return error_; }

 private:
  std::unique_ptr<host::interposer::Interposer> own_;
  host::interposer::Interposer* interposer_ = nullptr;
  std::string error_;
};

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
