// winsim's view of WOW64 file-system redirection for tests: whether the calling thread has it switched off.
// The process's WOW64 setting itself is machine configuration (SetWow64 in winsim/machine.h).
#ifndef WINSIM_WOW64_CONTROL_H
#define WINSIM_WOW64_CONTROL_H

namespace winsim {

// True between a successful Wow64DisableWow64FsRedirection on this thread and the revert that restores
// redirection. A fresh machine starts with redirection on for every thread.
bool RedirectionDisabledOnThisThread();

}  // namespace winsim

#endif
