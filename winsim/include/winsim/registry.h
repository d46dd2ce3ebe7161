// Direct access to the simulated registry for tests and the host, outside the API (never logged or
// faulted). Key paths start with a root name: "HKLM\SYSTEM\...", "HKEY_LOCAL_MACHINE\...", "HKCU\...".
#ifndef WINSIM_REGISTRY_H
#define WINSIM_REGISTRY_H

#include <string>
#include <vector>

#include "windows.h"

namespace winsim {

struct RegValue {
  std::string name;  // empty: the key's default value
  DWORD type = REG_NONE;
  std::string data;  // the exact bytes written
};

bool RegKeyExists(const std::string& keyPath);
// The value as stored; false when the key or value is missing.
bool RegGetValue(const std::string& keyPath, const std::string& valueName, RegValue* value);
std::vector<std::string> RegSubkeys(const std::string& keyPath);  // names as created, sorted without case
std::vector<RegValue> RegValues(const std::string& keyPath);      // in the order first written
void RegPutKey(const std::string& keyPath);                        // creates missing keys along the path
void RegPutValue(const std::string& keyPath, const std::string& valueName, DWORD type, const std::string& data);
void RegPutDword(const std::string& keyPath, const std::string& valueName, DWORD value);
void RegPutString(const std::string& keyPath, const std::string& valueName, const std::string& text);  // with terminator
void RegRemoveTree(const std::string& keyPath);

// Text helpers for values.
std::string DwordBytes(DWORD value);
DWORD DwordOf(const std::string& bytes);  // the first four bytes, little-endian; 0 when shorter

}  // namespace winsim

#endif
