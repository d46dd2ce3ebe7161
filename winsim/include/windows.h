// winsim's windows.h: the Win32 types, constants and functions that BaseTdiC and its tools use, with
// Windows' widths and sizes, implemented by libwinsim.so over a simulated machine.
#ifndef WINSIM_WINDOWS_H
#define WINSIM_WINDOWS_H

#include "winsim/win_types.h"
#include "winsim/win_errors.h"
#include "winsim/win_kernel.h"
#include "winsim/win_registry.h"
#include "winsim/win_service.h"
#include "winsim/win_shell.h"

#endif
