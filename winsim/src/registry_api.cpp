// advapi32's registry functions over the in-memory tree, with Windows' access checks and error codes.
#include <cstring>
#include <utility>

#include "api_call.h"
#include "handles.h"
#include "machine_state.h"
#include "registry_tree.h"

using winsim::HandleKind;
using winsim::RegValue;
using winsim::detail::ApiCall;
using winsim::detail::Arg;
using winsim::detail::Handles;
using winsim::detail::HandleObject;
using winsim::detail::RegNode;

namespace {

struct KeyObject : HandleObject {
  HandleKind Kind() const override { return HandleKind::Key; }
  std::shared_ptr<RegNode> node;
  REGSAM access = 0;
  std::string path;  // the call log's name of the key: the path it was opened by
};

struct OpenKey {
  std::shared_ptr<RegNode> node;
  REGSAM access = 0;
  LONG error = ERROR_SUCCESS;
};

// Resolves a key handle: a predefined root (all access) or an open key handle.
OpenKey Resolve(HKEY key) {
  OpenKey open;
  if (auto root = winsim::detail::RootNode(key)) {
    open.node = root;
    open.access = KEY_ALL_ACCESS;
    return open;
  }
  auto object = Handles().Get<KeyObject>(key, HandleKind::Key);
  if (!object) {
    open.error = ERROR_INVALID_HANDLE;
    return open;
  }
  if (object->node->deleted) {
    open.error = ERROR_KEY_DELETED;
    return open;
  }
  open.node = object->node;
  open.access = object->access;
  return open;
}

bool Allows(REGSAM granted, REGSAM needed) { return (granted & needed) == needed; }

// A key as the call log names it: a predefined root by its short name ("HKLM"), an open key by the path it
// was opened by ("HKLM\SYSTEM\..."), anything else by its value. Names, unlike handle values, read the
// same on every machine, so a logged call can be compared with the same call elsewhere.
std::string KeyName(HKEY key) {
  std::lock_guard<std::recursive_mutex> lock(winsim::detail::MachineLock());
  switch (static_cast<uint32_t>(reinterpret_cast<uintptr_t>(key))) {
    case 0x80000000u: return "HKCR";
    case 0x80000001u: return "HKCU";
    case 0x80000002u: return "HKLM";
    case 0x80000003u: return "HKU";
    default: break;
  }
  if (auto object = Handles().Get<KeyObject>(key, HandleKind::Key)) return object->path;
  return winsim::detail::Hex(reinterpret_cast<uintptr_t>(key));
}

std::string KeyPath(HKEY key, const char* subKey) {
  std::string path = KeyName(key);
  if (subKey != nullptr && subKey[0] != '\0') path += std::string("\\") + subKey;
  return path;
}

std::string KeyArgs(HKEY key, const char* subKey) { return KeyName(key) + " " + Arg(subKey); }

// The rights a key handle is granted: generic rights map onto the key rights, as the object manager does;
// the WOW64 view flags are not rights.
REGSAM GrantedAccess(REGSAM desired) {
  constexpr REGSAM kMaximumAllowed = 0x02000000;
  REGSAM granted = desired & ~(KEY_WOW64_32KEY | KEY_WOW64_64KEY | GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE |
                               GENERIC_ALL | kMaximumAllowed);
  if (desired & GENERIC_READ) granted |= KEY_READ;
  if (desired & GENERIC_WRITE) granted |= KEY_WRITE;
  if (desired & GENERIC_EXECUTE) granted |= KEY_EXECUTE;
  if (desired & (GENERIC_ALL | kMaximumAllowed)) granted |= KEY_ALL_ACCESS;
  return granted;
}

HKEY NewKeyHandle(const std::shared_ptr<RegNode>& node, REGSAM desired, std::string path) {
  auto object = std::make_shared<KeyObject>();
  object->node = node;
  object->access = GrantedAccess(desired);
  object->path = std::move(path);
  return static_cast<HKEY>(Handles().Add(object));
}

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// Copies a value's data out as the ANSI query functions do: ERROR_MORE_DATA with the size needed when the
// buffer is too small; otherwise the exact bytes, and for a text value that does not end in a zero byte
// one terminating zero behind them when the buffer has room for it (the size reported stays the stored
// one).
LONG CopyValueData(const RegValue& value, LPBYTE data, LPDWORD dataSize) {
  DWORD size = static_cast<DWORD>(value.data.size());
  if (data != nullptr) {
    if (*dataSize < size) {
      *dataSize = size;
      return ERROR_MORE_DATA;
    }
    memcpy(data, value.data.data(), size);
    if (IsStringType(value.type) && size > 0 && value.data.back() != '\0' && size < *dataSize) data[size] = 0;
  }
  if (dataSize) *dataSize = size;
  return ERROR_SUCCESS;
}

}  // namespace

extern "C" {

LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM desired, PHKEY result) {
  ApiCall call("RegOpenKeyExA", KeyArgs(key, subKey) + " sam=" + winsim::detail::Hex(desired));
  if (call.Fault()) return call.Returns(static_cast<LONG>(call.Fault()));
  if (result == nullptr) return call.Returns(ERROR_INVALID_PARAMETER);
  OpenKey parent = Resolve(key);
  if (parent.error != ERROR_SUCCESS) return call.Returns(parent.error);
  if (subKey && subKey[0] == '\\') return call.Returns(ERROR_BAD_PATHNAME);
  auto node = winsim::detail::Walk(parent.node, subKey ? subKey : "");
  if (!node) return call.Returns(ERROR_FILE_NOT_FOUND);
  *result = NewKeyHandle(node, desired, KeyPath(key, subKey));
  return call.Returns(ERROR_SUCCESS);
}

LONG WINAPI RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM desired, LPSECURITY_ATTRIBUTES,
                            PHKEY result, LPDWORD disposition) {
  ApiCall call("RegCreateKeyExA", KeyArgs(key, subKey) + " sam=" + winsim::detail::Hex(desired));
  if (call.Fault()) return call.Returns(static_cast<LONG>(call.Fault()));
  if (result == nullptr) return call.Returns(ERROR_INVALID_PARAMETER);
  OpenKey parent = Resolve(key);
  if (parent.error != ERROR_SUCCESS) return call.Returns(parent.error);
  if (subKey && subKey[0] == '\\') return call.Returns(ERROR_BAD_PATHNAME);
  bool created = false;
  auto existing = winsim::detail::Walk(parent.node, subKey ? subKey : "");
  if (!existing && !Allows(parent.access, KEY_CREATE_SUB_KEY)) return call.Returns(ERROR_ACCESS_DENIED);
  auto node = existing ? existing : winsim::detail::WalkCreating(parent.node, subKey ? subKey : "", &created);
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  *result = NewKeyHandle(node, desired, KeyPath(key, subKey));
  return call.Returns(ERROR_SUCCESS);
}

LONG WINAPI RegCreateKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
  ApiCall call("RegCreateKeyA", KeyArgs(key, subKey));
  if (call.Fault()) return call.Returns(static_cast<LONG>(call.Fault()));
  if (result == nullptr) return call.Returns(ERROR_INVALID_PARAMETER);
  if (subKey == nullptr || subKey[0] == '\0') {
    // An empty name hands back the same handle, as Windows does.
    OpenKey same = Resolve(key);
    if (same.error != ERROR_SUCCESS) return call.Returns(same.error);
    *result = key;
    return call.Returns(ERROR_SUCCESS);
  }
  OpenKey parent = Resolve(key);
  if (parent.error != ERROR_SUCCESS) return call.Returns(parent.error);
  if (subKey[0] == '\\') return call.Returns(ERROR_BAD_PATHNAME);
  bool created = false;
  auto existing = winsim::detail::Walk(parent.node, subKey);
  if (!existing && !Allows(parent.access, KEY_CREATE_SUB_KEY)) return call.Returns(ERROR_ACCESS_DENIED);
  auto node = existing ? existing : winsim::detail::WalkCreating(parent.node, subKey, &created);
  *result = NewKeyHandle(node, KEY_ALL_ACCESS, KeyPath(key, subKey));
  return call.Returns(ERROR_SUCCESS);
}

LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                             LPDWORD dataSize) {
  ApiCall call("RegQueryValueExA", Arg(valueName) + (dataSize ? " size=" + std::to_string(*dataSize) : ""));
  if (call.Fault()) return call.Returns(static_cast<LONG>(call.Fault()));
  if (reserved != nullptr || (data != nullptr && dataSize == nullptr)) return call.Returns(ERROR_INVALID_PARAMETER);
  OpenKey open = Resolve(key);
  if (open.error != ERROR_SUCCESS) return call.Returns(open.error);
  if (!Allows(open.access, KEY_QUERY_VALUE)) return call.Returns(ERROR_ACCESS_DENIED);
  RegValue* value = open.node->FindValue(valueName ? valueName : "");
  if (!value) return call.Returns(ERROR_FILE_NOT_FOUND);
  if (type) *type = value->type;
  return call.Returns(CopyValueData(*value, data, dataSize));
}

LONG WINAPI RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD dataSize) {
  ApiCall call("RegSetValueExA", Arg(valueName) + " type=" + std::to_string(type) + " size=" + std::to_string(dataSize));
  if (call.Fault()) return call.Returns(static_cast<LONG>(call.Fault()));
  OpenKey open = Resolve(key);
  if (open.error != ERROR_SUCCESS) return call.Returns(open.error);
  if (!Allows(open.access, KEY_SET_VALUE)) return call.Returns(ERROR_ACCESS_DENIED);
  if (data == nullptr && dataSize != 0) return call.Returns(ERROR_NOACCESS);
  // A text whose count leaves out its terminator gets it back when the terminator follows in memory:
  // NT looks one byte past the count.
  if (IsStringType(type) && dataSize > 0 && data[dataSize - 1] != 0 && data[dataSize] == 0) ++dataSize;
  std::string bytes(reinterpret_cast<const char*>(data), data ? dataSize : 0);
  if (RegValue* existing = open.node->FindValue(valueName ? valueName : "")) {
    existing->type = type;
    existing->data = bytes;
  } else {
    open.node->values.push_back(RegValue{valueName ? valueName : "", type, bytes});
  }
  return call.Returns(ERROR_SUCCESS);
}

LONG WINAPI RegDeleteKeyA(HKEY key, LPCSTR subKey) {
  ApiCall call("RegDeleteKeyA", KeyArgs(key, subKey));
  if (call.Fault()) return call.Returns(static_cast<LONG>(call.Fault()));
  OpenKey parent = Resolve(key);
  if (parent.error != ERROR_SUCCESS) return call.Returns(parent.error);
  if (subKey == nullptr) return call.Returns(ERROR_INVALID_PARAMETER);
  auto node = winsim::detail::Walk(parent.node, subKey);
  if (!node) return call.Returns(ERROR_FILE_NOT_FOUND);
  // A root cannot be deleted, and neither can a key that still has subkeys.
  if (!node->parent || !node->children.empty()) return call.Returns(ERROR_ACCESS_DENIED);
  winsim::detail::DetachNode(node);
  return call.Returns(ERROR_SUCCESS);
}

LONG WINAPI RegDeleteValueA(HKEY key, LPCSTR valueName) {
  ApiCall call("RegDeleteValueA", Arg(valueName));
  if (call.Fault()) return call.Returns(static_cast<LONG>(call.Fault()));
  OpenKey open = Resolve(key);
  if (open.error != ERROR_SUCCESS) return call.Returns(open.error);
  if (!Allows(open.access, KEY_SET_VALUE)) return call.Returns(ERROR_ACCESS_DENIED);
  auto& values = open.node->values;
  for (auto it = values.begin(); it != values.end(); ++it) {
    if (winsim::detail::EqualNoCase(it->name, valueName ? valueName : "")) {
      values.erase(it);
      return call.Returns(ERROR_SUCCESS);
    }
  }
  return call.Returns(ERROR_FILE_NOT_FOUND);
}

LONG WINAPI RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPSTR className,
                          LPDWORD classSize, PFILETIME lastWriteTime) {
  ApiCall call("RegEnumKeyExA", std::to_string(index));
  if (call.Fault()) return call.Returns(static_cast<LONG>(call.Fault()));
  if (name == nullptr || nameSize == nullptr || reserved != nullptr) return call.Returns(ERROR_INVALID_PARAMETER);
  OpenKey open = Resolve(key);
  if (open.error != ERROR_SUCCESS) return call.Returns(open.error);
  if (!Allows(open.access, KEY_ENUMERATE_SUB_KEYS)) return call.Returns(ERROR_ACCESS_DENIED);
  if (index >= open.node->children.size()) return call.Returns(ERROR_NO_MORE_ITEMS);
  auto child = open.node->children.begin();
  std::advance(child, index);
  const std::string& childName = child->second->name;
  if (childName.size() + 1 > *nameSize) return call.Returns(ERROR_MORE_DATA);
  memcpy(name, childName.c_str(), childName.size() + 1);
  *nameSize = static_cast<DWORD>(childName.size());
  if (className && classSize && *classSize > 0) className[0] = '\0';
  if (classSize) *classSize = 0;
  if (lastWriteTime) *lastWriteTime = FILETIME{0, 0};
  return call.Returns(ERROR_SUCCESS);
}

LONG WINAPI RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPDWORD type,
                          LPBYTE data, LPDWORD dataSize) {
  ApiCall call("RegEnumValueA", std::to_string(index));
  if (call.Fault()) return call.Returns(static_cast<LONG>(call.Fault()));
  if (name == nullptr || nameSize == nullptr || reserved != nullptr) return call.Returns(ERROR_INVALID_PARAMETER);
  OpenKey open = Resolve(key);
  if (open.error != ERROR_SUCCESS) return call.Returns(open.error);
  if (!Allows(open.access, KEY_QUERY_VALUE)) return call.Returns(ERROR_ACCESS_DENIED);
  if (index >= open.node->values.size()) return call.Returns(ERROR_NO_MORE_ITEMS);
  const RegValue& value = open.node->values[index];
  if (value.name.size() + 1 > *nameSize) return call.Returns(ERROR_MORE_DATA);
  memcpy(name, value.name.c_str(), value.name.size() + 1);
  *nameSize = static_cast<DWORD>(value.name.size());
  if (type) *type = value.type;
  if (data != nullptr && dataSize == nullptr) return call.Returns(ERROR_INVALID_PARAMETER);
  return call.Returns(CopyValueData(value, data, dataSize));
}

LONG WINAPI RegCloseKey(HKEY key) {
  ApiCall call("RegCloseKey", KeyName(key));
  if (call.Fault()) return call.Returns(static_cast<LONG>(call.Fault()));
  if (winsim::detail::RootNode(key)) return call.Returns(ERROR_SUCCESS);
  if (!Handles().Get<KeyObject>(key, HandleKind::Key)) return call.Returns(ERROR_INVALID_HANDLE);
  Handles().Remove(key);
  return call.Returns(ERROR_SUCCESS);
}

}  // extern "C"
