#include "scm_service_key.h"

#include "machine_state.h"
#include "winsim/registry.h"

namespace winsim::detail {
namespace {

std::shared_ptr<RegNode> ServicesNode() { return Walk(RootNode(HKEY_LOCAL_MACHINE), kServicesKeyPath); }

std::string StringBytes(const std::string& text) { return text + std::string(1, '\0'); }

std::string MultiStringBytes(const std::vector<std::string>& list) {
  std::string bytes;
  for (const std::string& item : list) bytes += StringBytes(item);
  return bytes + std::string(1, '\0');
}

void Put(RegNode& key, const char* name, DWORD type, const std::string& data) {
  if (RegValue* existing = key.FindValue(name)) {
    existing->type = type;
    existing->data = data;
  } else {
    key.values.push_back(RegValue{name, type, data});
  }
}

void Remove(RegNode& key, const char* name) {
  for (auto value = key.values.begin(); value != key.values.end(); ++value) {
    if (EqualNoCase(value->name, name)) {
      key.values.erase(value);
      return;
    }
  }
}

void PutString(RegNode& key, const char* name, const std::string& text, DWORD type = REG_SZ) {
  if (text.empty()) {
    Remove(key, name);
  } else {
    Put(key, name, type, StringBytes(text));
  }
}

void PutList(RegNode& key, const char* name, const std::vector<std::string>& list) {
  if (list.empty()) {
    Remove(key, name);
  } else {
    Put(key, name, REG_MULTI_SZ, MultiStringBytes(list));
  }
}

bool GetDword(RegNode& key, const char* name, DWORD* value) {
  RegValue* found = key.FindValue(name);
  if (!found || found->type != REG_DWORD || found->data.size() < 4) return false;
  *value = DwordOf(found->data);
  return true;
}

std::string GetString(RegNode& key, const char* name) {
  RegValue* found = key.FindValue(name);
  if (!found || (found->type != REG_SZ && found->type != REG_EXPAND_SZ)) return std::string();
  return found->data.substr(0, found->data.find('\0'));
}

std::vector<std::string> GetList(RegNode& key, const char* name) {
  std::vector<std::string> list;
  RegValue* found = key.FindValue(name);
  if (!found || (found->type != REG_MULTI_SZ && found->type != REG_SZ)) return list;
  size_t start = 0;
  while (start < found->data.size()) {
    size_t end = found->data.find('\0', start);
    if (end == std::string::npos) end = found->data.size();
    if (end == start) break;  // the list's closing zero
    list.push_back(found->data.substr(start, end - start));
    start = end + 1;
  }
  return list;
}

}  // namespace

const char kServicesKeyPath[] = "SYSTEM\\CurrentControlSet\\Services";

std::shared_ptr<RegNode> ServiceKey(const std::string& name) {
  auto services = ServicesNode();
  return services ? services->Child(name) : nullptr;
}

std::vector<std::string> ServiceKeyNames() {
  std::vector<std::string> names;
  if (auto services = ServicesNode()) {
    for (const auto& child : services->children) names.push_back(child.second->name);
  }
  return names;
}

void WriteServiceKey(const std::string& name, const ServiceConfig& config) {
  bool created = false;
  auto key = WalkCreating(RootNode(HKEY_LOCAL_MACHINE), std::string(kServicesKeyPath) + "\\" + name, &created);
  Put(*key, "Type", REG_DWORD, DwordBytes(config.type));
  Put(*key, "Start", REG_DWORD, DwordBytes(config.start));
  Put(*key, "ErrorControl", REG_DWORD, DwordBytes(config.errorControl));
  PutString(*key, "ImagePath", config.imagePath, REG_EXPAND_SZ);
  PutString(*key, "DisplayName", config.displayName);
  PutString(*key, "Group", config.group);
  if (config.tag != 0) {
    Put(*key, "Tag", REG_DWORD, DwordBytes(config.tag));
  } else {
    Remove(*key, "Tag");
  }
  PutList(*key, "DependOnService", config.dependOnServices);
  PutList(*key, "DependOnGroup", config.dependOnGroups);
  PutString(*key, "ObjectName", config.objectName);
}

bool ReadServiceKey(RegNode& key, ServiceConfig* config) {
  ServiceConfig read;
  if (!GetDword(key, "Type", &read.type) || read.type == 0) return false;
  read.start = SERVICE_BOOT_START;
  read.errorControl = SERVICE_ERROR_IGNORE;
  GetDword(key, "Start", &read.start);
  GetDword(key, "ErrorControl", &read.errorControl);
  GetDword(key, "Tag", &read.tag);
  read.imagePath = GetString(key, "ImagePath");
  read.displayName = GetString(key, "DisplayName");
  read.group = GetString(key, "Group");
  read.objectName = GetString(key, "ObjectName");
  read.dependOnServices = GetList(key, "DependOnService");
  read.dependOnGroups = GetList(key, "DependOnGroup");
  if (!IsValidServiceConfig(read)) return false;
  *config = read;
  return true;
}

std::string StoredImagePath(RegNode& key) { return GetString(key, "ImagePath"); }

void SetDeleteFlag(const std::string& name) {
  if (auto key = ServiceKey(name)) Put(*key, "DeleteFlag", REG_DWORD, DwordBytes(1));
}

bool HasDeleteFlag(RegNode& key) {
  DWORD flag = 0;
  return GetDword(key, "DeleteFlag", &flag) && flag != 0;
}

void RemoveServiceKey(const std::string& name) {
  if (auto key = ServiceKey(name)) DetachNode(key);
}

}  // namespace winsim::detail
