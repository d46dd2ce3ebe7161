#include "registry_tree.h"

#include "api_call.h"
#include "machine_state.h"

namespace winsim::detail {
namespace {

struct Roots {
  std::shared_ptr<RegNode> classesRoot, currentUser, localMachine, users;
};

Roots& TheRoots() {
  static Roots roots;
  return roots;
}

std::shared_ptr<RegNode> NewRoot(const char* name) {
  auto node = std::make_shared<RegNode>();
  node->name = name;
  return node;
}

void ResetRegistry() {
  Roots& roots = TheRoots();
  roots.classesRoot = NewRoot("HKEY_CLASSES_ROOT");
  roots.currentUser = NewRoot("HKEY_CURRENT_USER");
  roots.localMachine = NewRoot("HKEY_LOCAL_MACHINE");
  roots.users = NewRoot("HKEY_USERS");
  bool created = false;
  WalkCreating(roots.localMachine, "SYSTEM\\CurrentControlSet\\Services", &created);
  WalkCreating(roots.localMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", &created);
  WalkCreating(roots.currentUser, "Software", &created);
}

const bool registered = OnBoot(ResetRegistry);

}  // namespace

std::shared_ptr<RegNode> RegNode::Child(const std::string& childName) const {
  auto found = children.find(Upper(childName));
  return found == children.end() ? nullptr : found->second;
}

RegValue* RegNode::FindValue(const std::string& valueName) {
  for (RegValue& value : values) {
    if (EqualNoCase(value.name, valueName)) return &value;
  }
  return nullptr;
}

std::shared_ptr<RegNode> RootNode(HKEY root) {
  (void)registered;
  if (!TheRoots().localMachine) ResetRegistry();
  switch (static_cast<uint32_t>(reinterpret_cast<uintptr_t>(root))) {
    case 0x80000000u: return TheRoots().classesRoot;
    case 0x80000001u: return TheRoots().currentUser;
    case 0x80000002u: return TheRoots().localMachine;
    case 0x80000003u: return TheRoots().users;
    default: return nullptr;
  }
}

std::shared_ptr<RegNode> RootOfPath(const std::string& path, std::string* rest) {
  size_t slash = path.find('\\');
  std::string first = path.substr(0, slash);
  *rest = slash == std::string::npos ? std::string() : path.substr(slash + 1);
  if (EqualNoCase(first, "HKLM") || EqualNoCase(first, "HKEY_LOCAL_MACHINE")) return RootNode(HKEY_LOCAL_MACHINE);
  if (EqualNoCase(first, "HKCU") || EqualNoCase(first, "HKEY_CURRENT_USER")) return RootNode(HKEY_CURRENT_USER);
  if (EqualNoCase(first, "HKCR") || EqualNoCase(first, "HKEY_CLASSES_ROOT")) return RootNode(HKEY_CLASSES_ROOT);
  if (EqualNoCase(first, "HKU") || EqualNoCase(first, "HKEY_USERS")) return RootNode(HKEY_USERS);
  return nullptr;
}

std::vector<std::string> SplitKeyPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string current;
  for (char c : path) {
    if (c == '\\') {
      if (!current.empty()) parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) parts.push_back(current);
  return parts;
}

std::shared_ptr<RegNode> Walk(std::shared_ptr<RegNode> from, const std::string& relative) {
  for (const std::string& part : SplitKeyPath(relative)) {
    if (!from) return nullptr;
    from = from->Child(part);
  }
  return from;
}

std::shared_ptr<RegNode> WalkCreating(std::shared_ptr<RegNode> from, const std::string& relative, bool* created) {
  *created = false;
  for (const std::string& part : SplitKeyPath(relative)) {
    std::shared_ptr<RegNode> next = from->Child(part);
    if (!next) {
      next = std::make_shared<RegNode>();
      next->name = part;
      next->parent = from.get();
      from->children[Upper(part)] = next;
      *created = true;
    }
    from = next;
  }
  return from;
}

void DetachNode(const std::shared_ptr<RegNode>& node) {
  if (node->parent) node->parent->children.erase(Upper(node->name));
  node->parent = nullptr;
  std::vector<RegNode*> pending{node.get()};
  while (!pending.empty()) {
    RegNode* current = pending.back();
    pending.pop_back();
    current->deleted = true;
    for (auto& child : current->children) pending.push_back(child.second.get());
  }
}

}  // namespace winsim::detail

namespace winsim {

using detail::MachineLock;
using detail::RegNode;

namespace {

std::shared_ptr<RegNode> NodeAt(const std::string& keyPath) {
  std::string rest;
  return detail::Walk(detail::RootOfPath(keyPath, &rest), rest);
}

}  // namespace

bool RegKeyExists(const std::string& keyPath) {
  std::lock_guard<std::recursive_mutex> lock(MachineLock());
  return NodeAt(keyPath) != nullptr;
}

bool RegGetValue(const std::string& keyPath, const std::string& valueName, RegValue* value) {
  std::lock_guard<std::recursive_mutex> lock(MachineLock());
  auto node = NodeAt(keyPath);
  RegValue* found = node ? node->FindValue(valueName) : nullptr;
  if (found && value) *value = *found;
  return found != nullptr;
}

std::vector<std::string> RegSubkeys(const std::string& keyPath) {
  std::lock_guard<std::recursive_mutex> lock(MachineLock());
  std::vector<std::string> names;
  if (auto node = NodeAt(keyPath)) {
    for (const auto& child : node->children) names.push_back(child.second->name);
  }
  return names;
}

std::vector<RegValue> RegValues(const std::string& keyPath) {
  std::lock_guard<std::recursive_mutex> lock(MachineLock());
  auto node = NodeAt(keyPath);
  return node ? node->values : std::vector<RegValue>{};
}

void RegPutKey(const std::string& keyPath) {
  std::lock_guard<std::recursive_mutex> lock(MachineLock());
  std::string rest;
  bool created = false;
  if (auto root = detail::RootOfPath(keyPath, &rest)) detail::WalkCreating(root, rest, &created);
}

void RegPutValue(const std::string& keyPath, const std::string& valueName, DWORD type, const std::string& data) {
  std::lock_guard<std::recursive_mutex> lock(MachineLock());
  std::string rest;
  bool created = false;
  auto root = detail::RootOfPath(keyPath, &rest);
  if (!root) return;
  auto node = detail::WalkCreating(root, rest, &created);
  if (RegValue* existing = node->FindValue(valueName)) {
    existing->type = type;
    existing->data = data;
  } else {
    node->values.push_back(RegValue{valueName, type, data});
  }
}

void RegPutDword(const std::string& keyPath, const std::string& valueName, DWORD value) {
  RegPutValue(keyPath, valueName, REG_DWORD, DwordBytes(value));
}

void RegPutString(const std::string& keyPath, const std::string& valueName, const std::string& text) {
  RegPutValue(keyPath, valueName, REG_SZ, text + std::string(1, '\0'));
}

void RegRemoveTree(const std::string& keyPath) {
  std::lock_guard<std::recursive_mutex> lock(MachineLock());
  if (auto node = NodeAt(keyPath)) {
    if (node->parent) detail::DetachNode(node);
  }
}

std::string DwordBytes(DWORD value) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  return bytes;
}

DWORD DwordOf(const std::string& bytes) {
  if (bytes.size() < 4) return 0;
  DWORD value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[i]);
  return value;
}

}  // namespace winsim
