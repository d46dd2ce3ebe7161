// ShellExecuteA and WinExec: their results, and the launch records they leave.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "temp_machine.h"
#include "winsim/processes.h"

namespace {

using winsim::LaunchOrigin;
using winsim::LaunchRecord;
using winsim::testsupport::ConfigFor;
using winsim::testsupport::TempMachine;

intptr_t Result(HINSTANCE instance) { return reinterpret_cast<intptr_t>(instance); }

class ShellLaunchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(winsim::WriteHostFile("C:\\apps\\viewer.exe", "MZ"));
    ASSERT_TRUE(winsim::WriteHostFile("C:\\apps\\readme.txt", "text"));
  }
  void TearDown() override { EXPECT_EQ(winsim::OpenHandles(), 0u); }

  TempMachine machine{ConfigFor(winsim::OsWinXp())};
};

TEST_F(ShellLaunchTest, ShellExecuteStartsAProgramAndRecordsHow) {
  EXPECT_GT(Result(ShellExecuteA(nullptr, "Open", "C:\\apps\\viewer.exe", "-a file", "C:\\apps", SW_SHOW)), 32);
  std::vector<LaunchRecord> launches = winsim::Launches();
  ASSERT_EQ(launches.size(), 1u);
  const LaunchRecord& launch = launches[0];
  EXPECT_EQ(launch.origin, LaunchOrigin::ShellExecute);
  EXPECT_EQ(launch.imagePath, "C:\\apps\\viewer.exe");
  EXPECT_EQ(launch.verb, std::optional<std::string>("Open"));
  EXPECT_EQ(launch.parameters, std::optional<std::string>("-a file"));
  EXPECT_EQ(launch.programCommandLine, "\"C:\\apps\\viewer.exe\" -a file");
  EXPECT_EQ(launch.workingDirectory, "C:\\apps");
  EXPECT_EQ(launch.showWindow, SW_SHOW);
}

struct ShellFailure {
  const char* what;
  const char* verb;
  const char* file;
  const char* directory;
  intptr_t result;
};

class ShellFailureTest : public ShellLaunchTest, public ::testing::WithParamInterface<ShellFailure> {};

TEST_P(ShellFailureTest, RefusesWithAnErrorOf32OrLess) {
  const ShellFailure& c = GetParam();
  EXPECT_EQ(Result(ShellExecuteA(nullptr, c.verb, c.file, nullptr, c.directory, SW_SHOW)), c.result);
  EXPECT_TRUE(winsim::Launches().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Results, ShellFailureTest,
    ::testing::Values(ShellFailure{"MissingFile", "Open", "C:\\apps\\missing.exe", nullptr, SE_ERR_FNF},
                      ShellFailure{"MissingFolder", "Open", "C:\\nowhere\\viewer.exe", nullptr, SE_ERR_PNF},
                      ShellFailure{"NoFile", "Open", nullptr, nullptr, SE_ERR_FNF},
                      ShellFailure{"Document", "Open", "C:\\apps\\readme.txt", nullptr, SE_ERR_NOASSOC},
                      ShellFailure{"UnknownVerb", "frobnicate", "C:\\apps\\viewer.exe", nullptr, SE_ERR_NOASSOC},
                      ShellFailure{"MissingDirectory", "Open", "C:\\apps\\viewer.exe", "C:\\nowhere", ERROR_BAD_FORMAT}),
    [](const ::testing::TestParamInfo<ShellFailure>& info) { return std::string(info.param.what); });

TEST_F(ShellLaunchTest, WinExecStartsTheFirstTokenShownAsAsked) {
  EXPECT_GE(WinExec("\"C:\\apps\\viewer.exe\" -x", SW_SHOWNORMAL), 32u);
  std::vector<LaunchRecord> launches = winsim::Launches();
  ASSERT_EQ(launches.size(), 1u);
  EXPECT_EQ(launches[0].origin, LaunchOrigin::WinExec);
  EXPECT_EQ(launches[0].imagePath, "C:\\apps\\viewer.exe");
  EXPECT_EQ(launches[0].programCommandLine, "\"C:\\apps\\viewer.exe\" -x");
  EXPECT_EQ(launches[0].startupFlags, static_cast<DWORD>(STARTF_USESHOWWINDOW));
  EXPECT_EQ(launches[0].showWindow, SW_SHOWNORMAL);
}

TEST_F(ShellLaunchTest, WinExecReportsAMissingProgramAsTwo) {
  SetLastError(0xdeadbeef);
  EXPECT_EQ(WinExec("C:\\apps\\missing.exe", SW_SHOW), static_cast<UINT>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(winsim::Launches().empty());
}

TEST_F(ShellLaunchTest, ShellLaunchesDoNotWaitForTheProgram) {
  winsim::SetProgramBehaviour("C:\\apps\\viewer.exe", winsim::ProgramBehaviour{0, 5000, nullptr, nullptr});
  EXPECT_GT(Result(ShellExecuteA(nullptr, "open", "C:\\apps\\viewer.exe", nullptr, nullptr, SW_SHOW)), 32);
  EXPECT_GE(WinExec("C:\\apps\\viewer.exe", SW_SHOW), 32u);
  EXPECT_EQ(winsim::ClockMilliseconds(), 0u);
  EXPECT_EQ(winsim::RunningPrograms(), 2u);
}

}  // namespace
