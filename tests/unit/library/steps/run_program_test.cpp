// RunProgram: the shell first, WinExec with a quoted path as the fallback, and the result thresholds of each.
#include <gtest/gtest.h>

#include <string>

#include "support/launch_checks.h"
#include "temp_machine.h"
#include "steps/run_program.h"
#include "winsim/processes.h"

namespace {

using namespace runner_checks;
using basetdic::RunProgram;
using winsim::LaunchOrigin;
using winsim::testsupport::ConfigFor;
using winsim::testsupport::TempMachine;

constexpr char kProgram[] = "C:\\apps\\viewer.exe";

class RunProgramTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(winsim::WriteHostFile(kProgram, "MZ")); }
  void TearDown() override { EXPECT_EQ(winsim::OpenHandles(), 0u); }

  TempMachine machine{ConfigFor(winsim::OsWinXp())};
};

TEST_F(RunProgramTest, ShellOpensTheProgramShownWithoutWaiting) {
  winsim::SetProgramBehaviour(kProgram, winsim::ProgramBehaviour{0, 10000, nullptr, nullptr});
  EXPECT_TRUE(RunProgram(kProgram, "-a"));
  ASSERT_EQ(winsim::Launches().size(), 1u);
  const winsim::LaunchRecord launch = winsim::Launches()[0];
  EXPECT_EQ(launch.origin, LaunchOrigin::ShellExecute);
  EXPECT_EQ(launch.verb, std::optional<std::string>("Open"));
  EXPECT_EQ(launch.parameters, std::optional<std::string>("-a"));
  EXPECT_FALSE(launch.currentDirectory.has_value());
  EXPECT_EQ(launch.showWindow, SW_SHOW);
  EXPECT_TRUE(CallArguments("WinExec").empty());
  EXPECT_EQ(winsim::ClockMilliseconds(), 0u);
}

TEST_F(RunProgramTest, NoPathStartsNothing) {
  EXPECT_FALSE(RunProgram(nullptr, "-a"));
  EXPECT_TRUE(CallArguments("ShellExecuteA").empty());
  EXPECT_TRUE(CallArguments("WinExec").empty());
}

struct FallbackCase {
  const char* what;
  const char* parameters;
  DWORD shellResult;  // injected into ShellExecuteA
  const char* winExecLine;
};

class RunProgramFallbackTest : public RunProgramTest, public ::testing::WithParamInterface<FallbackCase> {};

TEST_P(RunProgramFallbackTest, ShellRefusalFallsBackToWinExec) {
  const FallbackCase& c = GetParam();
  winsim::FailNthCallOf("ShellExecuteA", 1, c.shellResult);
  EXPECT_TRUE(RunProgram(kProgram, c.parameters));
  ASSERT_EQ(CallArguments("WinExec").size(), 1u);
  EXPECT_EQ(CallArguments("WinExec")[0], std::string("\"") + c.winExecLine + "\", 5");
  ASSERT_EQ(winsim::Launches().size(), 1u);
  EXPECT_EQ(winsim::Launches()[0].origin, LaunchOrigin::WinExec);
  EXPECT_EQ(winsim::Launches()[0].imagePath, kProgram);
}

INSTANTIATE_TEST_SUITE_P(
    Shell, RunProgramFallbackTest,
    ::testing::Values(FallbackCase{"QuotedWithParameters", "-a b", SE_ERR_NOASSOC, "\"C:\\apps\\viewer.exe\" -a b"},
                      FallbackCase{"PathAloneWithoutParameters", nullptr, SE_ERR_FNF, "C:\\apps\\viewer.exe"},
                      // 32 is still a refusal: only results above it mean started.
                      FallbackCase{"ThirtyTwoIsARefusal", nullptr, 32, "C:\\apps\\viewer.exe"}),
    [](const ::testing::TestParamInfo<FallbackCase>& info) { return std::string(info.param.what); });

struct WinExecCase {
  DWORD result;  // injected into WinExec
  bool started;
};

class RunProgramWinExecTest : public RunProgramTest, public ::testing::WithParamInterface<WinExecCase> {};

TEST_P(RunProgramWinExecTest, WinExecResultsOf31OrMoreCountAsStarted) {
  winsim::FailNthCallOf("ShellExecuteA", 1, SE_ERR_NOASSOC);
  winsim::FailNthCallOf("WinExec", 1, GetParam().result);
  EXPECT_EQ(RunProgram(kProgram, nullptr), GetParam().started);
}

INSTANTIATE_TEST_SUITE_P(Thresholds, RunProgramWinExecTest,
                         ::testing::Values(WinExecCase{2, false}, WinExecCase{30, false}, WinExecCase{31, true}));

TEST_F(RunProgramTest, FallbackLineOver259CharactersIsNotRun) {
  std::string path = "C:\\" + std::string(240, 'd') + "\\x.exe";
  EXPECT_FALSE(RunProgram(path.c_str(), "-parameters-that-overflow"));
  EXPECT_EQ(CallArguments("ShellExecuteA").size(), 1u);
  EXPECT_TRUE(CallArguments("WinExec").empty());
}

}  // namespace
