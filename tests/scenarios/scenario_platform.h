// How the shared scenarios find their machine: each platform supplies the Windows versions it can run
// here and makes a fresh machine for one of them.
#ifndef BASETDIC_TESTS_SCENARIOS_SCENARIO_PLATFORM_H
#define BASETDIC_TESTS_SCENARIOS_SCENARIO_PLATFORM_H

#include <memory>
#include <string>
#include <vector>

#include "machine_facade.h"

namespace scenarios {

// Version names as Wine spells them, rows of the Windows table (rules/windows_versions.h): winsim runs
// "nt40", "win2k", "winxp", "win7" and "win98", as scripts/wine-suite does; a Wine process runs the one
// its prefix is set to.
std::vector<std::string> VersionsUnderTest();

// A fresh machine running that version (winsim: a newly booted machine; Wine: this process's machine,
// with fresh setup folders and tool log).
std::unique_ptr<MachineFacade> MakeMachine(const std::string& version);

}  // namespace scenarios

#endif
