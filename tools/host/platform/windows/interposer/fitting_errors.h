// What Windows fails each platform call with, for injected failures: the host's --fail default and the
// fault sweeps (on winsim and through the interposer) take their errors from this one table. Plain data
// over the ERROR_ constants, so it builds against winsim's windows.h as well as the real one.
#ifndef BASETDIC_TOOLS_HOST_PLATFORM_WINDOWS_INTERPOSER_FITTING_ERRORS_H
#define BASETDIC_TOOLS_HOST_PLATFORM_WINDOWS_INTERPOSER_FITTING_ERRORS_H

#include <windows.h>

#include <string>
#include <vector>

namespace host::interposer {

// The error a failure of this function is injected with when none is named: the most typical one
// Windows gives there. ERROR_GEN_FAILURE for a function the table does not know.
DWORD FittingErrorFor(const std::string& function);

// Every function the table gives an error for, in table order: the functions whose calls can be made
// to fail (the host's --fail takes these).
std::vector<std::string> FunctionsWithFittingErrors();

// The errors a sweep fails a call of this function with, one run each. Empty for calls that do not fail
// on Windows for a caller that holds what it passes (closing its own handle, the process id, the clock);
// {ERROR_GEN_FAILURE} for a function the table does not know.
std::vector<DWORD> SweepErrorsFor(const std::string& function);

}  // namespace host::interposer

#endif
