// The host's import-table interposer under Wine, on the payload's basetdic.dll (the shipping i686 DLL in
// the 32-bit prefixes, the twin with wine64): it knows every import, records what winsim's call log
// holds for the same run but for the named platform differences, leaves the library's handles balanced,
// and an injected failure is one the library sees; on a module of its own it passes through what it does
// not know and stops when removed.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "interposer_recorder.h"
#include "scenario_checks.h"
#include "scenario_platform.h"
#include "support/sweep/call_log_text.h"
#include "support/sweep/expected_call_logs.h"
#include "support/sweep/sweep_point.h"
#include "wine_library.h"

namespace {

using host::interposer::Interposer;

// The scenarios of this Windows version this process can run (WOW64 or not).
std::vector<const sweep::SweepScenario*> ScenariosHere() {
  std::vector<const sweep::SweepScenario*> here;
  const std::string version = scenarios::VersionsUnderTest().front();
  for (const sweep::SweepScenario& scenario : sweep::SweepScenarios())
    if (scenario.version == version && scenario.wow64 == winetest::ProcessIsWow64()) here.push_back(&scenario);
  return here;
}

class InterposerOnTheLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    if (interposer_.get() == nullptr) FAIL() << "no interposer on the library: " << interposer_.error();
  }
  Interposer& interposer() { return *interposer_.get(); }

 private:
  winetest::LibraryInterposer interposer_;
};

TEST_F(InterposerOnTheLibrary, KnowsEveryImportOfTheLibrary) {
  EXPECT_EQ(interposer().NotDecoded(), std::vector<std::string>());
}

TEST_F(InterposerOnTheLibrary, RecordsWhatWinsimLogsButForTheNamedDifferences) {
  winetest::InterposerRecorder recorder(interposer());
  int compared = 0;
  for (const sweep::ExpectedCallLog& expected : sweep::ExpectedCallLogs()) {
    const sweep::SweepScenario& scenario = *sweep::FindSweepScenario(expected.scenario);
    if (scenario.version != scenarios::VersionsUnderTest().front() || winetest::ProcessIsWow64()) continue;
    SCOPED_TRACE(expected.scenario);
    ++compared;
    const sweep::PointRun clean = sweep::RunPoint(scenario, recorder, {});
    EXPECT_EQ(sweep::ComparableCalls(clean.calls, sweep::PathsOfThisMachine(clean.setupFolder)),
              sweep::ExpectedCallsOn("wine", expected));
  }
  if (compared == 0) GTEST_SKIP() << "no expected call log for this Windows version";
}

TEST_F(InterposerOnTheLibrary, LeavesNoHandleOfTheLibraryOpenOnACleanRun) {
  winetest::InterposerRecorder recorder(interposer());
  for (const sweep::SweepScenario* scenario : ScenariosHere()) {
    SCOPED_TRACE(scenario->name);
    const sweep::PointRun clean = sweep::RunPoint(*scenario, recorder, {});
    EXPECT_FALSE(clean.calls.empty());
    EXPECT_EQ(clean.handlesLeft, sweep::HandleCounts()) << "left open when the operation returned";
    std::vector<std::string> open;
    for (const host::interposer::OpenHandle& handle : interposer().OpenHandleList())
      open.push_back(std::string(host::interposer::HandleKindName(handle.kind)) + " " + handle.what);
    EXPECT_EQ(open, std::vector<std::string>()) << "left open once the object was released";
  }
}

// CreateServiceA is bound at run time by the service installer: its failure, injected through the wrapper
// GetProcAddress handed out, is the installer's (it traces the error and starts nothing), while the
// install reports success as it always does past its gate on XP.
TEST_F(InterposerOnTheLibrary, AFailedCreateServiceIsTheServiceInstallersFailure) {
  if (scenarios::VersionsUnderTest().front() != "winxp" || winetest::ProcessIsWow64())
    GTEST_SKIP() << "the kernel service is installed on XP, here by a native process";
  std::unique_ptr<scenarios::MachineFacade> machine = scenarios::MakeMachine("winxp");
  scenarios::SwitchTrace(true);
  const std::string setup = machine->MakeSetupFolder("2.0.0.0", "2.0.0.0");
  scenarios::HostSession session(*machine, "FwBase2K", setup);
  interposer().ClearCalls();
  ASSERT_TRUE(interposer().FailNthCallOf("CreateServiceA", 1, ERROR_ACCESS_DENIED));
  const ModuleStatus status = session.Install();
  EXPECT_EQ(status.result, 1u);
  EXPECT_EQ(status.pending, 0u);

  std::vector<std::string> services;
  for (const host::interposer::Call& call : interposer().Calls()) {
    if (call.function.find("Service") == std::string::npos) continue;
    services.push_back(call.function + " " + std::to_string(call.error) + (call.injected ? " injected" : ""));
  }
  EXPECT_EQ(services, (std::vector<std::string>{"OpenServiceA 1060", "CreateServiceA 5 injected",
                                                "CloseServiceHandle 0"}));
  EXPECT_NE(scenarios::TraceText().find("CreateServidce Fail. LastError:5"), std::string::npos)
      << scenarios::TraceText();
  EXPECT_FALSE(scenarios::ReadService("ZelBase").exists);
}

// ---- the interposer on this program itself -----------------------------------------------------

TEST(InterposerOnAModule, PassesThroughWhatItDoesNotKnowAndStopsWhenRemoved) {
  if (winetest::BasetdicLibrary().interposer != nullptr) GTEST_SKIP() << "the run's interposer is installed";
  std::string error;
  {
    std::unique_ptr<Interposer> interposer = Interposer::Install(GetModuleHandleA(nullptr), &error);
    ASSERT_TRUE(interposer) << error;
    bool listed = false;
    for (const std::string& name : interposer->NotDecoded())
      listed = listed || name.find("!GetEnvironmentVariableA") != std::string::npos;
    EXPECT_TRUE(listed) << "an import the table does not know is listed";
    EXPECT_FALSE(host::interposer::IsInterposed("GetEnvironmentVariableA"));
    const std::vector<std::string> wrapped = host::interposer::InterposedFunctions();
    for (const char* bound : {"CreateServiceA", "StartServiceA", "ControlService", "DeleteService", "OpenServiceA",
                              "OpenSCManagerA", "CloseServiceHandle", "IsWow64Process", "VerQueryValueA"}) {
      EXPECT_TRUE(host::interposer::IsInterposed(bound)) << bound;
      EXPECT_NE(std::find(wrapped.begin(), wrapped.end(), bound), wrapped.end()) << bound;
    }
    char value[8];
    EXPECT_EQ(GetEnvironmentVariableA("BASETDIC_NOT_SET_ANYWHERE", value, sizeof(value)), 0u) << "passed through";

    EXPECT_NE(GetFileAttributesA("C:\\"), INVALID_FILE_ATTRIBUTES);
    ASSERT_TRUE(interposer->FailNthCallOf("GetFileAttributesA", 2, ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(interposer->FailNthCallOf("GetTickCount", 1, 0)) << "a call with no failure to show";
    EXPECT_FALSE(interposer->FailNthCallOf("NoSuchFunction", 1, 0));
    EXPECT_NE(GetFileAttributesA("C:\\"), INVALID_FILE_ATTRIBUTES);
    SetLastError(0);
    EXPECT_EQ(GetFileAttributesA("C:\\"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    std::vector<std::string> calls;
    for (const host::interposer::Call& call : interposer->Calls())
      if (call.function == "GetFileAttributesA") calls.push_back(call.arguments + " = " + std::to_string(call.error));
    EXPECT_EQ(calls, (std::vector<std::string>{"\"C:\\\" = 0", "\"C:\\\" = 0",
                                               "\"C:\\\" -> injected fault 32 = 32"}));
    EXPECT_EQ(interposer->FaultsFired(), 1u);
  }
  std::unique_ptr<Interposer> again = Interposer::Install(GetModuleHandleA(nullptr), &error);
  ASSERT_TRUE(again) << "removed, it can be installed again: " << error;
  again.reset();
  EXPECT_NE(GetFileAttributesA("C:\\"), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
