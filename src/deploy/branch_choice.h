// Which branch each driver operation takes for a module kind on a Windows version. The operations differ
// on purpose (install's FwBase2K branch excludes NT 6, update's driver-file branch serves FwBaseVt too and
// tests no major version, ...), so each has its own chooser, defined next to the operation.
#ifndef BASETDIC_DEPLOY_BRANCH_CHOICE_H
#define BASETDIC_DEPLOY_BRANCH_CHOICE_H

#include <windows.h>

#include "module/module_kind.h"

namespace basetdic {

enum class InstallBranch { None, TdiDriver, KernelService, NetworkComponent };
enum class UpdateBranch { None, TdiDriver, DriverFile };
enum class RemoveBranch { None, TdiDriver, KernelService, NetworkComponent };

// Install, update and remove act only on the NT family and once the setup directory is known.
bool DeploymentGateOpen(const OSVERSIONINFOA& os, const char* sourceDir);

InstallBranch ChooseInstallBranch(ModuleKind kind, const OSVERSIONINFOA& os);
UpdateBranch ChooseUpdateBranch(ModuleKind kind, const OSVERSIONINFOA& os);
RemoveBranch ChooseRemoveBranch(ModuleKind kind, const OSVERSIONINFOA& os);

// Update rewrites the product's service settings only on NT 5.x.
bool UpdateRewritesServiceSettings(const OSVERSIONINFOA& os);

}  // namespace basetdic

#endif
