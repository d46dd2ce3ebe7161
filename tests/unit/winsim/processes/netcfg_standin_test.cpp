// The stand-in network-configuration tool: installing and uninstalling components as the library's
// command lines ask, what it leaves on the machine, and its exit codes.
#include <gtest/gtest.h>

#include <string>

#include "temp_machine.h"
#include "winsim/processes.h"
#include "winsim/registry.h"

namespace {

using winsim::testsupport::ConfigFor;
using winsim::testsupport::TempMachine;

constexpr char kTool[] = "C:\\setup\\snetcfg.exe";
constexpr char kLog[] = "C:\\snetcfg-requests.log";

class NetCfgStandInTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(winsim::WriteHostFile(kTool, "MZ"));
    ASSERT_TRUE(winsim::WriteHostFile("C:\\Data\\zelbase.inf", "[Version]"));
    winsim::InstallNetCfgStandIn(kTool);
  }

  // Runs the tool to its end and returns its exit code.
  DWORD Run(const char* commandLine, const char* directory) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::string line = commandLine;
    EXPECT_TRUE(CreateProcessA(kTool, &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, directory,
                               &startup, &info));
    WaitForSingleObject(info.hProcess, INFINITE);
    DWORD code = 0xdeadbeef;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    return code;
  }

  std::string ComponentValue(const std::string& id, const std::string& name) {
    winsim::RegValue value;
    if (!winsim::RegGetValue(winsim::NetCfgComponentsKey() + "\\" + id, name, &value)) return "<missing>";
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ));
    return value.data;
  }

  TempMachine machine{ConfigFor(winsim::OsWin7())};
};

TEST_F(NetCfgStandInTest, InstallsAndUninstallsTheComponent) {
  EXPECT_EQ(Run(" -l C:\\Data\\zelbase.inf -c s -i QD_ZelBase", "C:\\setup"), 0u);
  EXPECT_EQ(winsim::NetCfgComponents(), std::vector<std::string>{"QD_ZelBase"});
  EXPECT_EQ(ComponentValue("QD_ZelBase", "InfPath"), std::string("C:\\Data\\zelbase.inf") + '\0');
  EXPECT_EQ(ComponentValue("QD_ZelBase", "Class"), std::string("s") + '\0');
  EXPECT_EQ(ComponentValue("QD_ZelBase", "WorkingDirectory"), std::string("C:\\setup") + '\0');

  EXPECT_EQ(Run(" -u QD_ZelBase", nullptr), 0u);
  EXPECT_TRUE(winsim::NetCfgComponents().empty());
  EXPECT_EQ(winsim::OpenHandles(), 0u);
}

TEST_F(NetCfgStandInTest, LogsEachRequestLikeTheWineStandIn) {
  Run(" -l C:\\Data\\zelbase.inf -c s -i QD_ZelBase", "C:\\setup");
  Run(" -u QD_ZelBase", nullptr);
  std::string log;
  ASSERT_TRUE(winsim::ReadHostFile(kLog, &log));
  EXPECT_EQ(log,
            " -l C:\\Data\\zelbase.inf -c s -i QD_ZelBase\tC:\\setup\r\n"
            " -u QD_ZelBase\tC:\\setup\r\n");
}

struct ExitCase {
  const char* what;
  const char* commandLine;
  DWORD exitCode;
};

class NetCfgExitTest : public NetCfgStandInTest, public ::testing::WithParamInterface<ExitCase> {};

TEST_P(NetCfgExitTest, ExitsWithTheOutcome) {
  EXPECT_EQ(Run(GetParam().commandLine, "C:\\setup"), GetParam().exitCode);
  EXPECT_TRUE(winsim::NetCfgComponents().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Requests, NetCfgExitTest,
    ::testing::Values(ExitCase{"InfMissing", " -l C:\\Data\\other.inf -c s -i QD_ZelBase", 2},
                      ExitCase{"NotInstalled", " -u QD_ZelBase", 3},
                      // Without the leading blank the first word is taken for the program's name.
                      ExitCase{"NoLeadingBlank", "-u QD_ZelBase", 1}, ExitCase{"NoArguments", "", 1},
                      ExitCase{"UnknownOption", " -x QD_ZelBase", 1}, ExitCase{"OptionWithoutValue", " -u", 1}),
    [](const ::testing::TestParamInfo<ExitCase>& info) { return std::string(info.param.what); });

TEST_F(NetCfgStandInTest, SlowToolInstallsOnlyWhenItEnds) {
  winsim::NetCfgStandInOptions options;
  options.runMilliseconds = 90000;
  options.requestLog.clear();
  winsim::InstallNetCfgStandIn(kTool, options);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  char line[] = " -l C:\\Data\\zelbase.inf -c s -i QD_ZelBase";
  ASSERT_TRUE(CreateProcessA(kTool, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 60000), static_cast<DWORD>(WAIT_TIMEOUT));
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  EXPECT_TRUE(winsim::NetCfgComponents().empty());
  winsim::AdvanceClock(30000);
  EXPECT_EQ(winsim::NetCfgComponents().size(), 1u);
  EXPECT_FALSE(winsim::HostFileExists(kLog));
}

}  // namespace
