// winsim's programs: what a launched program does, and the record of every launch. A test or the host
// sets a program's behaviour by its image path before the library starts it; CreateProcessA, ShellExecuteA
// and WinExec then run that behaviour on the simulated clock, and Launches() shows what was started, how,
// and whether it has ended.
#ifndef WINSIM_PROCESSES_H
#define WINSIM_PROCESSES_H

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "windows.h"

namespace winsim {

enum class LaunchOrigin { CreateProcess, ShellExecute, WinExec };
const char* LaunchOriginName(LaunchOrigin origin);

// One started program. The optional texts are empty (nullopt) where the caller passed a null pointer.
struct LaunchRecord {
  LaunchOrigin origin = LaunchOrigin::CreateProcess;
  DWORD processId = 0;
  DWORD threadId = 0;
  std::string imagePath;                        // the image file that runs, as a full Windows path
  std::optional<std::string> applicationName;   // CreateProcessA's first argument
  std::optional<std::string> commandLine;       // the command line as passed
  std::string programCommandLine;               // the command line the program sees (GetCommandLineA)
  std::optional<std::string> currentDirectory;  // the directory argument as passed
  std::string workingDirectory;                 // where the program runs: the argument or the caller's
  DWORD creationFlags = 0;
  DWORD startupInfoSize = 0;  // STARTUPINFOA.cb
  DWORD startupFlags = 0;     // STARTUPINFOA.dwFlags
  WORD showWindow = 0;        // STARTUPINFOA.wShowWindow (WinExec and ShellExecuteA: their show command)
  std::optional<std::string> verb;        // ShellExecuteA only
  std::optional<std::string> parameters;  // ShellExecuteA only
  ULONGLONG startedAtMs = 0;  // simulated clock at launch
  DWORD runMilliseconds = 0;  // how long it runs
  DWORD exitCode = 0;         // the code it exits (or will exit) with
  bool exited = false;
};

// What a program does when started. Both hooks run on the machine, inside the call that starts it (at
// launch) or inside whatever moves the clock past its end (at exit); they may use the Win32 API (not
// logged, never faulted, relative paths resolve against the program's working directory) or winsim's direct
// access. The launch hook may change exitCode and runMilliseconds, the exit hook exitCode.
struct ProgramBehaviour {
  DWORD exitCode = 0;
  DWORD runMilliseconds = 0;
  std::function<void(LaunchRecord&)> atLaunch;
  std::function<void(LaunchRecord&)> atExit;
};

// Sets or replaces what the image at this Windows path does. Paths are matched without regard to case,
// after resolving relative parts and the drive's host folder; no WOW64 redirection is applied here, so name
// the file that actually runs. An image without a behaviour exits 0 at once.
void SetProgramBehaviour(const std::string& imagePath, ProgramBehaviour behaviour);
void ClearProgramBehaviour(const std::string& imagePath);

// Every launch since boot, in order, as it stands now (programs whose end the clock has passed have exited).
std::vector<LaunchRecord> Launches();
// The launch with this process id; false when there is none.
bool FindLaunch(DWORD processId, LaunchRecord* launch);
// Programs started and not yet ended.
size_t RunningPrograms();

// A stand-in for the network-configuration tool "snetcfg.exe" on this image path. It understands
// "-l INF -c CLASS -i ID" (install the component ID from the INF file, which must exist) and "-u ID"
// (uninstall it), and records installed components under NetCfgComponentsKey(), one subkey per
// component holding "InfPath", "Class", "CommandLine" and "WorkingDirectory" (REG_SZ). It also appends the
// command line it received and its working directory, separated by a tab, to requestLog as the Wine-side
// stand-in does (none when empty). Exit codes: 0 done, 1 usage error, 2 INF file not found, 3 component
// not installed. The work happens when the program ends, runMilliseconds after launch.
struct NetCfgStandInOptions {
  DWORD runMilliseconds = 0;
  std::string requestLog = "C:\\snetcfg-requests.log";
};
void InstallNetCfgStandIn(const std::string& imagePath, const NetCfgStandInOptions& options = NetCfgStandInOptions());
std::string NetCfgComponentsKey();             // "HKLM\SOFTWARE\winsim\NetCfg\Components"
std::vector<std::string> NetCfgComponents();   // the installed component ids

}  // namespace winsim

#endif
