// The registry part of a snapshot: every key below the scope's roots with its values, read through the
// registry functions.
#include <vector>

#include "observe/registry_key.h"
#include "observe/snapshot.h"

namespace host {
namespace {

// Windows' limits: key names up to 255 characters, value names up to 16383.
const DWORD kKeyNameSize = 256;
const DWORD kValueNameSize = 16384;

std::vector<RegistryValueState> ReadValues(HKEY key) {
  std::vector<RegistryValueState> values;
  std::vector<char> name(kValueNameSize);
  std::vector<BYTE> data(4096);
  for (DWORD index = 0;;) {
    DWORD nameSize = kValueNameSize;
    DWORD dataSize = static_cast<DWORD>(data.size());
    DWORD type = 0;
    LONG status = RegEnumValueA(key, index, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize);
    if (status == ERROR_MORE_DATA && dataSize > data.size()) {
      data.resize(dataSize);
      continue;
    }
    if (status != ERROR_SUCCESS) break;
    values.push_back(RegistryValueState{std::string(name.data(), nameSize), type,
                                        std::string(reinterpret_cast<const char*>(data.data()), dataSize)});
    ++index;
  }
  return values;
}

void ReadTree(const std::string& path, Snapshot* snapshot) {
  basetdic::UniqueKey key = OpenKeyForReading(path);
  if (!key) return;
  snapshot->keys[LowerAscii(path)] = RegistryKeyState{path, ReadValues(key.get())};
  std::vector<std::string> children;
  char name[kKeyNameSize];
  for (DWORD index = 0;; ++index) {
    DWORD nameSize = kKeyNameSize;
    if (RegEnumKeyExA(key.get(), index, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    children.push_back(std::string(name, nameSize));
  }
  key.reset();
  for (const std::string& child : children) ReadTree(path + "\\" + child, snapshot);
}

}  // namespace

void SnapshotRegistry(const SnapshotScope& scope, Snapshot* snapshot) {
  for (const std::string& root : scope.registryRoots) ReadTree(root, snapshot);
}

}  // namespace host
