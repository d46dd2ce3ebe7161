// Names people know for Windows' numbers: versions, registry types, service types, start types, states.
#ifndef BASETDIC_HOST_WINDOWS_NAMES_H
#define BASETDIC_HOST_WINDOWS_NAMES_H

#include <windows.h>

#include <string>

#include "report/error_words.h"

namespace host {

// "Windows XP", "Windows NT 4.0", "Windows 98"... as the Windows table names the record's version;
// "Windows NT 6.3" or "Windows 9x" for one it does not hold.
std::string WindowsName(const OSVERSIONINFOA& os);
// "5.1.2600"; the build by its low 16 bits on the Windows 95 family, as it reports it there.
std::string VersionNumber(const OSVERSIONINFOA& os);
// "NT" or "Windows 95 family" or "platform N".
std::string PlatformName(DWORD platformId);

std::string RegistryTypeName(DWORD type);  // "REG_SZ", ..., "type 0x..." for others
std::string ServiceTypeName(DWORD type);   // "kernel driver", ...
std::string StartTypeName(DWORD start);    // "auto start", ...
std::string ServiceStateName(DWORD state); // "running", ...
std::string ErrorControlName(DWORD errorControl);

}  // namespace host

#endif
