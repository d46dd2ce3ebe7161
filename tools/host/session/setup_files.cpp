#include "session/setup_files.h"

#include <windows.h>

#include <iterator>

#include "generic/win_handles.h"
#include "rules/product_names.h"

namespace host {

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
