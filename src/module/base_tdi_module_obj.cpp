// Construction, naming, file insertion, the platform check, the hooks and destruction of the module
// object. The driver operations live under deploy/.
#include "module/base_tdi_module_obj.h"

#include <new>
#include <string.h>

#include "rules/os_version.h"
#include "rules/product_names.h"
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
  // For FwBase2K only the library's own path (in whatever case, wherever it stands within the first 519
  // characters) names the setup directory; the module's other files are only traced.
  if (Kind() == ModuleKind::FwBase2K) {
    TextBuffer<520> searched;
    searched.AssignTruncated(path);
    if (!ContainsNoCase(searched.c_str(), kLibraryFile)) {
      SetResult(1);
      return 0;
    }
  }
  // The setup directory is the path up to its last backslash. A path without one, or one whose
  // directory does not fit, leaves no directory: the gated operations then do nothing rather than
  // work on a directory the host did not name.
  const char* lastBackslash = strrchr(path, '\\');
  size_t directoryLength = lastBackslash ? static_cast<size_t>(lastBackslash - path) : 0;
  (void)sourceDir_.AssignPrefix(path, directoryLength);  // a refused directory leaves sourceDir empty
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
