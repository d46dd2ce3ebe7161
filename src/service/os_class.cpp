#include "service/os_class.h"

#include <string.h>

namespace basetdic {

OsClass ClassOfVersion(const OSVERSIONINFOA& os) {
  if (os.dwPlatformId == VER_PLATFORM_WIN32_NT) {
    if (os.dwMajorVersion == 6) return OsNt6;
    if (os.dwMajorVersion == 5) return OsNt5;
    return os.dwMajorVersion <= 4 ? OsNt4 : OsUnknown;
  }
  if (os.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
    bool after95 = os.dwMajorVersion > 4 || (os.dwMajorVersion == 4 && os.dwMinorVersion != 0);
    if (!after95) return OsWin95;
    return os.dwMinorVersion == 90 ? OsWinMe : OsWin98;
  }
  return OsUnknown;
}

OsClass ClassifyOs() {
  OSVERSIONINFOA os;
  memset(&os, 0, sizeof os);
  os.dwOSVersionInfoSize = sizeof os;
  if (!GetVersionExA(&os)) return OsUnknown;
  return ClassOfVersion(os);
}

}  // namespace basetdic
