#include "wine_footprint.h"

#include <windows.h>
#include <tlhelp32.h>

#include "generic/win_handles.h"
#include "scenario_checks.h"
#include "wine_files.h"
#include "wine_library.h"

namespace winetest {
namespace {

using basetdic::UniqueKernelHandle;
using basetdic::UniqueServiceHandle;

// Services the product creates or rewrites (names are case-insensitive: "BaseTDI" is "basetdi").
const char* const kServices[] = {"BaseTDI", "zelbase", "Zelservice", "QdFwDrv", "HookUrl"};
const char kServicesKey[] = "SYSTEM\\CurrentControlSet\\Services\\";
const char kProductKey[] = "SOFTWARE\\Qandor";
const char* const kInstalledDrivers[] = {"basetdi.sys", "zelbase.sys"};
const char kToolImage[] = "snetcfg.exe";
const char kDefaultToolLog[] = "C:\\snetcfg-requests.log";
// Where the stand-in tool records the network component it installs.
const char kComponentRecord[] =
    "SYSTEM\\CurrentControlSet\\Control\\Network\\{4D36E974-E325-11CE-BFC1-08002BE10318}\\QD_ZelBase";

std::string SystemDirectory() {
  char buffer[MAX_PATH];
  UINT length = GetSystemDirectoryA(buffer, sizeof(buffer));
  return length == 0 || length >= sizeof(buffer) ? std::string() : std::string(buffer, length);
}

std::string WindowsDirectory() {
  char buffer[MAX_PATH];
  UINT length = GetWindowsDirectoryA(buffer, sizeof(buffer));
  return length == 0 || length >= sizeof(buffer) ? std::string() : std::string(buffer, length);
}

// Waits up to two seconds for a service to report that it stopped.
void WaitUntilStopped(SC_HANDLE service) {
  for (int attempt = 0; attempt < 40; ++attempt) {
    SERVICE_STATUS status = {};
    if (!QueryServiceStatus(service, &status) || status.dwCurrentState == SERVICE_STOPPED) return;
    Sleep(50);
  }
}

void RemoveService(SC_HANDLE manager, const char* name, std::vector<std::string>* problems) {
  UniqueServiceHandle service(OpenServiceA(manager, name, SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE));
  if (service) {
    SERVICE_STATUS status = {};
    if (ControlService(service.get(), SERVICE_CONTROL_STOP, &status)) WaitUntilStopped(service.get());
    if (!DeleteService(service.get()) && GetLastError() != ERROR_SERVICE_MARKED_FOR_DELETE)
      problems->push_back(std::string("DeleteService ") + name + ": error " + std::to_string(GetLastError()));
  }
  // A key written straight into the registry is unknown to the service manager; remove it directly.
  std::string key = std::string(kServicesKey) + name;
  LSTATUS result = RegDeleteTreeA(HKEY_LOCAL_MACHINE, key.c_str());
  if (result == ERROR_SUCCESS) result = RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
  if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
    problems->push_back("delete HKLM\\" + key + ": error " + std::to_string(result));
}

// Ends tool instances still running, e.g. one that outlived the library's wait.
void EndRunningTools() {
  UniqueKernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry)) {
    if (lstrcmpiA(entry.szExeFile, kToolImage) != 0) continue;
    UniqueKernelHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
    if (process && TerminateProcess(process.get(), 1)) WaitForSingleObject(process.get(), 2000);
  }
}

// A driver that just stopped may keep its image mapped a moment longer (delete fails with 5), so a
// failed delete is retried for up to two seconds.
void RemoveFile(const std::string& path, std::vector<std::string>* problems) {
  for (int attempt = 0; attempt < 40; ++attempt) {
    if (DeleteTree(path)) return;
    Sleep(50);
  }
  problems->push_back("delete " + path + ": error " + std::to_string(GetLastError()));
}

}  // namespace

std::string TraceFilePath() {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
  return std::string(path, length) + ".baseTdic.txt";
}

std::vector<std::string> RemoveProductFootprint() {
  std::vector<std::string> problems;
  EndRunningTools();

  UniqueServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (!manager) problems.push_back("OpenSCManagerA: error " + std::to_string(GetLastError()));
  for (const char* name : kServices) RemoveService(manager.get(), name, &problems);
  manager.reset();

  LSTATUS result = RegDeleteTreeA(HKEY_LOCAL_MACHINE, kProductKey);
  if (result == ERROR_SUCCESS) result = RegDeleteKeyA(HKEY_LOCAL_MACHINE, kProductKey);
  if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
    problems.push_back(std::string("delete HKLM\\") + kProductKey + ": error " + std::to_string(result));

  result = RegDeleteKeyA(HKEY_LOCAL_MACHINE, kComponentRecord);
  if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
    problems.push_back(std::string("delete HKLM\\") + kComponentRecord + ": error " + std::to_string(result));

  // Under WOW64 the library copies into the native driver folder; a 32-bit view of it may hold copies too.
  std::string drivers = SystemDirectory() + "\\drivers\\";
  for (const char* file : kInstalledDrivers) RemoveFile(drivers + file, &problems);
  if (ProcessIsWow64()) {
    scenarios::NativeFileView native;
    for (const char* file : kInstalledDrivers) RemoveFile(drivers + file, &problems);
  }
  RemoveFile(WindowsDirectory() + "\\zel.ini", &problems);
  RemoveFile(TraceFilePath(), &problems);
  RemoveFile(kDefaultToolLog, &problems);
  return problems;
}

}  // namespace winetest
