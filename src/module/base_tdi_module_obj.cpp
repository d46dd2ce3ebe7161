// Construction, naming, file insertion, the platform check, the hooks and destruction of the module
// object. The driver operations live under deploy/.
#include "module/base_tdi_module_obj.h"

#include <new>
#include <string.h>

#include "rules/os_version.h"
#include "rules/setup_folder.h"
#include "trace/trace_log.h"

namespace basetdic {
namespace {

const char kModuleId[] = BASETDIC_MODULE_ID;

static_assert(sizeof(kModuleId) <= 40, "the identifier fits its field");

}  // namespace

BaseTdiModuleObj* BaseTdiModuleObj::Create() {
  void* memory = HeapAlloc(GetProcessHeap(), 0, sizeof(BaseTdiModuleObj));
  if (memory == nullptr) return nullptr;
  return new (memory) BaseTdiModuleObj();
}

BaseTdiModuleObj::BaseTdiModuleObj() : statusPtr_(&status_), idPtr_(moduleId_) {
  memset(moduleId_, 0, sizeof moduleId_);
  memset(&status_, 0, sizeof status_);
  status_.result = 1;
  memcpy(moduleId_, kModuleId, sizeof kModuleId);
  // A failed query leaves the record zero apart from its size, so the platform reads as 0.
  memset(&osVersion_, 0, sizeof osVersion_);
  osVersion_.dwOSVersionInfoSize = sizeof osVersion_;
  GetVersionExA(&osVersion_);
}

void* BaseTdiModuleObj::Destroy(unsigned flags) {
  this->BaseTdiModuleObj::~BaseTdiModuleObj();  // the object ends only through this slot
  if (flags & 1u) HeapFree(GetProcessHeap(), 0, this);
  return this;
}

int BaseTdiModuleObj::SetModuleName(const char* name) {
  // A longer name keeps its first 259 characters; a null name is empty text.
  moduleName_.AssignTruncated(name);
  return 0;
}

int BaseTdiModuleObj::InsertFile(const char* path) {
  if (path == nullptr) path = "";
  TraceLog("Insert File List: ModuleName:%s-> File:%s\n", moduleName_.c_str(), path);
  // A path that leaves no directory (no backslash, or a directory that does not fit) empties it: the
  // gated operations then do nothing rather than work on a directory the host did not name. For
  // FwBase2K the module's other files are only traced.
  const SetupFolderChange change = SetupFolderAfterInsert(Kind(), path);
  if (change.replaces) (void)sourceDir_.AssignPrefix(change.folder, change.length);  // always fits
  SetResult(1);
  return 0;
}

int BaseTdiModuleObj::CheckPlatform() {
  SetResult(IsWin9xPlatform(osVersion_) ? 0 : 1);
  return 0;
}

int BaseTdiModuleObj::Hook1(uint32_t) {
  SetResult(1);
  return 0;
}

int BaseTdiModuleObj::Hook3() {
  SetResult(1);
  return 0;
}

int BaseTdiModuleObj::Hook6(uint32_t, uint32_t, uint32_t) {
  SetResult(1);
  return 0;
}

int BaseTdiModuleObj::Hook8() {
  SetResult(1);
  return 0;
}

int BaseTdiModuleObj::Hook10() {
  SetResult(1);
  return 0;
}

int BaseTdiModuleObj::Hook13(uint32_t) { return 0; }

void BaseTdiModuleObj::StartDriverThroughInterface() {
  // The table pointer is read as bytes, through the host's view of the header, so that no optimiser can
  // assume it still holds this class's own table.
  const ModuleObjVtbl* table = nullptr;
  memcpy(&table, static_cast<const void*>(this), sizeof table);
  table->StartDriver(this, 0);
}

}  // namespace basetdic
