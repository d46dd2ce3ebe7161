// The scenarios' machines under Wine: the version is the one this prefix shows.
#include <gtest/gtest.h>
#include <windows.h>

#include "scenario_platform.h"
#include "generic/win_handles.h"
#include "wine_facade.h"

namespace scenarios {
namespace {

// Wine's name of the version this process sees, from the setting the suite made
// (HKCU\Software\Wine "Version"), else from the version record.
std::string RunningVersionName() {
  basetdic::UniqueKey key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Wine", 0, KEY_QUERY_VALUE, key.put()) == ERROR_SUCCESS) {
    char name[32] = {};
    DWORD size = sizeof(name) - 1;
    DWORD type = 0;
    if (RegQueryValueExA(key.get(), "Version", nullptr, &type, reinterpret_cast<BYTE*>(name), &size) ==
            ERROR_SUCCESS &&
        type == REG_SZ)
      return name;
  }
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  GetVersionExA(&info);
  if (info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) return info.dwMinorVersion >= 10 ? "win98" : "win95";
  if (info.dwMajorVersion == 4) return "nt40";
  if (info.dwMajorVersion == 5) return info.dwMinorVersion == 0 ? "win2k" : "winxp";
  if (info.dwMajorVersion == 6 && info.dwMinorVersion == 1) return "win7";
  return std::to_string(info.dwMajorVersion) + "." + std::to_string(info.dwMinorVersion);
}

}  // namespace

std::vector<std::string> VersionsUnderTest() { return {RunningVersionName()}; }

std::unique_ptr<MachineFacade> MakeMachine(const std::string& version) {
  const std::string running = RunningVersionName();
  if (version != running) {
    ADD_FAILURE() << "this Wine run shows " << running << ", not " << version;
  }
  return std::make_unique<winetest::WineFacade>();
}

}  // namespace scenarios
