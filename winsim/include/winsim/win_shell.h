// shell32's ShellExecuteA.
#ifndef WINSIM_WIN_SHELL_H
#define WINSIM_WIN_SHELL_H

#include "winsim/win_types.h"

// ShellExecuteA's failure results (values of 32 or less).
#define SE_ERR_FNF 2
#define SE_ERR_PNF 3
#define SE_ERR_ACCESSDENIED 5
#define SE_ERR_OOM 8
#define SE_ERR_NOASSOC 31

#ifdef __cplusplus
extern "C" {
#endif

HINSTANCE WINAPI ShellExecuteA(HWND owner, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                               INT showCmd);

#ifdef __cplusplus
}
#endif

#endif
