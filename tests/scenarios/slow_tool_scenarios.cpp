// The network-configuration tool outliving the library's one-minute wait. On winsim the minute passes on
// the simulated clock; under Wine it is a real minute, so the case carries the _Slow suffix and the Wine
// suite runs it once.
#include <gtest/gtest.h>
#include <windows.h>

#include "scenario_checks.h"
#include "scenario_platform.h"

namespace {

constexpr DWORD kLibraryWaitMs = 60000;
constexpr DWORD kToolRunMs = 75000;

class SlowToolScenario : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    machine = scenarios::MakeMachine(GetParam());
    if (!machine->RunUnderWow64(false)) GTEST_SKIP() << "a WOW64 process: the driver copy goes elsewhere";
  }
  std::unique_ptr<scenarios::MachineFacade> machine;
};

// The install gives up waiting after a minute, finishes its own steps and reports success; the tool
// keeps running and no handle of it stays with the caller.
TEST_P(SlowToolScenario, InstallStopsWaitingForTheToolAfterAMinute_Slow) {
  if (GetParam() != "win7") GTEST_SKIP() << "the tool runs on NT 6.x only";
  machine->SetToolBehaviour(0, kToolRunMs);
  const std::string setup = machine->MakeSetupFolder("1.0.0.1", "1.0.0.1");
  machine->SetProductDataPath("C:\\QandorData");
  scenarios::HostSession session(*machine, "FwBaseVt", setup);
  session.PresetStatus(7, 7);

  const scenarios::HandleFingerprint before = machine->TakeHandleFingerprint();
  const DWORD started = GetTickCount();
  const ModuleStatus status = session.Install();
  const DWORD waited = GetTickCount() - started;
  EXPECT_TRUE(before == machine->TakeHandleFingerprint()) << "the install left a handle open";

  EXPECT_EQ(status.result, 1u);
  EXPECT_EQ(status.pending, 1u);
  EXPECT_GE(waited, kLibraryWaitMs) << "returned before the wait ran out";
  EXPECT_LT(waited, kToolRunMs - 5000) << "waited for the tool to end";
  // The driver copy follows the wait.
  EXPECT_EQ(scenarios::FileVersionText(scenarios::DriverPath("zelbase.sys")), "1.0.0.1");
}

INSTANTIATE_TEST_SUITE_P(Windows, SlowToolScenario, ::testing::ValuesIn(scenarios::VersionsUnderTest()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
