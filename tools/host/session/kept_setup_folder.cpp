#include "session/kept_setup_folder.h"

#include "rules/setup_folder.h"

namespace host {

void KeptSetupFolder::Named(const std::string& moduleName) { kind_ = basetdic::KindOfName(moduleName.c_str()); }

void KeptSetupFolder::Inserted(const std::string& path) {
  const basetdic::SetupFolderChange change = basetdic::SetupFolderAfterInsert(kind_, path.c_str());
  if (change.replaces) folder_.assign(change.folder, change.length);
}

std::string FolderKeptAfter(const std::string& moduleName, const std::vector<std::string>& paths) {
  KeptSetupFolder kept;
  kept.Named(moduleName);
  for (const std::string& path : paths) kept.Inserted(path);
  return kept.Folder();
}

}  // namespace host
