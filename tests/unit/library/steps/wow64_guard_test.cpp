// The library's WOW64 probe and redirection guard: what they ask Kernel32.dll, what they do when it
// cannot answer, and where a guarded or unguarded driver copy lands.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pe_image_writer.h"
#include "temp_machine.h"
#include "steps/file_version.h"
#include "steps/copy_driver_file.h"
#include "steps/wow64.h"
#include "winsim/modules.h"
#include "winsim/wow64.h"

namespace {

using basetdic::DriverFileCopy;
using basetdic::IsWow64;
using basetdic::WithRedirectionDisabled;
using winsim::testsupport::ConfigFor;
using winsim::testsupport::TempMachine;

const char kSource[] = "C:\\setup\\zelbase.sys";
const char kNativeDriver[] = "C:\\WINDOWS\\system32\\drivers\\zelbase.sys";
const char kWow64Driver[] = "C:\\WINDOWS\\SysWOW64\\drivers\\zelbase.sys";

std::vector<std::string> CallsOf(std::initializer_list<const char*> functions) {
  std::vector<std::string> calls;
  for (const winsim::CallRecord& call : winsim::CallLog())
    for (const char* function : functions)
      if (call.function == function)
        calls.push_back(call.function + (call.arguments.empty() ? "" : " " + call.arguments));
  return calls;
}

// An action that notes how often it ran and whether redirection was off for it.
struct Probe {
  int runs = 0;
  bool redirectionOff = false;
  static void Run(void* context) {
    Probe* probe = static_cast<Probe*>(context);
    ++probe->runs;
    probe->redirectionOff = winsim::RedirectionDisabledOnThisThread();
    GetTickCount();  // a marker in the call log
  }
};

TEST(IsWow64, AnswersWhatIsWow64ProcessSays) {
  for (bool wow64 : {false, true}) {
    TempMachine machine{ConfigFor(winsim::OsWin7(), wow64)};
    EXPECT_EQ(IsWow64(), wow64 ? TRUE : FALSE);
    EXPECT_EQ(IsWow64(), wow64 ? TRUE : FALSE) << "asked anew, same answer";
    EXPECT_EQ(CallsOf({"IsWow64Process"}).size(), 2u);
    EXPECT_EQ(CallsOf({"GetModuleHandleA"}), (std::vector<std::string>(2, "GetModuleHandleA \"Kernel32.dll\"")));
    EXPECT_TRUE(CallsOf({"LoadLibraryA", "FreeLibrary"}).empty()) << "Kernel32.dll is neither loaded nor freed";
  }
}

TEST(IsWow64, AnswersFalseWhenTheQuestionCannotBeAsked) {
  TempMachine machine{ConfigFor(winsim::OsWin7(), true)};
  winsim::RemoveExport("kernel32.dll", "IsWow64Process");
  EXPECT_EQ(IsWow64(), FALSE);

  TempMachine second{ConfigFor(winsim::OsWin7(), true)};
  winsim::FailNthCallOf("GetModuleHandleA", 1, ERROR_MOD_NOT_FOUND);
  EXPECT_EQ(IsWow64(), FALSE);
  EXPECT_TRUE(CallsOf({"IsWow64Process"}).empty());

  // A failing IsWow64Process leaves the answer as it was set: FALSE.
  winsim::FailNthCallOf("IsWow64Process", 1, ERROR_ACCESS_DENIED);
  EXPECT_EQ(IsWow64(), FALSE);
  EXPECT_EQ(IsWow64(), TRUE);
}

TEST(RedirectionGuard, RunsTheActionOnceWithRedirectionOffThenRestoresIt) {
  TempMachine machine{ConfigFor(winsim::OsWin7(), true)};
  Probe probe;
  WithRedirectionDisabled(&Probe::Run, &probe);
  EXPECT_EQ(probe.runs, 1);
  EXPECT_TRUE(probe.redirectionOff);
  EXPECT_FALSE(winsim::RedirectionDisabledOnThisThread());
  // The revert gets the state word the disable filled (0: redirection was on).
  EXPECT_EQ(CallsOf({"Wow64DisableWow64FsRedirection", "GetTickCount", "Wow64RevertWow64FsRedirection"}),
            (std::vector<std::string>{"Wow64DisableWow64FsRedirection", "GetTickCount",
                                      "Wow64RevertWow64FsRedirection 0x0"}));
  // Both lookups happen before either is tested.
  EXPECT_EQ(CallsOf({"GetProcAddress"}),
            (std::vector<std::string>{"GetProcAddress \"Wow64DisableWow64FsRedirection\"",
                                      "GetProcAddress \"Wow64RevertWow64FsRedirection\""}));
}

TEST(RedirectionGuard, NestedInsideAnotherDisableItLeavesRedirectionOff) {
  TempMachine machine{ConfigFor(winsim::OsWin7(), true)};
  PVOID outer = nullptr;
  ASSERT_TRUE(Wow64DisableWow64FsRedirection(&outer));
  Probe probe;
  WithRedirectionDisabled(&Probe::Run, &probe);
  EXPECT_TRUE(probe.redirectionOff);
  EXPECT_TRUE(winsim::RedirectionDisabledOnThisThread()) << "the saved state said 'off'";
  EXPECT_TRUE(Wow64RevertWow64FsRedirection(outer));
}

TEST(RedirectionGuard, DoesNothingWhenAFunctionIsMissing) {
  for (const char* missing : {"Wow64DisableWow64FsRedirection", "Wow64RevertWow64FsRedirection"}) {
    SCOPED_TRACE(missing);
    TempMachine machine{ConfigFor(winsim::OsWin7(), true)};
    winsim::RemoveExport("kernel32.dll", missing);
    Probe probe;
    WithRedirectionDisabled(&Probe::Run, &probe);
    EXPECT_EQ(probe.runs, 0);
    EXPECT_TRUE(CallsOf({"Wow64DisableWow64FsRedirection", "Wow64RevertWow64FsRedirection"}).empty());
  }
  TempMachine machine{ConfigFor(winsim::OsWin7(), true)};
  winsim::FailNthCallOf("GetModuleHandleA", 1, ERROR_MOD_NOT_FOUND);
  Probe probe;
  WithRedirectionDisabled(&Probe::Run, &probe);
  EXPECT_EQ(probe.runs, 0);
  EXPECT_TRUE(CallsOf({"GetProcAddress"}).empty());
}

TEST(RedirectionGuard, WhenTheSwitchFailsTheActionRunsAndNothingIsReverted) {
  // Outside WOW64 the switch fails; so does an injected fault inside it.
  TempMachine plain{ConfigFor(winsim::OsWinXp(), false)};
  Probe first;
  WithRedirectionDisabled(&Probe::Run, &first);
  EXPECT_EQ(first.runs, 1);
  EXPECT_FALSE(first.redirectionOff);
  EXPECT_TRUE(CallsOf({"Wow64RevertWow64FsRedirection"}).empty());

  TempMachine wow64{ConfigFor(winsim::OsWin7(), true)};
  winsim::FailNthCallOf("Wow64DisableWow64FsRedirection", 1, ERROR_ACCESS_DENIED);
  Probe second;
  WithRedirectionDisabled(&Probe::Run, &second);
  EXPECT_EQ(second.runs, 1);
  EXPECT_FALSE(second.redirectionOff);
  EXPECT_TRUE(CallsOf({"Wow64RevertWow64FsRedirection"}).empty());
}

class DriverCopyUnderWow64 : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(winsim::WriteHostFile(kSource, "driver bytes")); }
  TempMachine machine{ConfigFor(winsim::OsWin7(), true)};
};

TEST_F(DriverCopyUnderWow64, AGuardedCopyReachesTheNativeDriverFolder) {
  WithRedirectionDisabled(DriverFileCopy{kSource, kNativeDriver, 0});
  EXPECT_TRUE(winsim::HostFileExists(kNativeDriver));
  EXPECT_FALSE(winsim::HostFileExists(kWow64Driver));
  EXPECT_FALSE(winsim::RedirectionDisabledOnThisThread());
  EXPECT_EQ(winsim::OpenHandles(), 0u);
}

TEST_F(DriverCopyUnderWow64, AnUnguardedCopyLandsInSysWow64) {
  basetdic::CopyDriverFile(kSource, kNativeDriver, 0);
  EXPECT_FALSE(winsim::HostFileExists(kNativeDriver));
  EXPECT_TRUE(winsim::HostFileExists(kWow64Driver));
}

TEST_F(DriverCopyUnderWow64, AGuardedCopyWithoutTheFunctionsCopiesNothing) {
  winsim::RemoveExport("kernel32.dll", "Wow64RevertWow64FsRedirection");
  WithRedirectionDisabled(DriverFileCopy{kSource, kNativeDriver, 0});
  EXPECT_FALSE(winsim::HostFileExists(kNativeDriver));
  EXPECT_FALSE(winsim::HostFileExists(kWow64Driver));
}

void WriteVersioned(const char* path, const char* version) {
  ASSERT_TRUE(winsim::WriteHostFile(path, winsim::testsupport::VersionedImageBytes(version)));
}

struct VersionInsideGuard {
  static void Run(void* context) { static_cast<VersionInsideGuard*>(context)->number = basetdic::GetFileVersionNumber(kSource); }
  uint32_t number = 0xdeadbeef;
};

// With redirection off the loader reaches the native system folder, so version.dll cannot be loaded
// there. The guarded copy binds it beforehand, and its version check still keeps a newer driver.
TEST_F(DriverCopyUnderWow64, AGuardedCopyStillKeepsANewerInstalledDriver) {
  WriteVersioned(kSource, "1.0.0.0");
  VersionInsideGuard inside;
  WithRedirectionDisabled(&VersionInsideGuard::Run, &inside);
  EXPECT_EQ(inside.number, 0u) << "version.dll does not load while redirection is off";

  WriteVersioned(kNativeDriver, "2.0.0.0");
  std::string before;
  ASSERT_TRUE(winsim::ReadHostFile(kNativeDriver, &before));
  WithRedirectionDisabled(DriverFileCopy{kSource, kNativeDriver, 1});
  std::string after;
  ASSERT_TRUE(winsim::ReadHostFile(kNativeDriver, &after));
  EXPECT_EQ(after, before);
  const winsim::ModuleUsage usage = winsim::UsageOf("version.dll");
  EXPECT_EQ(usage.loads, usage.frees);
  EXPECT_FALSE(usage.loaded);

  WriteVersioned(kSource, "3.0.0.0");
  WithRedirectionDisabled(DriverFileCopy{kSource, kNativeDriver, 1});
  ASSERT_TRUE(winsim::ReadHostFile(kNativeDriver, &after));
  EXPECT_NE(after, before) << "a newer setup copy replaces the installed driver";
}

}  // namespace
