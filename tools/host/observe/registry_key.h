// Reading the registry by key path ("HKLM\SYSTEM\...").
#ifndef BASETDIC_HOST_REGISTRY_KEY_H
#define BASETDIC_HOST_REGISTRY_KEY_H

#include <windows.h>

#include <string>

#include "generic/win_handles.h"

namespace host {

// The predefined root a path starts with (HKLM, HKCU, HKCR, HKU or their long names) and the rest of the
// path; null for an unknown root.
HKEY RootOfKeyPath(const std::string& path, std::string* rest);

// Opens the key for reading; an empty key when it cannot be opened.
basetdic::UniqueKey OpenKeyForReading(const std::string& path);

// The last name of a key path: "BaseTDI" of "SYSTEM\...\Services\BaseTDI".
std::string KeyLeafName(const std::string& path);

// One value read whole; false when the key or value is missing.
bool ReadRegistryValue(const std::string& keyPath, const std::string& valueName, DWORD* type, std::string* data);

}  // namespace host

#endif
