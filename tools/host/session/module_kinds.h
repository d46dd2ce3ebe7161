// The module kinds a host can name, and which one a Windows version calls for.
#ifndef BASETDIC_HOST_MODULE_KINDS_H
#define BASETDIC_HOST_MODULE_KINDS_H

#include <windows.h>

#include <string>
#include <vector>

namespace host {

// "FwBaseNt", "FwBase2K", "FwBaseVt" for a name given in any case; empty for anything else.
std::string CanonicalModuleName(const std::string& text);
const std::vector<std::string>& ModuleNames();

// FwBaseNt on NT 4.0 (build 1381), FwBaseVt on NT 6.x, FwBase2K otherwise.
std::string ModuleForWindows(const OSVERSIONINFOA& os);

// The files a setup folder holds for the three kinds, in the order the host inserts them.
const std::vector<std::string>& SetupFileNames();

struct SetupFiles {
  std::vector<std::string> present;  // full paths, names as the folder spells them
  std::vector<std::string> missing;  // full paths of the names not found
};
SetupFiles FindSetupFiles(const std::string& folder);

}  // namespace host

#endif
