#include "cli/vocabulary.h"

#include "rules/module_kind.h"
#include "rules/windows_versions.h"

namespace host {

std::string CanonicalModuleName(const std::string& text) {
  return basetdic::KindName(basetdic::KindOfName(text.c_str()));
}

std::string ModuleNameList() {
  std::vector<std::string> names;
  for (const basetdic::ModuleKindRow& row : basetdic::ModuleKinds()) names.push_back(row.name);
  return OneOf(names);
}

std::vector<std::string> WindowsCommandLineNames(bool only64Bit) {
  std::vector<std::string> names;
  for (const basetdic::WindowsVersion& windows : basetdic::WindowsVersions()) {
    if (windows.commandLineName != nullptr && (!only64Bit || windows.has64BitEdition))
      names.push_back(windows.commandLineName);
  }
  return names;
}

std::string WindowsNameList(bool only64Bit) { return OneOf(WindowsCommandLineNames(only64Bit)); }

std::string OneOf(const std::vector<std::string>& words) {
  std::string text;
  for (size_t i = 0; i < words.size(); ++i) {
    if (i > 0) text += i + 1 == words.size() ? " or " : ", ";
    text += words[i];
  }
  return text;
}

}  // namespace host
