// The scenarios' machines under Wine: the version is the one this prefix shows.
#include <gtest/gtest.h>
#include <windows.h>

#include "scenario_platform.h"
#include "generic/win_handles.h"
#include "rules/windows_versions.h"
#include "wine_facade.h"

namespace scenarios {
namespace {

// Wine's name of the version this process sees, from the setting the suite made
// (HKCU\Software\Wine "Version"), else the Windows table's name for the version record.
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
  const basetdic::WindowsVersion* windows = basetdic::WindowsOfRecord(info);
  if (windows != nullptr) return windows->wineName;
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
