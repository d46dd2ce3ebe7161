#include "rules/branch_choice.h"
#include "rules/os_version.h"

namespace basetdic {

StartBranch ChooseStartBranch(ModuleKind kind, const OSVERSIONINFOA& os) {
  if (IsMajor6(os)) return StartBranch::None;
  if (kind == ModuleKind::FwBaseNt && IsNt4Build(os)) return StartBranch::FwBaseNt;
  if (kind == ModuleKind::FwBase2K && IsAfterNt4Build(os)) return StartBranch::FwBase2K;
  return StartBranch::None;
}

}  // namespace basetdic
