#include "observe/machine_summary.h"

#include "generic/proc_address.h"
#include "observe/system_paths.h"

namespace host {
namespace {

bool RunsUnderWow64() {
  using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
  auto isWow64Process = basetdic::ProcAddress<IsWow64ProcessFn>(GetModuleHandleA("kernel32.dll"), "IsWow64Process");
  BOOL wow64 = FALSE;
  return isWow64Process && isWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

}  // namespace

MachineSummary DescribeMachine(const std::string& location) {
  MachineSummary machine;
  machine.location = location;
  machine.os.dwOSVersionInfoSize = sizeof machine.os;
  machine.versionKnown = GetVersionExA(&machine.os) != FALSE;
  machine.wow64 = RunsUnderWow64();
  machine.windowsDirectory = WindowsDirectory();
  machine.systemDirectory = SystemDirectory();
  machine.executablePath = ExecutablePath();
  machine.processId = GetCurrentProcessId();
  GetLocalTime(&machine.localTime);
  machine.codePage = GetACP();
  return machine;
}

}  // namespace host
