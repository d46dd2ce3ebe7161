// What makes the simulated machine look like the Windows version it plays: its directory layout, the
// service manager the 95 family lacks, and a new process on a later clock for every run.
#include <gtest/gtest.h>

#include <string>

#include "temp_machine.h"

namespace {

using winsim::testsupport::ConfigFor;
using winsim::testsupport::TempMachine;

std::string SystemDirectoryOfApi() {
  char buffer[MAX_PATH] = {};
  UINT length = GetSystemDirectoryA(buffer, sizeof buffer);
  return std::string(buffer, length);
}

TEST(WindowsLayout, EachVersionHasItsOwnFoldersAndOnlyA64BitOneHasSysWow64) {
  struct Case {
    winsim::OsVersion os;
    bool wow64;
    const char* systemDirectory;
    bool hasSysWow64;
  };
  const Case cases[] = {
      {winsim::OsNt40(), false, "C:\\WINNT\\system32", false},
      {winsim::OsWin2k(), false, "C:\\WINNT\\system32", false},
      {winsim::OsWinXp(), false, "C:\\WINDOWS\\system32", false},
      {winsim::OsWinXp(), true, "C:\\WINDOWS\\system32", true},
      {winsim::OsWin7(), true, "C:\\WINDOWS\\system32", true},
      {winsim::OsWin98(), false, "C:\\WINDOWS\\SYSTEM", false},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.systemDirectory);
    TempMachine machine(ConfigFor(row.os, row.wow64));
    EXPECT_EQ(SystemDirectoryOfApi(), row.systemDirectory);
    EXPECT_NE(GetFileAttributesA((std::string(row.systemDirectory) + "\\drivers").c_str()), INVALID_FILE_ATTRIBUTES);
    bool sysWow64 = GetFileAttributesA((winsim::WindowsDirectory() + "\\SysWOW64").c_str()) != INVALID_FILE_ATTRIBUTES;
    EXPECT_EQ(sysWow64, row.hasSysWow64);
  }
}

TEST(WindowsLayout, The95FamilyHasNoServiceManager) {
  struct Case {
    winsim::OsVersion os;
    DWORD error;  // of OpenSCManagerA; 0: it opens
  };
  const Case cases[] = {{winsim::OsWin98(), ERROR_CALL_NOT_IMPLEMENTED},
                        {winsim::OsWin95(), ERROR_CALL_NOT_IMPLEMENTED},
                        {winsim::OsNt40(), 0}};
  for (const Case& row : cases) {
    SCOPED_TRACE(row.error);
    TempMachine machine(ConfigFor(row.os));
    SetLastError(0xdeadbeef);
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    EXPECT_EQ(manager == nullptr, row.error != 0);
    if (row.error != 0) EXPECT_EQ(GetLastError(), row.error);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(OpenServiceA(manager, "zelbase", SERVICE_ALL_ACCESS), nullptr);
    if (row.error != 0) EXPECT_EQ(GetLastError(), row.error) << "every service function is a stub there";
    if (manager) CloseServiceHandle(manager);
  }
}

TEST(WindowsLayout, NextRunIsANewProcessLaterOnTheClock) {
  TempMachine machine;
  DWORD id = GetCurrentProcessId();
  ULONGLONG clock = winsim::ClockMilliseconds();
  winsim::StartNextRun(90000);
  EXPECT_EQ(GetCurrentProcessId(), id + 4);
  EXPECT_EQ(winsim::ClockMilliseconds(), clock + 90000);
}

}  // namespace
