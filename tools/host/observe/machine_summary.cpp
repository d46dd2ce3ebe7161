#include "observe/machine_summary.h"

#include "generic/proc_address.h"

namespace host {
namespace {

std::string TextOf(UINT (WINAPI* get)(LPSTR, UINT)) {
  char buffer[MAX_PATH + 1] = {};
  UINT length = get(buffer, sizeof buffer);
  return length > 0 && length < sizeof buffer ? std::string(buffer, length) : std::string();
}

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
  machine.windowsDirectory = TextOf(GetWindowsDirectoryA);
  machine.systemDirectory = TextOf(GetSystemDirectoryA);
  char exe[MAX_PATH + 1] = {};
  DWORD length = GetModuleFileNameA(nullptr, exe, MAX_PATH);
  machine.executablePath = length > 0 && length < MAX_PATH ? std::string(exe, length) : std::string();
  machine.processId = GetCurrentProcessId();
  GetLocalTime(&machine.localTime);
  machine.codePage = GetACP();
  return machine;
}

}  // namespace host
