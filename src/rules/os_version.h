// Reading the version record the object captured: the questions every operation's branch choice asks.
#ifndef BASETDIC_MODULE_OS_VERSION_H
#define BASETDIC_MODULE_OS_VERSION_H

#include <windows.h>

namespace basetdic {

// The build number as the operations compare it: its low 16 bits, unsigned.
inline unsigned Build16(const OSVERSIONINFOA& os) { return os.dwBuildNumber & 0xFFFFu; }
inline bool IsNtPlatform(const OSVERSIONINFOA& os) { return os.dwPlatformId == VER_PLATFORM_WIN32_NT; }
inline bool IsWin9xPlatform(const OSVERSIONINFOA& os) { return os.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS; }
inline bool IsNt4Build(const OSVERSIONINFOA& os) { return Build16(os) == 1381; }
inline bool IsAfterNt4Build(const OSVERSIONINFOA& os) { return Build16(os) > 1381; }
inline bool IsMajor6(const OSVERSIONINFOA& os) { return os.dwMajorVersion == 6; }

}  // namespace basetdic

#endif
