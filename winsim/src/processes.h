// The process area as the rest of winsim sees it.
#ifndef WINSIM_PROCESSES_H
#define WINSIM_PROCESSES_H

#include "windows.h"

namespace winsim::detail {

// Waits on a process or thread handle on the simulated clock; returns a WAIT_* value, or WAIT_FAILED with
// ERROR_INVALID_HANDLE set when the handle is neither.
DWORD WaitForProcessHandle(HANDLE handle, DWORD milliseconds);

}  // namespace winsim::detail

#endif
