#include "cli/vocabulary.h"

#include "cli/word_list.h"
#include "rules/module_kind.h"
#include "rules/windows_versions.h"

namespace host {

std::string CanonicalModuleName(const std::string& text) {
  return basetdic::KindName(basetdic::KindOfName(text.c_str()));
}

std::vector<std::string> ModuleNames() {
  std::vector<std::string> names;
  for (const basetdic::ModuleKindRow& row : basetdic::ModuleKinds()) names.push_back(row.name);
  return names;
}

std::string ModuleNameList() { return WordList(ModuleNames(), "or"); }

std::vector<std::string> WindowsCommandLineNames(bool only64Bit) {
  std::vector<std::string> names;
  for (const basetdic::WindowsVersion& windows : basetdic::WindowsVersions()) {
    if (windows.commandLineName != nullptr && (!only64Bit || windows.has64BitEdition))
      names.push_back(windows.commandLineName);
  }
  return names;
}

std::string WindowsNameList(bool only64Bit) { return WordList(WindowsCommandLineNames(only64Bit), "or"); }


}  // namespace host
