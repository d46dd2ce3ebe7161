// The Windows versions the project knows, one row each: the name basetdic-host takes on its command
// line, the version record a simulated machine of that Windows reports (the numbers Wine reports for it
// too), the name Wine's registry value HKCU\Software\Wine\Version gives it, the name people know it by,
// and whether it had a 64-bit edition (so that a 32-bit setup can meet WOW64 there). winsim's version
// records, the host's --os and its names for a version, and the tests' Wine names all come from this
// table: adding a Windows is one row.
#ifndef BASETDIC_RULES_WINDOWS_VERSIONS_H
#define BASETDIC_RULES_WINDOWS_VERSIONS_H

#include <windows.h>

#include "rules/row_range.h"

namespace basetdic {

struct WindowsVersion {
  const char* commandLineName;  // "xp"; null when the host does not offer this Windows
  const char* wineName;         // "winxp"
  DWORD platformId;             // VER_PLATFORM_WIN32_NT or VER_PLATFORM_WIN32_WINDOWS
  DWORD major;
  DWORD minor;
  DWORD build;                  // as GetVersionExA reports it (the 95 family keeps the version above 16 bits)
  const char* servicePack;      // szCSDVersion
  bool has64BitEdition;
  const char* displayName;      // "Windows XP": what the record says, as a report names it
};

// Every row, NT 4.0 first, the host's in the order its --help names them.
RowRange<WindowsVersion> WindowsVersions();

// The row by the host's name, in any case; null for a name the host does not take.
const WindowsVersion* WindowsByCommandLineName(const char* name);
// The row by Wine's name, in any case; null for a name not in the table.
const WindowsVersion* WindowsByWineName(const char* name);
// The row whose platform, major and minor version the record has; null when there is none.
const WindowsVersion* WindowsOfRecord(const OSVERSIONINFOA& os);

// The row as GetVersionExA fills the basic record: its size, the numbers and the service pack.
OSVERSIONINFOA VersionRecordOf(const WindowsVersion& windows);

}  // namespace basetdic

#endif
