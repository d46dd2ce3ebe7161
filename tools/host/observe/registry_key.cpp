#include "observe/registry_key.h"

#include <vector>

#include "observe/snapshot.h"

namespace host {

HKEY RootOfKeyPath(const std::string& path, std::string* rest) {
  size_t slash = path.find('\\');
  std::string root = LowerAscii(path.substr(0, slash));
  *rest = slash == std::string::npos ? std::string() : path.substr(slash + 1);
  if (root == "hklm" || root == "hkey_local_machine") return HKEY_LOCAL_MACHINE;
  if (root == "hkcu" || root == "hkey_current_user") return HKEY_CURRENT_USER;
  if (root == "hkcr" || root == "hkey_classes_root") return HKEY_CLASSES_ROOT;
  if (root == "hku" || root == "hkey_users") return HKEY_USERS;
  return nullptr;
}

std::string KeyLeafName(const std::string& path) { return path.substr(path.find_last_of('\\') + 1); }

basetdic::UniqueKey OpenKeyForReading(const std::string& path) {
  basetdic::UniqueKey key;
  std::string rest;
  HKEY root = RootOfKeyPath(path, &rest);
  if (root != nullptr && RegOpenKeyExA(root, rest.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) key.release();
  return key;
}

bool ReadRegistryValue(const std::string& keyPath, const std::string& valueName, DWORD* type, std::string* data) {
  basetdic::UniqueKey key = OpenKeyForReading(keyPath);
  if (!key) return false;
  DWORD size = 0;
  if (RegQueryValueExA(key.get(), valueName.c_str(), nullptr, type, nullptr, &size) != ERROR_SUCCESS) return false;
  std::vector<BYTE> bytes(size + 1);
  if (RegQueryValueExA(key.get(), valueName.c_str(), nullptr, type, bytes.data(), &size) != ERROR_SUCCESS) return false;
  data->assign(reinterpret_cast<const char*>(bytes.data()), size);
  return true;
}

}  // namespace host
