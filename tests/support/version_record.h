// Version records for the choosers' tables: an OSVERSIONINFOA as GetVersionExA fills it, zero apart from
// its size and the fields given.
#ifndef BASETDIC_TESTS_SUPPORT_VERSION_RECORD_H
#define BASETDIC_TESTS_SUPPORT_VERSION_RECORD_H

#include <windows.h>

#include <cstring>

namespace testsupport {

inline OSVERSIONINFOA VersionRecord(DWORD platform, DWORD major, DWORD minor, DWORD build) {
  OSVERSIONINFOA os;
  std::memset(&os, 0, sizeof os);
  os.dwOSVersionInfoSize = sizeof os;
  os.dwPlatformId = platform;
  os.dwMajorVersion = major;
  os.dwMinorVersion = minor;
  os.dwBuildNumber = build;
  return os;
}

}  // namespace testsupport

#endif
