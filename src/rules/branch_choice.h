// Which branch each driver operation takes for a module kind on a Windows version, and the gate that
// install, update and remove pass first. The operations differ on purpose (install's FwBase2K branch
// excludes NT 6, update's driver-file branch serves FwBaseVt too and tests no major version, start ignores
// the platform, ...), so each has its own chooser, one file per operation.
#ifndef BASETDIC_RULES_BRANCH_CHOICE_H
#define BASETDIC_RULES_BRANCH_CHOICE_H

#include <windows.h>

#include "rules/module_kind.h"

namespace basetdic {

enum class InstallBranch { None, TdiDriver, KernelService, NetworkComponent };
enum class UpdateBranch { None, TdiDriver, DriverFile };
enum class RemoveBranch { None, TdiDriver, KernelService, NetworkComponent };
enum class StartBranch { None, FwBaseNt, FwBase2K };

// Install, update and remove act only on the NT family and once the setup directory is known (a
// non-empty folder kept from InsertFile, rules/setup_folder.h).
bool DeploymentGateOpen(const OSVERSIONINFOA& os, const char* sourceDir);

InstallBranch ChooseInstallBranch(ModuleKind kind, const OSVERSIONINFOA& os);
UpdateBranch ChooseUpdateBranch(ModuleKind kind, const OSVERSIONINFOA& os);
RemoveBranch ChooseRemoveBranch(ModuleKind kind, const OSVERSIONINFOA& os);
// FwBaseNt on build 1381 (low 16 bits), FwBase2K on later builds, neither on major version 6 nor for any
// other kind. The platform id plays no part.
StartBranch ChooseStartBranch(ModuleKind kind, const OSVERSIONINFOA& os);

// Update rewrites the product's service settings only on NT 5.x.
bool UpdateRewritesServiceSettings(const OSVERSIONINFOA& os);

}  // namespace basetdic

#endif
