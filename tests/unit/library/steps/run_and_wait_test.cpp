// RunAndWait: command line, working directory, start-up values and the time-out rules.
#include <gtest/gtest.h>

#include <string>

#include "support/launch_checks.h"
#include "temp_machine.h"
#include "steps/run_and_wait.h"
#include "winsim/processes.h"

namespace {

using namespace runner_checks;
using basetdic::RunAndWait;
using winsim::LaunchRecord;
using winsim::ProgramBehaviour;
using winsim::testsupport::ConfigFor;
using winsim::testsupport::TempMachine;

constexpr char kProgram[] = "C:\\tools\\sub\\prog.exe";

class RunAndWaitTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(winsim::WriteHostFile(kProgram, "MZ")); }
  void TearDown() override { EXPECT_EQ(winsim::OpenHandles(), 0u); }

  // The directory argument CreateProcessA was given, as the call log shows it.
  std::string LoggedDirectory() {
    for (const winsim::CallRecord& call : winsim::CallLog()) {
      if (call.function != "CreateProcessA") continue;
      size_t last = call.arguments.rfind(", ");
      return call.arguments.substr(last + 2);
    }
    return "<no launch>";
  }

  TempMachine machine{ConfigFor(winsim::OsWinXp())};
};

TEST_F(RunAndWaitTest, StartsFromTheProgramsDirectoryShownByDefault) {
  EXPECT_TRUE(RunAndWait(kProgram, "-a b", -1));
  LaunchRecord launch = OnlyLaunch();
  EXPECT_EQ(launch.applicationName, std::optional<std::string>(kProgram));
  EXPECT_EQ(launch.commandLine, std::optional<std::string>(" -a b"));
  EXPECT_EQ(launch.currentDirectory, std::optional<std::string>("C:\\tools\\sub"));
  EXPECT_EQ(launch.creationFlags, static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
  EXPECT_EQ(launch.startupInfoSize, sizeof(STARTUPINFOA));
  EXPECT_EQ(launch.startupFlags, static_cast<DWORD>(STARTF_USESHOWWINDOW));
  EXPECT_EQ(launch.showWindow, SW_SHOWDEFAULT);
}

TEST_F(RunAndWaitTest, WithoutArgumentsPassesNoCommandLine) {
  EXPECT_TRUE(RunAndWait(kProgram, nullptr, -1));
  EXPECT_FALSE(OnlyLaunch().commandLine.has_value());
}

struct TimeoutCase {
  const char* what;
  DWORD runMs;
  int timeoutMs;
  bool result;
  ULONGLONG clockAfter;
  bool stillRunning;
};

class RunAndWaitTimeoutTest : public RunAndWaitTest, public ::testing::WithParamInterface<TimeoutCase> {};

TEST_P(RunAndWaitTimeoutTest, ReturnsWhetherTheProgramEndedInTime) {
  const TimeoutCase& c = GetParam();
  winsim::SetProgramBehaviour(kProgram, ProgramBehaviour{5, c.runMs, nullptr, nullptr});
  EXPECT_EQ(RunAndWait(kProgram, nullptr, c.timeoutMs), c.result);
  EXPECT_EQ(winsim::ClockMilliseconds(), c.clockAfter);
  EXPECT_EQ(winsim::RunningPrograms(), c.stillRunning ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Waits, RunAndWaitTimeoutTest,
    ::testing::Values(TimeoutCase{"ZeroTimeoutProgramDone", 0, 0, true, 0, false},
                      TimeoutCase{"ZeroTimeoutProgramRunning", 1000, 0, false, 0, true},
                      TimeoutCase{"EndsBeforeTimeout", 1000, 5000, true, 1000, false},
                      TimeoutCase{"EndsExactlyAtTimeout", 5000, 5000, true, 5000, false},
                      TimeoutCase{"OutlivesTimeout", 120000, 60000, false, 60000, true},
                      TimeoutCase{"MinusOneWaitsToTheEnd", 120000, -1, true, 120000, false},
                      TimeoutCase{"AnyNegativeWaitsToTheEnd", 7200000, -5, true, 7200000, false}),
    [](const ::testing::TestParamInfo<TimeoutCase>& info) { return std::string(info.param.what); });

TEST_F(RunAndWaitTest, MissingProgramIsNotStarted) {
  EXPECT_FALSE(RunAndWait("C:\\tools\\sub\\missing.exe", nullptr, -1));
  EXPECT_TRUE(winsim::Launches().empty());
  EXPECT_FALSE(RunAndWait(nullptr, "-a", -1));
  EXPECT_TRUE(winsim::Launches().empty());
}

TEST_F(RunAndWaitTest, PathWithoutBackslashRunsInTheCallersDirectory) {
  ASSERT_TRUE(winsim::WriteHostFile("C:\\setup\\local.exe", "MZ"));
  EXPECT_TRUE(RunAndWait("local.exe", nullptr, -1));
  LaunchRecord launch = OnlyLaunch();
  EXPECT_FALSE(launch.currentDirectory.has_value());
  EXPECT_EQ(launch.workingDirectory, "C:\\setup");
}

TEST_F(RunAndWaitTest, ArgumentsUpTo1022CharactersFit) {
  std::string longest(1022, 'a');
  EXPECT_TRUE(RunAndWait(kProgram, longest.c_str(), -1));
  EXPECT_EQ(OnlyLaunch().commandLine, std::optional<std::string>(" " + longest));

  winsim::ClearCallLog();
  std::string tooLong(1023, 'a');
  EXPECT_FALSE(RunAndWait(kProgram, tooLong.c_str(), -1));
  EXPECT_EQ(LoggedDirectory(), "<no launch>");
}

TEST_F(RunAndWaitTest, ProgramPathOver259CharactersIsRefusedUncut) {
  std::string path = "C:\\" + std::string(252, 'd') + "\\p.exe";  // 261 characters
  ASSERT_EQ(path.size(), 261u);
  winsim::ClearCallLog();
  EXPECT_FALSE(RunAndWait(path.c_str(), nullptr, -1));
  EXPECT_EQ(LoggedDirectory(), "<no launch>");
}

// In code page 932 the bytes 0x95 0x5C are one character whose trail byte is a backslash; the program's
// directory ends at the last real backslash.
struct CodePageCase {
  UINT codePage;
  const char* directory;
};

class RunAndWaitCodePageTest : public RunAndWaitTest, public ::testing::WithParamInterface<CodePageCase> {};

TEST_P(RunAndWaitCodePageTest, DirectoryEndsAtTheLastWholeBackslash) {
  winsim::SetCodePage(GetParam().codePage);
  winsim::ClearCallLog();
  RunAndWait("C:\\dir\\\x95\x5C.exe", nullptr, 0);
  EXPECT_EQ(LoggedDirectory(), std::string("\"") + GetParam().directory + "\"");
}

INSTANTIATE_TEST_SUITE_P(CodePages, RunAndWaitCodePageTest,
                         ::testing::Values(CodePageCase{1252, "C:\\dir\\\x95"}, CodePageCase{932, "C:\\dir"}));

}  // namespace
