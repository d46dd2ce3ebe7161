// The table of interposed functions, and the imports passed through on purpose.
#ifndef BASETDIC_TOOLS_HOST_PLATFORM_WINDOWS_INTERPOSER_HOOKED_FUNCTIONS_H
#define BASETDIC_TOOLS_HOST_PLATFORM_WINDOWS_INTERPOSER_HOOKED_FUNCTIONS_H

#include <string>
#include <vector>

#include "hook.h"

namespace host::interposer::detail {

const std::vector<Entry>& Entries();
// The row of a function, or null.
const Entry* FindEntry(const std::string& function);

// Imports that are not platform calls in the call log's sense, passed through without a wrapper and not
// listed as undecoded: the C runtime's, and the kernel functions winsim's log leaves out as well (the
// thread's error word, the runtime's locks, thread-local slots and page protection, the heap and process
// pseudo-handles, the code-page test).
bool PassedThroughByDesign(const std::string& dll, const std::string& function);

// GetProcAddress's result as the library gets it: the wrapper for a function of the table, bound to the
// real address, else the address itself.
FARPROC WrapBound(FARPROC address, LPCSTR name);

}  // namespace host::interposer::detail

#endif
