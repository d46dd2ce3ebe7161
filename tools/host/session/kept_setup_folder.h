// The setup folder a module object keeps from InsertFile, derived from what the host gave it by the
// library's own rule (rules/setup_folder.h). The host never reads the object's fields, so what it reports
// holds for any conforming library, not only for the build it was compiled with.
#ifndef BASETDIC_HOST_SESSION_KEPT_SETUP_FOLDER_H
#define BASETDIC_HOST_SESSION_KEPT_SETUP_FOLDER_H

#include <string>
#include <vector>

#include "rules/module_kind.h"

namespace host {

class KeptSetupFolder {
 public:
  // After SetModuleName: the kind decides which later paths count.
  void Named(const std::string& moduleName);
  // After InsertFile: a path that counts replaces the folder (with none, when it leaves no folder).
  void Inserted(const std::string& path);
  // Empty: the object keeps no setup folder.
  const std::string& Folder() const { return folder_; }

 private:
  basetdic::ModuleKind kind_ = basetdic::ModuleKind::Unknown;
  std::string folder_;
};

// The folder an object keeps once named moduleName and given paths in order.
std::string FolderKeptAfter(const std::string& moduleName, const std::vector<std::string>& paths);

}  // namespace host

#endif
