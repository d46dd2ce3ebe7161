#include "machine_facts.h"

#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

#include "scenario_checks.h"

namespace sweep {

const char kTdiKey[] = "basetdi key";
const char kTdiCount[] = "basetdi count";
const char kTdiImage[] = "basetdi image";
const char kTdiService[] = "basetdi service";
const char kTdiDevice[] = "baseTdi device";
const char kDriverKey[] = "zelbase key";
const char kDriverImage[] = "zelbase image";
const char kDriverService[] = "zelbase service";
const char kDriverDevice[] = "zelbase device";
const char kProductServices[] = "product services";
const char kDataPathCopies[] = "data path copies";
const char kToolRequests[] = "tool requests";
const char kTraceRecords[] = "trace records";

namespace {

const char kServicesKey[] = "SYSTEM\\CurrentControlSet\\Services\\";
const char kCountValue[] = "nSon";

bool SameName(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b)
    if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b))) return false;
  return *a == *b;
}

std::string Bytes(const std::string& bytes) {
  std::string text;
  char hex[4];
  for (unsigned char byte : bytes) {
    snprintf(hex, sizeof hex, "%02x", byte);
    text += hex;
  }
  return text;
}

// Each subkey's name; each value as name=type:bytes, skipping one name.
std::string KeyText(const std::string& key, const char* skipped) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return "absent";
  std::string text;
  char name[256];
  for (DWORD index = 0;; ++index) {
    DWORD size = sizeof name;
    if (RegEnumKeyExA(handle, index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    text += std::string("[") + name + "] ";
  }
  for (DWORD index = 0;; ++index) {
    DWORD size = sizeof name;
    DWORD type = 0;
    DWORD dataSize = 0;
    if (RegEnumValueA(handle, index, name, &size, nullptr, &type, nullptr, &dataSize) != ERROR_SUCCESS) break;
    if (skipped != nullptr && SameName(name, skipped)) continue;
    scenarios::RegistryValue value = scenarios::ReadValue(key, name);
    text += std::string(name) + "=" + std::to_string(value.type) + ":" + Bytes(value.bytes) + " ";
  }
  RegCloseKey(handle);
  return text.empty() ? "empty" : text;
}

std::string CountText(const std::string& key) {
  scenarios::RegistryValue value = scenarios::ReadValue(key, kCountValue);
  if (!value.present) return scenarios::KeyExists(key) ? "no value" : "absent";
  if (value.type == REG_DWORD && value.bytes.size() == 4) {
    DWORD count = 0;
    memcpy(&count, value.bytes.data(), sizeof count);
    return "dword " + std::to_string(count);
  }
  return "type " + std::to_string(value.type) + " bytes " + Bytes(value.bytes);
}

std::string ImageText(const std::string& file) {
  scenarios::NativeFileView native;
  const std::string path = scenarios::DriverPath(file);
  if (!scenarios::FileExists(path)) return "absent";
  const std::string version = scenarios::FileVersionText(path);
  return "present " + (version.empty() ? std::string("without version") : version);
}

std::string ServiceText(const std::string& name) {
  scenarios::ServiceView view = scenarios::ReadService(name);
  if (!view.exists) return "not registered";
  return "registered, state " + std::to_string(view.state);
}

std::string DependenciesText() {
  std::string text;
  for (const char* service : {"Zelservice", "QdFwDrv", "HookUrl"}) {
    scenarios::RegistryValue value = scenarios::ReadValue(std::string(kServicesKey) + service, "DependOnService");
    text += std::string(service) + "=" + (value.present ? Bytes(value.bytes) : std::string("-")) + " ";
  }
  return text;
}

std::string FolderText(const std::string& folder) {
  if (folder.empty()) return "none";
  std::string text;
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return "no folder";
  std::vector<std::string> names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && found.cFileName[0] != '.') names.push_back(found.cFileName);
  } while (FindNextFileA(find, &found));
  FindClose(find);
  for (const std::string& name : names) {
    const std::string version = scenarios::FileVersionText(folder + "\\" + name);
    text += name + (version.empty() ? "" : " " + version) + "; ";
  }
  return text.empty() ? "empty" : text;
}

std::string ToolText(scenarios::MachineFacade& machine) {
  std::string text;
  for (const scenarios::ToolRequest& request : machine.ToolRequests()) text += "[" + request.commandLine + "]";
  return text.empty() ? "none" : text;
}

std::string TraceCount() {
  const std::string trace = scenarios::TraceText();
  size_t records = 0;
  for (size_t at = trace.find("\r\n"); at != std::string::npos; at = trace.find("\r\n", at + 2)) ++records;
  return std::to_string(records);
}

}  // namespace

MachineFacts ReadMachineFacts(scenarios::MachineFacade& machine, const std::string& dataPath) {
  const std::string tdi = std::string(kServicesKey) + "BaseTDI";
  const std::string driver = std::string(kServicesKey) + "zelbase";
  MachineFacts facts;
  facts[kTdiKey] = KeyText(tdi, kCountValue);
  facts[kTdiCount] = CountText(tdi);
  facts[kTdiImage] = ImageText("basetdi.sys");
  facts[kTdiService] = ServiceText("basetdi");
  facts[kTdiDevice] = scenarios::DeviceOpens("baseTdi") ? "opens" : "does not open";
  facts[kDriverKey] = KeyText(driver, nullptr);
  facts[kDriverImage] = ImageText("zelbase.sys");
  facts[kDriverService] = ServiceText("zelbase");
  facts[kDriverDevice] = scenarios::DeviceOpens("zelbase") ? "opens" : "does not open";
  facts[kProductServices] = DependenciesText();
  facts[kDataPathCopies] = FolderText(dataPath);
  facts[kToolRequests] = ToolText(machine);
  facts[kTraceRecords] = TraceCount();
  return facts;
}

}  // namespace sweep
