// The system DLLs winsim's loader knows and the functions each exports: which are mapped with every
// process, which are KnownDLLs (always taken from the system folder), and the table GetProcAddress reads.
#ifndef WINSIM_SRC_SYSTEM_DLLS_H
#define WINSIM_SRC_SYSTEM_DLLS_H

#include <string>
#include <vector>

#include "windows.h"

namespace winsim::detail {

struct Export {
  const char* name;
  FARPROC address;
};

// Addresses pass through void (*)(void), the type that stands for any function.
template <class Function>
Export Exported(const char* name, Function* function) {
  return Export{name, reinterpret_cast<FARPROC>(reinterpret_cast<void (*)(void)>(function))};
}

struct SystemDll {
  const char* name;
  bool loadedWithProcess;  // the host and the library import it, so it is mapped from the start
  bool knownDll;           // listed under KnownDLLs: always taken from the system folder
  std::vector<Export> exports;
};

const std::vector<SystemDll>& SystemDlls();
// The system DLL of that file name (compared without regard to case); null for any other name.
const SystemDll* FindSystemDll(const std::string& fileName);

}  // namespace winsim::detail

#endif
