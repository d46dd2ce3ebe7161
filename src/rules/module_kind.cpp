#include "rules/module_kind.h"

#include "rules/ascii_case.h"
#include "rules/os_version.h"

namespace basetdic {
namespace {

const ModuleKindRow kKinds[] = {
    {ModuleKind::FwBaseNt, "FwBaseNt", "NT 4.0"},
    {ModuleKind::FwBase2K, "FwBase2K", "NT 5.x"},
    {ModuleKind::FwBaseVt, "FwBaseVt", "NT 6.x"},
};

const ModuleKindRow* RowOf(ModuleKind kind) {
  for (const ModuleKindRow& row : kKinds) {
    if (row.kind == kind) return &row;
  }
  return nullptr;
}

}  // namespace

RowRange<ModuleKindRow> ModuleKinds() { return RowRange<ModuleKindRow>(kKinds); }

ModuleKind KindOfName(const char* name) {
  for (const ModuleKindRow& row : kKinds) {
    if (EqualsNoCase(name, row.name)) return row.kind;
  }
  return ModuleKind::Unknown;
}

const char* KindName(ModuleKind kind) {
  const ModuleKindRow* row = RowOf(kind);
  return row != nullptr ? row->name : "";
}

const char* KindWindowsFamily(ModuleKind kind) {
  const ModuleKindRow* row = RowOf(kind);
  return row != nullptr ? row->windowsFamily : "";
}

ModuleKind KindForWindows(const OSVERSIONINFOA& os) {
  if (IsNtPlatform(os) && IsNt4Build(os)) return ModuleKind::FwBaseNt;
  if (IsNtPlatform(os) && IsMajor6(os)) return ModuleKind::FwBaseVt;
  return ModuleKind::FwBase2K;
}

}  // namespace basetdic
