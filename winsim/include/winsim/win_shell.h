// shell32's ShellExecuteA.
#ifndef WINSIM_WIN_SHELL_H
#define WINSIM_WIN_SHELL_H

#include "winsim/win_types.h"

#ifdef __cplusplus
extern "C" {
#endif

HINSTANCE WINAPI ShellExecuteA(HWND owner, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                               INT showCmd);

#ifdef __cplusplus
}
#endif

#endif
