#include "module_kinds.h"

#include "rules/os_version.h"
#include "rules/product_names.h"
#include "snapshot.h"
#include "generic/win_handles.h"

namespace host {

const std::vector<std::string>& ModuleNames() {
  static const std::vector<std::string> names{"FwBaseNt", "FwBase2K", "FwBaseVt"};
  return names;
}

std::string CanonicalModuleName(const std::string& text) {
  for (const std::string& name : ModuleNames()) {
    if (LowerAscii(name) == LowerAscii(text)) return name;
  }
  return "";
}

std::string ModuleForWindows(const OSVERSIONINFOA& os) {
  if (basetdic::IsNtPlatform(os) && basetdic::IsNt4Build(os)) return "FwBaseNt";
  if (basetdic::IsNtPlatform(os) && basetdic::IsMajor6(os)) return "FwBaseVt";
  return "FwBase2K";
}

const std::vector<std::string>& SetupFileNames() {
  static const std::vector<std::string> names(std::begin(basetdic::kSetupFiles), std::end(basetdic::kSetupFiles));
  return names;
}

SetupFiles FindSetupFiles(const std::string& folder) {
  SetupFiles files;
  for (const std::string& name : SetupFileNames()) {
    WIN32_FIND_DATAA found;
    basetdic::UniqueFind find(FindFirstFileA((folder + "\\" + name).c_str(), &found));
    if (find && !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      files.present.push_back(folder + "\\" + found.cFileName);
    } else {
      files.missing.push_back(folder + "\\" + name);
    }
  }
  return files;
}

}  // namespace host
