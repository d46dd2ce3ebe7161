#include "rules/branch_choice.h"
#include "rules/os_version.h"

namespace basetdic {

bool DeploymentGateOpen(const OSVERSIONINFOA& os, const char* sourceDir) {
  return IsNtPlatform(os) && sourceDir != nullptr && sourceDir[0] != '\0';
}

}  // namespace basetdic
