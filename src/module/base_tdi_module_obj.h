// The module object a host drives: the fourteen slots of ModuleObj over the state they share (module
// name, setup directory, the version record captured at construction) and the status block the host
// reads. Every slot returns 0; outcomes go to ModuleStatus only.
#ifndef BASETDIC_MODULE_BASE_TDI_MODULE_OBJ_H
#define BASETDIC_MODULE_BASE_TDI_MODULE_OBJ_H

#include <windows.h>

#include "basetdic/module_obj.h"
#include "rules/module_kind.h"
#include "generic/bounded_text.h"

namespace basetdic {

// Not final: install and update reach StartDriver through the table the object carries, and a final class
// would let the compiler call the function directly instead.
class BaseTdiModuleObj : public ModuleObj {
 public:
  // Allocates and constructs an object on the process heap; null when no memory can be had.
  static BaseTdiModuleObj* Create();

  int SetModuleName(const char* name) override;
  int Hook1(uint32_t ignored) override;
  int InsertFile(const char* path) override;
  int Hook3() override;
  int UpdateDriver() override;
  int RemoveDriver() override;
  int Hook6(uint32_t ignored1, uint32_t ignored2, uint32_t ignored3) override;
  int StartDriver(uint32_t reserved) override;
  int Hook8() override;
  int InstallDriver() override;
  int Hook10() override;
  int CheckPlatform() override;
  void* Destroy(unsigned flags) override;
  int Hook13(uint32_t ignored) override;

  // The reference-counted registration of the shared NT 4.0 TDI driver; neither touches ModuleStatus.
  void AcquireTdiRegistration(const char* systemDirectory);
  void ReleaseTdiRegistration();

  const char* SourceDir() const { return sourceDir_.c_str(); }
  const char* ModuleName() const { return moduleName_.c_str(); }
  ModuleKind Kind() const { return KindOfName(moduleName_.c_str()); }
  const OSVERSIONINFOA& OsVersion() const { return osVersion_; }

 private:
  BaseTdiModuleObj();
  ~BaseTdiModuleObj() = default;

  void SetResult(uint32_t result) { status_.result = result; }
  void SetPending(uint32_t pending) { status_.pending = pending; }
  // Driver operations reach StartDriver through the table the object carries now, as a host would: a host
  // that hands the object a table of its own sees its slot 7 called.
  void StartDriverThroughInterface();

  // The host reads the first three words: interface table (implicit), statusPtr, idPtr.
  ModuleStatus* statusPtr_;
  const char* idPtr_;
  PathBuffer sourceDir_;
  char moduleId_[40];
  ModuleStatus status_;
  OSVERSIONINFOA osVersion_;
  PathBuffer moduleName_;
};

}  // namespace basetdic

#endif
