// Writing one registry value with its exact byte count. Results are not examined: the callers rewrite
// whole keys and a value that cannot be written stays as it was.
#ifndef BASETDIC_GENERIC_REGISTRY_VALUES_H
#define BASETDIC_GENERIC_REGISTRY_VALUES_H

#include <windows.h>

#include <stddef.h>

namespace basetdic {

inline void SetRegistryValue(HKEY key, const char* name, DWORD type, const void* data, size_t size) {
  RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size));
}

inline void SetDword(HKEY key, const char* name, DWORD value) {
  SetRegistryValue(key, name, REG_DWORD, &value, sizeof value);
}

}  // namespace basetdic

#endif
