// What explain says about an operation before rehearsing it: the gate it passes or not on this machine's
// Windows version, and what the module kind is made for. Built from the same version predicates the
// library's operations use (module/os_version.h).
#ifndef BASETDIC_HOST_BRANCH_NOTES_H
#define BASETDIC_HOST_BRANCH_NOTES_H

#include <windows.h>

#include <string>

#include "host_request.h"

namespace host {

// One line on the kind: its driver and the Windows versions it is made for, and whether this is one.
std::string KindNote(const std::string& module, const OSVERSIONINFOA& os);

// One line on the operation's gate here: whether it acts at all and what it reports when it does not.
std::string GateNote(Operation operation, const OSVERSIONINFOA& os);

// Whether the kind is made for this version (the branch an operation would take exists here).
bool KindFitsWindows(const std::string& module, const OSVERSIONINFOA& os);

}  // namespace host

#endif
