// The machine as the Windows API describes it to the host: its version, WOW64, directories, executable,
// process, clock and code page.
#ifndef BASETDIC_HOST_OBSERVE_MACHINE_SUMMARY_H
#define BASETDIC_HOST_OBSERVE_MACHINE_SUMMARY_H

#include <windows.h>

#include <string>

namespace host {

struct MachineSummary {
  std::string platform;  // "winsim" or "windows"
  std::string location;  // "machine basetdic-machine" / "this Windows system"
  OSVERSIONINFOA os{};
  bool versionKnown = false;
  bool wow64 = false;
  std::string windowsDirectory;
  std::string systemDirectory;
  std::string executablePath;
  DWORD processId = 0;
  SYSTEMTIME localTime{};
  UINT codePage = 0;
};

MachineSummary DescribeMachine(const std::string& location);

}  // namespace host

#endif
