// The service installer's direct rewrite of an existing driver service's registry values, bypassing the
// service control manager (which therefore keeps its own copy of the old configuration until a reboot).
#ifndef BASETDIC_SERVICE_SERVICE_KEY_VALUES_H
#define BASETDIC_SERVICE_SERVICE_KEY_VALUES_H

#include <windows.h>

namespace basetdic {

// Creates or opens HKLM\SYSTEM\CurrentControlSet\Services\ZelBase and writes, in this order and with
// these byte counts: DisplayName (REG_SZ, without its terminator), ErrorControl 1, ImagePath
// (REG_EXPAND_SZ, with its terminator), Start, Type 1 (kernel driver), DependOnService (REG_MULTI_SZ, the
// list's first name, its terminator and the list's closing zero) and DependOnGroup (an empty list, two
// zero bytes). Results are not examined; when the key does not open nothing is written. A first
// dependency too long for the 260-byte list buffer is not written.
void RewriteDriverServiceValues(const char* displayName, const char* imagePath, DWORD startType,
                                const char* dependencies);

}  // namespace basetdic

#endif
