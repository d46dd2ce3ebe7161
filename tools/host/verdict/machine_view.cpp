#include "verdict/machine_view.h"

#include <algorithm>

#include "rules/product_names.h"

namespace host {
namespace {

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && LowerAscii(text.substr(0, prefix.size())) == LowerAscii(prefix);
}

std::string WithoutTrailingBackslashes(std::string path) {
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

}  // namespace

bool SameName(const std::string& a, const std::string& b) { return LowerAscii(a) == LowerAscii(b); }

const RegistryKeyState* MachineView::Key(const std::string& machinePath) const {
  auto found = snapshot_.keys.find(LowerAscii("HKLM\\" + machinePath));
  return found == snapshot_.keys.end() ? nullptr : &found->second;
}

const RegistryValueState* MachineView::Value(const std::string& machinePath, const std::string& name) const {
  const RegistryKeyState* key = Key(machinePath);
  if (key == nullptr) return nullptr;
  for (const RegistryValueState& value : key->values) {
    if (SameName(value.name, name)) return &value;
  }
  return nullptr;
}

const FileState* MachineView::File(const std::string& path) const {
  auto found = snapshot_.files.find(LowerAscii(path));
  return found == snapshot_.files.end() ? nullptr : &found->second;
}

const ServiceState* MachineView::Service(const std::string& name) const {
  auto found = snapshot_.services.find(LowerAscii(name));
  return found == snapshot_.services.end() ? nullptr : &found->second;
}

bool MachineView::DeviceOpens(const std::string& name) const {
  return std::any_of(snapshot_.devices.begin(), snapshot_.devices.end(),
                     [&](const std::string& device) { return SameName(device, name); });
}

bool MachineView::ComponentInstalled(const std::string& id) const {
  return std::any_of(snapshot_.networkComponents.begin(), snapshot_.networkComponents.end(),
                     [&](const std::string& component) { return SameName(component, id); });
}

std::string MachineView::DriverFolderFile(const std::string& name) const {
  return machine_.systemDirectory + "\\drivers\\" + name;
}

std::string MachineView::ImageFile(const std::string& imagePath) const {
  std::string path = imagePath;
  if (StartsWithNoCase(path, "\\??\\")) path = path.substr(4);
  if (StartsWithNoCase(path, "\\SystemRoot\\")) return machine_.windowsDirectory + path.substr(11);
  if (StartsWithNoCase(path, "%SystemRoot%\\")) return machine_.windowsDirectory + path.substr(12);
  if (path.size() >= 2 && path[1] == ':') return path;
  if (path.empty()) return "";
  if (path[0] == '\\') return machine_.windowsDirectory.substr(0, 2) + path;
  return machine_.windowsDirectory + "\\" + path;
}

std::string MachineView::DataPath() const {
  const std::string productKey = std::string(basetdic::kVendorKey) + "\\" + basetdic::kProductKey;
  return WithoutTrailingBackslashes(TextOf(Value(productKey, basetdic::kDataPathValue)));
}

std::string MachineView::DataPathFile(const std::string& name) const { return DataPath() + "\\" + name; }

bool DwordOf(const RegistryValueState* value, DWORD* number) {
  if (value == nullptr || value->data.size() > sizeof(DWORD)) return false;
  *number = 0;
  for (size_t i = value->data.size(); i-- > 0;) {
    *number = (*number << 8) | static_cast<unsigned char>(value->data[i]);
  }
  return true;
}

std::string TextOf(const RegistryValueState* value) {
  if (value == nullptr) return "";
  return value->data.substr(0, value->data.find('\0'));
}

std::vector<std::string> ListOf(const RegistryValueState* value) {
  std::vector<std::string> entries;
  if (value == nullptr) return entries;
  for (size_t at = 0; at < value->data.size();) {
    size_t end = value->data.find('\0', at);
    if (end == std::string::npos) end = value->data.size();
    if (end == at) break;
    entries.push_back(value->data.substr(at, end - at));
    at = end + 1;
  }
  return entries;
}

}  // namespace host
