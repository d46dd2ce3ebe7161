#include "service/os_class.h"

#include <string.h>

#include "rules/os_version.h"

namespace basetdic {

OsClass ClassOfVersion(const OSVERSIONINFOA& os) {
  if (IsNtPlatform(os)) {
    if (IsMajor6(os)) return OsNt6;
    if (IsMajor5(os)) return OsNt5;
    return IsMajorAtMost4(os) ? OsNt4 : OsUnknown;
  }
  if (IsWin9xPlatform(os)) {
    if (IsWin95Version(os)) return OsWin95;
    return IsWinMeVersion(os) ? OsWinMe : OsWin98;
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
