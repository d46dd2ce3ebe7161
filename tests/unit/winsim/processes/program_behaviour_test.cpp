// What programs do on the simulated machine: exit codes, run times on the simulated clock, waits and
// side effects at launch and at exit.
#include <gtest/gtest.h>

#include <string>

#include "temp_machine.h"
#include "winsim/processes.h"
#include "winsim/registry.h"

namespace {

using winsim::LaunchRecord;
using winsim::ProgramBehaviour;
using winsim::testsupport::ConfigFor;
using winsim::testsupport::TempMachine;

constexpr char kTool[] = "C:\\setup\\tool.exe";

class ProgramBehaviourTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(winsim::WriteHostFile(kTool, "MZ")); }
  void TearDown() override {
    if (info.hProcess) CloseHandle(info.hProcess);
    if (info.hThread) CloseHandle(info.hThread);
    EXPECT_EQ(winsim::OpenHandles(), 0u);
  }

  void Start(const char* directory = nullptr) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    ASSERT_TRUE(CreateProcessA(kTool, nullptr, nullptr, nullptr, FALSE, 0, nullptr, directory, &startup, &info));
  }

  DWORD ExitCode() {
    DWORD code = 0xdeadbeef;
    EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
    return code;
  }

  TempMachine machine{ConfigFor(winsim::OsWin7())};
  PROCESS_INFORMATION info = {};
};

TEST_F(ProgramBehaviourTest, ProgramWithoutBehaviourEndsAtOnceWithZero) {
  Start();
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(ExitCode(), 0u);
  EXPECT_EQ(winsim::ClockMilliseconds(), 0u);
}

TEST_F(ProgramBehaviourTest, LongProgramOutlivesAWaitAndKeepsRunning) {
  winsim::SetProgramBehaviour(kTool, ProgramBehaviour{7, 120000, nullptr, nullptr});
  Start();
  EXPECT_EQ(ExitCode(), static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 60000), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(winsim::ClockMilliseconds(), 60000u);
  EXPECT_EQ(ExitCode(), static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_EQ(winsim::RunningPrograms(), 1u);

  // Timeout 0 only tests; the thread handle is signalled with the process.
  EXPECT_EQ(WaitForSingleObject(info.hThread, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(winsim::ClockMilliseconds(), 60000u);

  EXPECT_EQ(WaitForSingleObject(info.hThread, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(winsim::ClockMilliseconds(), 120000u);
  EXPECT_EQ(ExitCode(), 7u);
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 0), static_cast<DWORD>(WAIT_OBJECT_0));
}

struct WaitCase {
  DWORD runMs;
  DWORD timeoutMs;
  DWORD expected;
  ULONGLONG clockAfter;
};

class ProgramWaitTest : public ProgramBehaviourTest, public ::testing::WithParamInterface<WaitCase> {};

TEST_P(ProgramWaitTest, WaitEndsWithTheProgramOrAtTheTimeOut) {
  const WaitCase& c = GetParam();
  winsim::SetProgramBehaviour(kTool, ProgramBehaviour{0, c.runMs, nullptr, nullptr});
  Start();
  EXPECT_EQ(WaitForSingleObject(info.hProcess, c.timeoutMs), c.expected);
  EXPECT_EQ(winsim::ClockMilliseconds(), c.clockAfter);
}

INSTANTIATE_TEST_SUITE_P(Clock, ProgramWaitTest,
                         ::testing::Values(WaitCase{0, 0, WAIT_OBJECT_0, 0}, WaitCase{5000, 0, WAIT_TIMEOUT, 0},
                                           WaitCase{5000, 4999, WAIT_TIMEOUT, 4999},
                                           WaitCase{5000, 5000, WAIT_OBJECT_0, 5000},
                                           WaitCase{5000, 60000, WAIT_OBJECT_0, 5000},
                                           WaitCase{120000, INFINITE, WAIT_OBJECT_0, 120000}));

TEST_F(ProgramBehaviourTest, AdvancingTheClockEndsTheProgramAndRunsItsExit) {
  ProgramBehaviour behaviour;
  behaviour.runMilliseconds = 30000;
  behaviour.exitCode = 3;
  behaviour.atExit = [](LaunchRecord&) { winsim::WriteHostFile("C:\\done.txt", "done"); };
  winsim::SetProgramBehaviour(kTool, behaviour);
  Start();
  winsim::AdvanceClock(29999);
  EXPECT_FALSE(winsim::HostFileExists("C:\\done.txt"));
  winsim::AdvanceClock(1);
  EXPECT_TRUE(winsim::HostFileExists("C:\\done.txt"));
  EXPECT_EQ(ExitCode(), 3u);
  EXPECT_EQ(winsim::RunningPrograms(), 0u);
}

TEST_F(ProgramBehaviourTest, BehaviourIsFoundWithoutRegardToCase) {
  winsim::SetProgramBehaviour("c:\\SETUP\\.\\TOOL.EXE", ProgramBehaviour{42, 0, nullptr, nullptr});
  Start();
  EXPECT_EQ(ExitCode(), 42u);
  winsim::ClearProgramBehaviour(kTool);
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  Start();
  EXPECT_EQ(ExitCode(), 0u);
}

TEST_F(ProgramBehaviourTest, HooksActAsTheProgramWithoutDisturbingTheCaller) {
  ASSERT_TRUE(winsim::WriteHostFile("C:\\work\\input.txt", "x"));
  ProgramBehaviour behaviour;
  behaviour.atLaunch = [](LaunchRecord& launch) {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tool", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    DWORD value = 1;
    RegSetValueExA(key, "Ran", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
    // Relative paths resolve against the program's working directory.
    launch.exitCode = GetFileAttributesA("input.txt") != INVALID_FILE_ATTRIBUTES ? 10 : 20;
    SetLastError(ERROR_ACCESS_DENIED);
  };
  winsim::SetProgramBehaviour(kTool, behaviour);
  winsim::ClearCallLog();
  SetLastError(0xdeadbeef);
  Start("C:\\work");
  EXPECT_EQ(GetLastError(), 0xdeadbeefu);
  EXPECT_EQ(winsim::DwordOf([] {
              winsim::RegValue value;
              winsim::RegGetValue("HKLM\\SOFTWARE\\Tool", "Ran", &value);
              return value.data;
            }()),
            1u);
  EXPECT_EQ(ExitCode(), 10u);
  // The program's own calls are not the caller's: only CreateProcessA and GetExitCodeProcess are logged.
  ASSERT_EQ(winsim::CallLog().size(), 2u);
  EXPECT_EQ(winsim::CallLog()[0].function, "CreateProcessA");
  EXPECT_EQ(winsim::CallLog()[1].function, "GetExitCodeProcess");
  // Nor are the program's failures, or the caller's error put back, the outcome of the call that started it.
  EXPECT_EQ(winsim::CallLog()[0].error, 0u);
}

TEST_F(ProgramBehaviourTest, ExitCodeNeedsAProcessHandle) {
  Start();
  DWORD code = 0xdeadbeef;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(GetExitCodeProcess(info.hThread, &code));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(code, 0xdeadbeefu);
  EXPECT_TRUE(GetExitCodeProcess(GetCurrentProcess(), &code));
  EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
}

}  // namespace
