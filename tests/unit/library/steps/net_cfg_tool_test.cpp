// RunNetCfgTool: the hidden launch, the bounded wait, and that only a failed launch is a failure.
#include <gtest/gtest.h>

#include <string>

#include "support/launch_checks.h"
#include "temp_machine.h"
#include "steps/net_cfg_tool.h"
#include "winsim/processes.h"

namespace {

using namespace runner_checks;
using basetdic::RunNetCfgTool;
using winsim::LaunchRecord;
using winsim::ProgramBehaviour;
using winsim::testsupport::ConfigFor;
using winsim::testsupport::TempMachine;

constexpr char kTool[] = "C:\\setup\\snetcfg.exe";

class NetCfgToolTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(winsim::WriteHostFile(kTool, "MZ")); }
  void TearDown() override { EXPECT_EQ(winsim::OpenHandles(), 0u); }

  TempMachine machine{ConfigFor(winsim::OsWin7())};
};

TEST_F(NetCfgToolTest, StartsTheToolHiddenWithTheGivenLineAndDirectory) {
  ASSERT_TRUE(RunNetCfgTool(kTool, " -l C:\\Data\\zelbase.inf -c s -i QD_ZelBase", "C:\\setup"));
  LaunchRecord launch = OnlyLaunch();
  EXPECT_EQ(launch.applicationName, std::optional<std::string>(kTool));
  EXPECT_EQ(launch.programCommandLine, " -l C:\\Data\\zelbase.inf -c s -i QD_ZelBase");
  EXPECT_EQ(launch.workingDirectory, "C:\\setup");
  EXPECT_EQ(launch.creationFlags, static_cast<DWORD>(CREATE_NO_WINDOW));
  EXPECT_EQ(launch.startupInfoSize, sizeof(STARTUPINFOA));
  EXPECT_EQ(launch.startupFlags, 0u);
  EXPECT_EQ(launch.showWindow, 0);
}

TEST_F(NetCfgToolTest, WithoutDirectoryTheToolRunsInTheCallersDirectory) {
  ASSERT_TRUE(winsim::WriteHostFile("C:\\elsewhere\\keep", ""));
  winsim::SetCurrentDirectory("C:\\elsewhere");
  ASSERT_TRUE(RunNetCfgTool(kTool, " -u QD_ZelBase", nullptr));
  LaunchRecord launch = OnlyLaunch();
  EXPECT_FALSE(launch.currentDirectory.has_value());
  EXPECT_EQ(launch.workingDirectory, "C:\\elsewhere");
  EXPECT_EQ(launch.programCommandLine, " -u QD_ZelBase");
}

TEST_F(NetCfgToolTest, MissingToolFailsAtOnceWithoutWaiting) {
  winsim::ClearCallLog();
  EXPECT_FALSE(RunNetCfgTool("C:\\setup\\missing.exe", " -u QD_ZelBase", nullptr));
  EXPECT_TRUE(winsim::Launches().empty());
  EXPECT_EQ(winsim::ClockMilliseconds(), 0u);
  EXPECT_EQ(CallsOf("WaitForSingleObject"), 0u);
  EXPECT_EQ(CallsOf("CloseHandle"), 0u);
}

TEST_F(NetCfgToolTest, ToolThatFailsStillCountsAsLaunched) {
  winsim::SetProgramBehaviour(kTool, ProgramBehaviour{1, 2000, nullptr, nullptr});
  EXPECT_TRUE(RunNetCfgTool(kTool, " -u QD_ZelBase", nullptr));
  LaunchRecord launch = OnlyLaunch();
  EXPECT_TRUE(launch.exited);
  EXPECT_EQ(launch.exitCode, 1u);
  EXPECT_EQ(winsim::ClockMilliseconds(), 2000u);
}

TEST_F(NetCfgToolTest, ToolOutlivingTheWaitIsLeftRunningAfterSixtySeconds) {
  winsim::SetProgramBehaviour(kTool, ProgramBehaviour{0, 120000, nullptr, nullptr});
  winsim::ClearCallLog();
  EXPECT_TRUE(RunNetCfgTool(kTool, " -u QD_ZelBase", nullptr));
  EXPECT_EQ(winsim::ClockMilliseconds(), 60000u);
  EXPECT_EQ(winsim::RunningPrograms(), 1u);
  EXPECT_FALSE(OnlyLaunch().exited);
  // One bounded wait, then both handles closed.
  ASSERT_EQ(winsim::CallLog().size(), 4u);
  EXPECT_EQ(winsim::CallLog()[1].function, "WaitForSingleObject");
  EXPECT_EQ(winsim::CallLog()[1].arguments, "60000");
  EXPECT_EQ(winsim::CallLog()[2].function, "CloseHandle");
  EXPECT_EQ(winsim::CallLog()[3].function, "CloseHandle");
  winsim::AdvanceClock(60000);
  EXPECT_EQ(winsim::RunningPrograms(), 0u);
}

TEST_F(NetCfgToolTest, CommandLineTooLongToPassIsRefusedUncut) {
  std::string line = " -l " + std::string(1100, 'x');
  winsim::ClearCallLog();
  EXPECT_FALSE(RunNetCfgTool(kTool, line.c_str(), nullptr));
  EXPECT_EQ(CallsOf("CreateProcessA"), 0u);
}

}  // namespace
