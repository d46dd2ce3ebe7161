// WOW64 file-system redirection as the file layer sees it.
#ifndef WINSIM_WOW64_H
#define WINSIM_WOW64_H

#include <string>

namespace winsim::detail {

// Rewrites a canonical Windows path under %windir%\system32 into %windir%\SysWOW64 when the process runs
// under WOW64 and the calling thread has not disabled redirection. Returns whether it rewrote the path.
bool RedirectSystemPath(std::string& windowsPath);

// Whether the calling thread has switched redirection off (Wow64DisableWow64FsRedirection).
bool RedirectionDisabledOnThisThread();

}  // namespace winsim::detail

#endif
