// What explain says about an operation before rehearsing it: the branch the library's own chooser picks
// for the module kind on this machine's Windows version (rules/branch_choice.h), and in a few words what
// that branch works on.
#ifndef BASETDIC_HOST_BRANCH_NOTES_H
#define BASETDIC_HOST_BRANCH_NOTES_H

#include <windows.h>

#include <string>
#include <vector>

#include "cli/host_request.h"
#include "report/step_facts.h"

namespace host {

struct BranchNote {
  std::string branch;  // "KernelService", "None", ... as the library names it; "gate closed" when it stops before
  std::string what;    // one line
};

BranchNote ExplainBranch(Operation operation, const std::string& module, const OSVERSIONINFOA& os,
                         const std::string& setupFolder);

// Notices for an operation that took no branch or was stopped by its gate, judged from the setup folder
// the object keeps (keptFolder, session/kept_setup_folder.h) and this machine's version, by the library's
// own choosers.
std::vector<Notice> OperationNotices(Operation operation, const std::string& module, const OSVERSIONINFOA& os,
                                     const std::string& keptFolder);

// The kind's driver and the Windows versions it is for, and this machine's version.
std::string KindNote(const std::string& module, const OSVERSIONINFOA& os);

// Whether install finds a branch for the kind here.
bool KindFitsWindows(const std::string& module, const OSVERSIONINFOA& os);

}  // namespace host

#endif
