#include "machine_facts.h"

#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

#include "scenario_checks.h"

namespace sweep {

const char kTdiKey[] = "basetdi key";
const char kTdiValues[] = "basetdi value ";
const char kTdiImage[] = "basetdi image";
const char kTdiRegistered[] = "basetdi registered";
const char kTdiRunning[] = "basetdi running";
const char kTdiDevice[] = "baseTdi device";
const char kDriverKey[] = "zelbase key";
const char kDriverValues[] = "zelbase value ";
const char kDriverImage[] = "zelbase image";
const char kDriverRegistered[] = "zelbase registered";
const char kDriverRunning[] = "zelbase running";
const char kDriverDevice[] = "zelbase device";
const char kProductServices[] = "product services";
const char kDataPathFiles[] = "data path ";
const char kToolRequests[] = "tool requests";

namespace {

const char kServicesKey[] = "SYSTEM\\CurrentControlSet\\Services\\";

std::string Hex(const std::string& bytes) {
  std::string text;
  char hex[4];
  for (unsigned char byte : bytes) {
    snprintf(hex, sizeof hex, "%02x", byte);
    text += hex;
  }
  return text;
}

// A multi-string by its first name: the lists the library writes hold one, and 32-bit Wine's
// CreateServiceA stores bytes from the caller's memory behind it.
std::string ListText(const std::string& bytes) { return "[" + std::string(bytes.c_str()) + "]"; }

std::string ValueText(const scenarios::RegistryValue& value) {
  if (!value.present) return "absent";
  switch (value.type) {
    case REG_DWORD: {
      if (value.bytes.size() != 4) break;
      DWORD number = 0;
      memcpy(&number, value.bytes.data(), sizeof number);
      return "dword " + std::to_string(number);
    }
    case REG_SZ:
    case REG_EXPAND_SZ:
      return std::string(value.type == REG_SZ ? "sz " : "expand_sz ") + value.bytes.c_str();
    case REG_MULTI_SZ: return "multi_sz " + ListText(value.bytes);
    default: break;
  }
  return "type " + std::to_string(value.type) + " " + Hex(value.bytes);
}

// The key's presence and subkeys as one fact, each value as a fact of its own.
void ReadKey(const std::string& key, const std::string& keyFact, const std::string& valuePrefix, MachineFacts* facts) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) {
    (*facts)[keyFact] = "absent";
    return;
  }
  std::string text = "present";
  char name[256];
  for (DWORD index = 0;; ++index) {
    DWORD size = sizeof name;
    if (RegEnumKeyExA(handle, index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    text += std::string(" [") + name + "]";
  }
  (*facts)[keyFact] = text;
  std::vector<std::string> names;
  for (DWORD index = 0;; ++index) {
    DWORD size = sizeof name;
    if (RegEnumValueA(handle, index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.push_back(name);
  }
  RegCloseKey(handle);
  for (const std::string& value : names) (*facts)[valuePrefix + value] = ValueText(scenarios::ReadValue(key, value));
}

std::string ImageText(const std::string& file) {
  scenarios::NativeFileView native;
  const std::string path = scenarios::DriverPath(file);
  if (!scenarios::FileExists(path)) return "absent";
  const std::string version = scenarios::FileVersionText(path);
  return "present " + (version.empty() ? std::string("without version") : version);
}

void ReadService(const std::string& name, const std::string& registered, const std::string& running,
                 MachineFacts* facts) {
  const scenarios::ServiceView view = scenarios::ReadService(name);
  (*facts)[registered] = view.exists ? "yes" : "no";
  (*facts)[running] = view.exists && view.state == SERVICE_RUNNING ? "running" : "not running";
}

std::string ProductServicesText() {
  std::string text;
  for (const char* service : {"Zelservice", "QdFwDrv", "HookUrl"})
    text += std::string(service) + " " +
            ValueText(scenarios::ReadValue(std::string(kServicesKey) + service, "DependOnService")) + "; ";
  return text;
}

void ReadFolder(const std::string& folder, MachineFacts* facts) {
  if (folder.empty()) return;
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  std::vector<std::string> names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && found.cFileName[0] != '.') names.push_back(found.cFileName);
  } while (FindNextFileA(find, &found));
  FindClose(find);
  for (std::string name : names) {
    const std::string version = scenarios::FileVersionText(folder + "\\" + name);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    (*facts)[kDataPathFiles + name] = "present" + (version.empty() ? "" : " " + version);
  }
}

std::string ToolText(scenarios::MachineFacade& machine) {
  std::string text;
  for (const scenarios::ToolRequest& request : machine.ToolRequests()) text += "[" + request.commandLine + "]";
  return text.empty() ? "none" : text;
}

}  // namespace

MachineFacts ReadMachineFacts(scenarios::MachineFacade& machine, const std::string& dataPath) {
  MachineFacts facts;
  ReadKey(std::string(kServicesKey) + "BaseTDI", kTdiKey, kTdiValues, &facts);
  facts[kTdiImage] = ImageText("basetdi.sys");
  ReadService("basetdi", kTdiRegistered, kTdiRunning, &facts);
  facts[kTdiDevice] = scenarios::DeviceOpens("baseTdi") ? "opens" : "does not open";
  ReadKey(std::string(kServicesKey) + "zelbase", kDriverKey, kDriverValues, &facts);
  facts[kDriverImage] = ImageText("zelbase.sys");
  ReadService("zelbase", kDriverRegistered, kDriverRunning, &facts);
  facts[kDriverDevice] = scenarios::DeviceOpens("zelbase") ? "opens" : "does not open";
  facts[kProductServices] = ProductServicesText();
  ReadFolder(dataPath, &facts);
  facts[kToolRequests] = ToolText(machine);
  return facts;
}

std::string FactText(const MachineFacts& facts, const std::string& name) {
  auto found = facts.find(name);
  return found == facts.end() ? "absent" : found->second;
}

}  // namespace sweep
