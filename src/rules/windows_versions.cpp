#include "rules/windows_versions.h"

#include "rules/ascii_case.h"

namespace basetdic {
namespace {

const WindowsVersion kWindows[] = {
    {"nt4", "nt40", VER_PLATFORM_WIN32_NT, 4, 0, 1381, "Service Pack 6a", false, "Windows NT 4.0"},
    {"win2k", "win2k", VER_PLATFORM_WIN32_NT, 5, 0, 2195, "Service Pack 4", false, "Windows 2000"},
    {"xp", "winxp", VER_PLATFORM_WIN32_NT, 5, 1, 2600, "Service Pack 3", true, "Windows XP"},
    {"vista", "vista", VER_PLATFORM_WIN32_NT, 6, 0, 6002, "Service Pack 2", true, "Windows Vista"},
    {"win7", "win7", VER_PLATFORM_WIN32_NT, 6, 1, 7601, "Service Pack 1", true, "Windows 7"},
    // What Wine reports for win10 to a program without a manifest: Windows 8's numbers.
    {nullptr, "win10", VER_PLATFORM_WIN32_NT, 6, 2, 9200, "", true, "Windows 8"},
    {"win9x", "win98", VER_PLATFORM_WIN32_WINDOWS, 4, 10, 0x040A08AE, " A ", false, "Windows 98"},
    {nullptr, "win95", VER_PLATFORM_WIN32_WINDOWS, 4, 0, 0x040003B6, "", false, "Windows 95"},
    {nullptr, "win2003", VER_PLATFORM_WIN32_NT, 5, 2, 3790, "Service Pack 2", true, "Windows XP x64 / Server 2003"},
    {nullptr, "winme", VER_PLATFORM_WIN32_WINDOWS, 4, 90, 0x045A0BB8, " ", false, "Windows Me"},
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

OSVERSIONINFOA VersionRecordOf(const WindowsVersion& windows) {
  OSVERSIONINFOA os = {};
  os.dwOSVersionInfoSize = sizeof os;
  os.dwPlatformId = windows.platformId;
  os.dwMajorVersion = windows.major;
  os.dwMinorVersion = windows.minor;
  os.dwBuildNumber = windows.build;
  // The table's service packs are short; the record keeps at most its 127 characters and the terminator.
  for (size_t i = 0; windows.servicePack[i] != '\0' && i + 1 < sizeof os.szCSDVersion; ++i)
    os.szCSDVersion[i] = windows.servicePack[i];
  return os;
}

}  // namespace basetdic
