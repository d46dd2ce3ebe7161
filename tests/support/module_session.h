// One module object driven the way a setup program drives it: created through QueryModuleObj, named and
// given its setup files, called only through its interface table, its status words read through
// statusPtr after every call, and ended through ReleaseObj. Header-only, so that the unit tests (which
// link the library) and the Wine suite (which loads the DLL) share it without a library of their own.
#ifndef BASETDIC_TESTS_SUPPORT_MODULE_SESSION_H
#define BASETDIC_TESTS_SUPPORT_MODULE_SESSION_H

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "basetdic/module_obj.h"
#include "rules/product_names.h"

namespace testsupport {

// The object's header words and interface table as a host reads them.
inline ModuleObjHeader& HeaderOf(void* object) { return *static_cast<ModuleObjHeader*>(object); }
inline const ModuleObjVtbl& TableOf(void* object) { return *HeaderOf(object).vtbl; }
inline ModuleStatus& StatusOf(void* object) { return *HeaderOf(object).statusPtr; }

// Names the module kind and, when asked, inserts every setup file of setupDir in the order a setup does.
inline void NameAndInsertFiles(void* object, const char* kind, const std::string& setupDir, bool insertFiles) {
  TableOf(object).SetModuleName(object, kind);
  if (!insertFiles) return;
  for (const char* file : basetdic::kSetupFiles) {
    const std::string path = setupDir + "\\" + file;
    TableOf(object).InsertFile(object, path.c_str());
  }
}

// The two exports a session goes through: the linked ones (LinkedExports) or a loaded library's.
struct ModuleExports {
  std::function<void*()> query;
  std::function<int(void*)> release;
};

// The exports of the library this program links. Only programs that link it may call this.
inline ModuleExports LinkedExports() {
  return {[] { return static_cast<void*>(QueryModuleObj()); },
          [](void* object) { return ReleaseObj(static_cast<ModuleObj*>(object)); }};
}

class ModuleSession {
 public:
  // A named object with every setup file of setupDir inserted (or none).
  ModuleSession(ModuleExports exports, const char* kind, const std::string& setupDir, bool insertFiles = true)
      : exports_(std::move(exports)), object_(exports_.query()) {
    if (object_ != nullptr) NameAndInsertFiles(object_, kind, setupDir, insertFiles);
  }
  ~ModuleSession() {
    if (object_ != nullptr) exports_.release(object_);
  }
  ModuleSession(const ModuleSession&) = delete;
  ModuleSession& operator=(const ModuleSession&) = delete;

  void* object() const { return object_; }
  // The object's header, for a host that hands the object a table of its own.
  ModuleObjHeader* Header() const { return &HeaderOf(object_); }
  const ModuleObjVtbl& Table() const { return TableOf(object_); }
  ModuleStatus& Status() const { return StatusOf(object_); }

  ModuleStatus Install() { return Table().InstallDriver(object_), Status(); }
  ModuleStatus Start() { return Table().StartDriver(object_, 0), Status(); }
  ModuleStatus Update() { return Table().UpdateDriver(object_), Status(); }
  ModuleStatus Remove() { return Table().RemoveDriver(object_), Status(); }
  ModuleStatus CheckPlatform() { return Table().CheckPlatform(object_), Status(); }
  // Overwrites the status words, to see which ones an operation leaves alone.
  void PresetStatus(uint32_t result, uint32_t pending) {
    Status().result = result;
    Status().pending = pending;
  }

 private:
  ModuleExports exports_;
  void* object_;
};

}  // namespace testsupport

#endif
