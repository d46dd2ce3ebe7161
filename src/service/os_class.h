// The Windows family the service installer works on, from the version record: it talks to the service
// control manager only on NT 4.0 to 6.x (OsNt4 to OsNt6). The platform alone (IsNtPlatform) says more:
// an NT above major version 6 is OsUnknown here.
#ifndef BASETDIC_SERVICE_OS_CLASS_H
#define BASETDIC_SERVICE_OS_CLASS_H

#include <windows.h>

#include <stdint.h>

namespace basetdic {

enum OsClass : int32_t {
  OsUnknown = 0,  // no version, another platform, or NT above major version 6
  OsWin95 = 1,
  OsWin98 = 2,
  OsWinMe = 3,
  OsNt4 = 4,  // NT major versions 0 to 4
  OsNt5 = 5,
  OsNt6 = 6,
};

inline bool IsNt4To6Class(OsClass osClass) { return osClass >= OsNt4; }

// The class of a version record, by the version predicates (rules/os_version.h).
OsClass ClassOfVersion(const OSVERSIONINFOA& os);

// The class of the running system, from the installer's own GetVersionExA (it is built apart from the
// module object and its captured record); OsUnknown when the query fails.
OsClass ClassifyOs();

}  // namespace basetdic

#endif
