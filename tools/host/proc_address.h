// Typed lookup of a function exported by a loaded module.
#ifndef BASETDIC_HOST_PROC_ADDRESS_H
#define BASETDIC_HOST_PROC_ADDRESS_H

#include <windows.h>

namespace host {

// Null when the module or the function is missing. The detour through void* keeps the compiler from
// warning about the cast between unrelated function types, which is what GetProcAddress needs.
template <typename Function>
Function ProcAddress(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace host

#endif
