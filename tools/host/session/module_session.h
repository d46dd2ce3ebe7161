// One module object driven the way a setup program drives it: only through its interface table, reading
// ModuleStatus through statusPtr after every call, and released through ReleaseObj at the end.
#ifndef BASETDIC_HOST_MODULE_SESSION_H
#define BASETDIC_HOST_MODULE_SESSION_H

#include <string>

#include "basetdic/module_obj.h"
#include "cli/host_request.h"
#include "platform/platform.h"

namespace host {

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

  // Which status words the last call wrote. The library writes the words but never reads them, so the
  // session puts a marker in both before each call and puts the old value back in a word the call left.
  bool WroteResult() const { return wroteResult_; }
  bool WrotePending() const { return wrotePending_; }

  // The setup folder the object keeps after InsertFile's rules (empty when it kept none). Read from the
  // object itself, whose layout is the one the host was built with.
  std::string HeldSourceDir() const;

 private:
  const ModuleObjVtbl& Table() const;
  ModuleStatus Status() const;
  // Runs one slot call between the markers.
  template <typename CallSlot>
  ModuleStatus Probed(CallSlot call);

  ModuleEntryPoints entryPoints_;
  void* object_ = nullptr;
  bool wroteResult_ = false;
  bool wrotePending_ = false;
};

}  // namespace host

#endif
