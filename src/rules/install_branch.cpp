#include "rules/branch_choice.h"
#include "rules/os_version.h"

namespace basetdic {

InstallBranch ChooseInstallBranch(ModuleKind kind, const OSVERSIONINFOA& os) {
  if (kind == ModuleKind::FwBaseNt && !IsMajor6(os) && IsNt4Build(os)) return InstallBranch::TdiDriver;
  if (kind == ModuleKind::FwBase2K && IsAfterNt4Build(os) && !IsMajor6(os)) return InstallBranch::KernelService;
  if (kind == ModuleKind::FwBaseVt && IsMajor6(os)) return InstallBranch::NetworkComponent;
  return InstallBranch::None;
}

}  // namespace basetdic
