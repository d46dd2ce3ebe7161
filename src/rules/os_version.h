// The questions the library asks of a Windows version record, one predicate each, so that no operation
// compares version numbers by hand. Each operation's branch choice combines them in its own way
// (rules/branch_choice.h); the service installer's family (service/os_class.h) does too.
#ifndef BASETDIC_RULES_OS_VERSION_H
#define BASETDIC_RULES_OS_VERSION_H

#include <windows.h>

namespace basetdic {

// The build number as the operations compare it: its low 16 bits, unsigned.
inline unsigned Build16(const OSVERSIONINFOA& os) { return os.dwBuildNumber & 0xFFFFu; }

// The platform: the NT family, or the Windows 95 family (95, 98, Me).
inline bool IsNtPlatform(const OSVERSIONINFOA& os) { return os.dwPlatformId == VER_PLATFORM_WIN32_NT; }
inline bool IsWin9xPlatform(const OSVERSIONINFOA& os) { return os.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS; }

// NT 4.0's build, and the builds after it, whatever the platform says.
inline bool IsNt4Build(const OSVERSIONINFOA& os) { return Build16(os) == 1381; }
inline bool IsAfterNt4Build(const OSVERSIONINFOA& os) { return Build16(os) > 1381; }

// Major versions: 6 is Vista to 8.1, 5 is 2000 to Server 2003, 4 and below NT 4.0 and its elders.
inline bool IsMajor6(const OSVERSIONINFOA& os) { return os.dwMajorVersion == 6; }
inline bool IsMajor5(const OSVERSIONINFOA& os) { return os.dwMajorVersion == 5; }
inline bool IsMajorAtMost4(const OSVERSIONINFOA& os) { return os.dwMajorVersion <= 4; }

// Within the Windows 95 family: 95 is version 4.0 and below; Me is minor version 90.
inline bool IsWin95Version(const OSVERSIONINFOA& os) {
  return os.dwMajorVersion < 4 || (os.dwMajorVersion == 4 && os.dwMinorVersion == 0);
}
inline bool IsWinMeVersion(const OSVERSIONINFOA& os) { return os.dwMinorVersion == 90; }

}  // namespace basetdic

#endif
