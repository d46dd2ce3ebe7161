#include "rules/branch_choice.h"
#include "rules/os_version.h"

namespace basetdic {

RemoveBranch ChooseRemoveBranch(ModuleKind kind, const OSVERSIONINFOA& os) {
  if (kind == ModuleKind::FwBaseNt && !IsMajor6(os) && IsNt4Build(os)) return RemoveBranch::TdiDriver;
  if (kind == ModuleKind::FwBase2K && IsAfterNt4Build(os) && !IsMajor6(os)) return RemoveBranch::KernelService;
  if (kind == ModuleKind::FwBaseVt && IsMajor6(os)) return RemoveBranch::NetworkComponent;
  return RemoveBranch::None;
}

}  // namespace basetdic
