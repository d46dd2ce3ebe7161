#include "report/windows_names.h"

#include <cstdio>

#include "rules/os_version.h"
#include "rules/windows_versions.h"

namespace host {
namespace {

std::string Numbered(const char* what, DWORD value) {
  char text[48];
  snprintf(text, sizeof text, "%s %lu", what, static_cast<unsigned long>(value));
  return text;
}

}  // namespace

std::string WindowsName(const OSVERSIONINFOA& os) {
  const basetdic::WindowsVersion* windows = basetdic::WindowsOfRecord(os);
  if (windows != nullptr) return windows->displayName;
  if (basetdic::IsWin9xPlatform(os)) return "Windows 9x";
  if (!basetdic::IsNtPlatform(os)) return "Windows (platform unknown)";
  return "Windows NT " + std::to_string(os.dwMajorVersion) + "." + std::to_string(os.dwMinorVersion);
}

std::string VersionNumber(const OSVERSIONINFOA& os) {
  DWORD build = basetdic::IsWin9xPlatform(os) ? basetdic::Build16(os) : os.dwBuildNumber;
  return std::to_string(os.dwMajorVersion) + "." + std::to_string(os.dwMinorVersion) + "." + std::to_string(build);
}

std::string PlatformName(DWORD platformId) {
  switch (platformId) {
    case VER_PLATFORM_WIN32_NT: return "NT";
    case VER_PLATFORM_WIN32_WINDOWS: return "Windows 95 family";
    default: return Numbered("platform", platformId);
  }
}

std::string RegistryTypeName(DWORD type) {
  switch (type) {
    case REG_NONE: return "REG_NONE";
    case REG_SZ: return "REG_SZ";
    case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
    case REG_BINARY: return "REG_BINARY";
    case REG_DWORD: return "REG_DWORD";
    case REG_DWORD_BIG_ENDIAN: return "REG_DWORD_BIG_ENDIAN";
    case REG_LINK: return "REG_LINK";
    case REG_MULTI_SZ: return "REG_MULTI_SZ";
    case REG_RESOURCE_LIST: return "REG_RESOURCE_LIST";
    case REG_QWORD: return "REG_QWORD";
    default: {
      char text[24];
      snprintf(text, sizeof text, "type 0x%lx", static_cast<unsigned long>(type));
      return text;
    }
  }
}

std::string ServiceTypeName(DWORD type) {
  switch (type) {
    case SERVICE_KERNEL_DRIVER: return "kernel driver";
    case SERVICE_FILE_SYSTEM_DRIVER: return "file system driver";
    case SERVICE_WIN32_OWN_PROCESS: return "own-process service";
    case 0x20: return "shared-process service";
    default: return Numbered("service type", type);
  }
}

std::string StartTypeName(DWORD start) {
  switch (start) {
    case SERVICE_BOOT_START: return "boot start";
    case SERVICE_SYSTEM_START: return "system start";
    case SERVICE_AUTO_START: return "auto start";
    case SERVICE_DEMAND_START: return "demand start";
    case SERVICE_DISABLED: return "disabled";
    default: return Numbered("start type", start);
  }
}

std::string ServiceStateName(DWORD state) {
  switch (state) {
    case SERVICE_STOPPED: return "stopped";
    case SERVICE_START_PENDING: return "starting";
    case SERVICE_STOP_PENDING: return "stopping";
    case SERVICE_RUNNING: return "running";
    case 5: return "continuing";
    case 6: return "pausing";
    case 7: return "paused";
    default: return Numbered("state", state);
  }
}

std::string ErrorControlName(DWORD errorControl) {
  switch (errorControl) {
    case 0: return "errors ignored";
    case 1: return "errors normal";
    case 2: return "errors severe";
    case 3: return "errors critical";
    default: return Numbered("error control", errorControl);
  }
}

}  // namespace host
