// Typed lookup of a function exported by a loaded module.
#ifndef BASETDIC_GENERIC_PROC_ADDRESS_H
#define BASETDIC_GENERIC_PROC_ADDRESS_H

#include <windows.h>

namespace basetdic {

// GetProcAddress's generic function pointer as the type it really is. Going through void (*)(void), the
// type that stands for any function, keeps the conversion free of cast-function-type warnings.
template <class Function>
Function ProcAs(FARPROC procedure) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)(void)>(procedure));
}

// The named export of module as Function; null when the module or the function is missing.
template <class Function>
Function ProcAddress(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  return ProcAs<Function>(GetProcAddress(module, name));
}

}  // namespace basetdic

#endif
