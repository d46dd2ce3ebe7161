// The Windows platform's two halves meet here: the loader (platform_windows.cpp) hands the library it
// loaded to the call observation (library_calls_windows.cpp), which installs the import-table
// interposer on it before the host asks for a module object.
#ifndef BASETDIC_HOST_PLATFORM_WINDOWS_INTERPOSED_LIBRARY_H
#define BASETDIC_HOST_PLATFORM_WINDOWS_INTERPOSED_LIBRARY_H

#include <windows.h>

namespace host::platform {

// Interposes on the imports of library, loaded for the run; where that fails the run sees only the
// errors its steps leave on the thread, and SeesLibraryCalls says why.
void InterposeOn(HMODULE library);

}  // namespace host::platform

#endif
