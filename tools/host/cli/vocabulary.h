// The words the command line takes for module kinds and Windows versions, and the lists its help and
// messages name them by: all from the library's tables (rules/module_kind.h, rules/windows_versions.h), so
// that a kind or a Windows is added in one row there.
#ifndef BASETDIC_HOST_CLI_VOCABULARY_H
#define BASETDIC_HOST_CLI_VOCABULARY_H

#include <string>
#include <vector>

namespace host {

// The kind's name as the library spells it ("FwBase2K") for a name given in any case; empty for any other.
std::string CanonicalModuleName(const std::string& text);
// The kinds as the library spells them, in table order.
std::vector<std::string> ModuleNames();
// "FwBaseNt, FwBase2K or FwBaseVt".
std::string ModuleNameList();

// The names --os takes, in the order the help lists them; with only64Bit, those of Windows that had a
// 64-bit edition (where --wow64 makes sense).
std::vector<std::string> WindowsCommandLineNames(bool only64Bit = false);
// "nt4, win2k, xp, vista, win7 or win9x" (or with only64Bit "xp, vista or win7").
std::string WindowsNameList(bool only64Bit = false);

}  // namespace host

#endif
