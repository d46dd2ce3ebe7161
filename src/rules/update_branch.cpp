#include "rules/branch_choice.h"
#include "rules/os_version.h"

namespace basetdic {

UpdateBranch ChooseUpdateBranch(ModuleKind kind, const OSVERSIONINFOA& os) {
  if (kind == ModuleKind::FwBaseNt && !IsMajor6(os) && IsNt4Build(os)) return UpdateBranch::TdiDriver;
  if ((kind == ModuleKind::FwBase2K || kind == ModuleKind::FwBaseVt) && IsAfterNt4Build(os))
    return UpdateBranch::DriverFile;
  return UpdateBranch::None;
}

bool UpdateRewritesServiceSettings(const OSVERSIONINFOA& os) { return IsMajor5(os); }

}  // namespace basetdic
