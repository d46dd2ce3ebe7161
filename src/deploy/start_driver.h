// The start operation's choice of driver: which module kind on which Windows version gets its driver
// started, and what that driver is called.
#ifndef BASETDIC_DEPLOY_START_DRIVER_H
#define BASETDIC_DEPLOY_START_DRIVER_H

#include <windows.h>

#include "module/module_kind.h"

namespace basetdic {

enum class StartBranch { None, FwBaseNt, FwBase2K };

// FwBaseNt on build 1381 (low 16 bits), FwBase2K on later builds, neither on major version 6 nor for any
// other kind. The platform id plays no part.
StartBranch ChooseStartBranch(ModuleKind kind, const OSVERSIONINFOA& os);

}  // namespace basetdic

#endif
