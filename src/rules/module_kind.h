// The module kinds a setup program names, one row each: the name, the Windows family its driver is for,
// and which kind a Windows version calls for. Names are compared without regard to the case of ASCII
// letters.
#ifndef BASETDIC_RULES_MODULE_KIND_H
#define BASETDIC_RULES_MODULE_KIND_H

#include <windows.h>

#include "rules/row_range.h"

namespace basetdic {

enum class ModuleKind { Unknown, FwBaseNt, FwBase2K, FwBaseVt };

struct ModuleKindRow {
  ModuleKind kind;
  const char* name;           // as the setup program and the reports spell it: "FwBase2K"
  const char* windowsFamily;  // the Windows its driver is for, in words: "NT 5.x"
};

// Every kind, in the order a host lists them; Unknown is none of them.
RowRange<ModuleKindRow> ModuleKinds();

// The kind a name stands for, in any case; Unknown for a null or any other name.
ModuleKind KindOfName(const char* name);
// The kind's name as the table spells it; empty for Unknown.
const char* KindName(ModuleKind kind);
// "NT 4.0", "NT 5.x", "NT 6.x"; empty for Unknown.
const char* KindWindowsFamily(ModuleKind kind);

// The kind a setup would name on this Windows: FwBaseNt on NT 4.0 (build 1381), FwBaseVt on NT 6.x,
// FwBase2K on every other version.
ModuleKind KindForWindows(const OSVERSIONINFOA& os);

}  // namespace basetdic

#endif
