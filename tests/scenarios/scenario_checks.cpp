#include "scenario_checks.h"

#include <cstring>
#include <memory>


namespace scenarios {
namespace {

std::string WindowsDirectory() {
  char buffer[MAX_PATH] = {};
  GetWindowsDirectoryA(buffer, sizeof buffer);
  return buffer;
}

}  // namespace

std::string ReadWholeFile(const std::string& path) {
  std::string text;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return text;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) text.append(chunk, got);
  CloseHandle(file);
  return text;
}

void WriteWholeFile(const std::string& path, const std::string& text) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

bool KeyExists(const std::string& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

RegistryValue ReadValue(const std::string& key, const std::string& name) {
  RegistryValue value;
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return value;
  DWORD size = 0;
  if (RegQueryValueExA(handle, name.c_str(), nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
    value.bytes.assign(size, '\0');
    if (RegQueryValueExA(handle, name.c_str(), nullptr, &value.type, reinterpret_cast<BYTE*>(&value.bytes[0]),
                         &size) == ERROR_SUCCESS) {
      value.bytes.resize(size);
      value.present = true;
    }
  }
  RegCloseKey(handle);
  return value;
}

std::string DwordBytes(DWORD value) { return std::string(reinterpret_cast<const char*>(&value), sizeof value); }

void WriteValue(const std::string& key, const std::string& name, DWORD type, const std::string& bytes) {
  HKEY handle = nullptr;
  if (RegCreateKeyA(HKEY_LOCAL_MACHINE, key.c_str(), &handle) != ERROR_SUCCESS) return;
  RegSetValueExA(handle, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                 static_cast<DWORD>(bytes.size()));
  RegCloseKey(handle);
}

void DeleteKeyTree(const std::string& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) == ERROR_SUCCESS) {
    char name[256];
    std::vector<std::string> children;
    for (DWORD index = 0;; ++index) {
      DWORD size = sizeof name;
      if (RegEnumKeyExA(handle, index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      children.push_back(name);
    }
    RegCloseKey(handle);
    for (const std::string& child : children) DeleteKeyTree(key + "\\" + child);
  }
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
}

bool FileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool NativeFileExists(const std::string& path) {
  NativeFileView native;
  return FileExists(path);
}

std::string FileVersionText(const std::string& path) {
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
  if (size == 0) return std::string();
  std::vector<char> block(size);
  if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data())) return std::string();
  void* text = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), "\\StringFileInfo\\040904e4\\FileVersion", &text, &length) || text == nullptr)
    return std::string();
  return std::string(static_cast<const char*>(text));
}

std::string SystemDirectory() {
  char buffer[MAX_PATH] = {};
  GetSystemDirectoryA(buffer, sizeof buffer);
  return buffer;
}

std::string DriverPath(const std::string& fileName) { return SystemDirectory() + "\\drivers\\" + fileName; }

const char kAnsiDependencyGap[] = "32-bit CreateServiceA stores an overlong DependOnService";

bool On32BitWine(const MachineFacade& machine) { return machine.PlatformName() == "wine" && sizeof(void*) == 4; }

ServiceView ReadService(const std::string& name) {
  ServiceView view;
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (manager == nullptr) return view;
  SC_HANDLE service = OpenServiceA(manager, name.c_str(), SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS);
  if (service != nullptr) {
    view.exists = true;
    DWORD needed = 0;
    QueryServiceConfigA(service, nullptr, 0, &needed);
    std::vector<char> buffer(needed ? needed : sizeof(QUERY_SERVICE_CONFIGA));
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    if (QueryServiceConfigA(service, config, static_cast<DWORD>(buffer.size()), &needed)) {
      view.type = config->dwServiceType;
      view.startType = config->dwStartType;
      view.errorControl = config->dwErrorControl;
      view.binaryPath = config->lpBinaryPathName ? config->lpBinaryPathName : "";
      view.displayName = config->lpDisplayName ? config->lpDisplayName : "";
      if (const char* list = config->lpDependencies) {
        const char* end = list;
        while (*end) end += strlen(end) + 1;
        view.dependencies.assign(list, static_cast<size_t>(end - list) + 1);
      }
    }
    SERVICE_STATUS status = {};
    if (QueryServiceStatus(service, &status)) {
      view.state = status.dwCurrentState;
      view.exitCode = status.dwWin32ExitCode;
    }
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
  return view;
}

bool DeviceOpens(const std::string& name) {
  std::string path = "\\\\.\\" + name;
  HANDLE device = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (device == INVALID_HANDLE_VALUE) return false;
  CloseHandle(device);
  return true;
}

void SwitchTrace(bool on) {
  WriteWholeFile(WindowsDirectory() + "\\zel.ini", on ? "[DEBUG]\r\nZEL=1\r\n" : "[DEBUG]\r\nZEL=0\r\n");
}

std::string TraceText() {
  char exe[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, exe, sizeof exe);
  return ReadWholeFile(std::string(exe) + ".baseTdic.txt");
}

}  // namespace scenarios
