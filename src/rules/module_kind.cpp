#include "rules/module_kind.h"

#include "generic/bounded_text.h"

namespace basetdic {

ModuleKind KindOfName(const char* name) {
  if (EqualsNoCase(name, "FwBaseNt")) return ModuleKind::FwBaseNt;
  if (EqualsNoCase(name, "FwBase2K")) return ModuleKind::FwBase2K;
  if (EqualsNoCase(name, "FwBaseVt")) return ModuleKind::FwBaseVt;
  return ModuleKind::Unknown;
}

}  // namespace basetdic
