// One module object driven the way a setup program drives it: only through its interface table, reading
// ModuleStatus through statusPtr after every call, and released through ReleaseObj at the end.
#ifndef BASETDIC_HOST_MODULE_SESSION_H
#define BASETDIC_HOST_MODULE_SESSION_H

#include <string>

#include "basetdic/module_obj.h"
#include "cli/host_request.h"
#include "platform/platform.h"
#include "session/kept_setup_folder.h"

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

  // The setup folder the object keeps after the name and paths this session gave it (empty: none),
  // derived by the library's rule rather than read from the object.
  const std::string& KeptFolder() const { return kept_.Folder(); }

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
  KeptSetupFolder kept_;
};

}  // namespace host

#endif
