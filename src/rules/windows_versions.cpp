#include "rules/windows_versions.h"

#include "rules/ascii_case.h"

namespace basetdic {
namespace {

const WindowsVersion kWindows[] = {
    {"nt4", "nt40", VER_PLATFORM_WIN32_NT, 4, 0, 1381, "Service Pack 6a", false},
    {"win2k", "win2k", VER_PLATFORM_WIN32_NT, 5, 0, 2195, "Service Pack 4", false},
    {"xp", "winxp", VER_PLATFORM_WIN32_NT, 5, 1, 2600, "Service Pack 3", true},
    {"vista", "vista", VER_PLATFORM_WIN32_NT, 6, 0, 6002, "Service Pack 2", true},
    {"win7", "win7", VER_PLATFORM_WIN32_NT, 6, 1, 7601, "Service Pack 1", true},
    // What Wine reports for win10 to a program without a manifest.
    {nullptr, "win10", VER_PLATFORM_WIN32_NT, 6, 2, 9200, "", true},
    {"win9x", "win98", VER_PLATFORM_WIN32_WINDOWS, 4, 10, 0x040A08AE, " A ", false},
    {nullptr, "win95", VER_PLATFORM_WIN32_WINDOWS, 4, 0, 0x040003B6, "", false},
};

}  // namespace

RowRange<WindowsVersion> WindowsVersions() { return RowRange<WindowsVersion>(kWindows); }

const WindowsVersion* WindowsByCommandLineName(const char* name) {
  for (const WindowsVersion& windows : kWindows) {
    if (windows.commandLineName != nullptr && EqualsNoCase(name, windows.commandLineName)) return &windows;
  }
  return nullptr;
}

const WindowsVersion* WindowsByWineName(const char* name) {
  for (const WindowsVersion& windows : kWindows) {
    if (EqualsNoCase(name, windows.wineName)) return &windows;
  }
  return nullptr;
}

const WindowsVersion* WindowsOfRecord(const OSVERSIONINFOA& os) {
  for (const WindowsVersion& windows : kWindows) {
    if (windows.platformId == os.dwPlatformId && windows.major == os.dwMajorVersion &&
        windows.minor == os.dwMinorVersion)
      return &windows;
  }
  return nullptr;
}

}  // namespace basetdic
