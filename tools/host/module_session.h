// One module object driven the way a setup program drives it: only through its interface table, reading
// ModuleStatus through statusPtr after every call, and released through ReleaseObj at the end.
#ifndef BASETDIC_HOST_MODULE_SESSION_H
#define BASETDIC_HOST_MODULE_SESSION_H

#include <string>

#include "basetdic/module_obj.h"
#include "host_request.h"

namespace host {

// The two exports of a loaded library.
struct ModuleEntryPoints {
  QueryModuleObjFn queryModuleObj = nullptr;
  ReleaseObjFn releaseObj = nullptr;
};

class ModuleSession {
 public:
  explicit ModuleSession(const ModuleEntryPoints& entryPoints);
  ~ModuleSession();  // ReleaseObj
  ModuleSession(const ModuleSession&) = delete;
  ModuleSession& operator=(const ModuleSession&) = delete;

  // False when QueryModuleObj gave no object.
  bool Valid() const { return object_ != nullptr; }
  const char* Identifier() const;

  ModuleStatus SetModuleName(const std::string& name);
  ModuleStatus InsertFile(const std::string& path);
  ModuleStatus Call(Operation operation);

 private:
  const ModuleObjVtbl& Table() const;
  ModuleStatus Status() const;

  ModuleEntryPoints entryPoints_;
  void* object_ = nullptr;
};

}  // namespace host

#endif
