// The library as a 32-bit program on 64-bit Windows (WOW64), where a path into the system directory
// reaches the 32-bit SysWOW64 unless redirection is switched off. The driver copies that WOW64 changes,
// one row each: where the file lands (the native driver folder, never the 32-bit view), whether it is
// made at all, and what the install registers. winsim runs every row; under Wine the rows of the
// prefix's version run when the program is a WOW64 process.
#include <gtest/gtest.h>

#include "scenario_checks.h"
#include "scenario_platform.h"
#include "wine_gap.h"

namespace scenarios {
namespace {

const char kZelBaseKey[] = "SYSTEM\\CurrentControlSet\\Services\\ZelBase";
const char kDataPath[] = "C:\\QandorData";
const char kSetupVersion[] = "2.0.0.0";

enum class Operation { Install, Update };

struct Wow64Case {
  const char* name;
  const char* version;  // the Windows version the row runs on
  const char* kind;
  Operation operation;
  bool nativeCopy;         // zelbase.sys reaches the native driver folder
  const char* dependency;  // the ZelBase service's DependOnService, or null when the row registers none
};

const Wow64Case kCases[] = {
    // Install of the kernel service leaves the driver file to the 64-bit side and depends on its filter.
    {"KernelServiceInstallCopiesNothing", "winxp", "FwBase2K", Operation::Install, false, "IpFilterDriver"},
    {"KernelServiceUpdateCopiesWithRedirectionOff", "winxp", "FwBase2K", Operation::Update, true, nullptr},
    {"NetworkComponentInstallCopiesWithRedirectionOff", "win7", "FwBaseVt", Operation::Install, true, nullptr},
    {"NetworkComponentUpdateCopiesWithRedirectionOff", "win7", "FwBaseVt", Operation::Update, true, nullptr},
};

class Wow64Scenario : public ::testing::TestWithParam<std::string> {};

TEST_P(Wow64Scenario, DriverCopiesReachTheNativeDriverFolder) {
  int ran = 0;
  for (const Wow64Case& row : kCases) {
    if (GetParam() != row.version) continue;
    SCOPED_TRACE(row.name);
    std::unique_ptr<MachineFacade> machine = MakeMachine(GetParam());
    if (!machine->RunUnderWow64(true)) GTEST_SKIP() << "not a WOW64 process";
    ++ran;
    std::string setup = machine->MakeSetupFolder(kSetupVersion, kSetupVersion);
    machine->SetProductDataPath(kDataPath);
    ModuleStatus status;
    {
      HostSession session(*machine, row.kind, setup);
      status = row.operation == Operation::Install ? session.Install() : session.Update();
    }
    EXPECT_EQ(status.result, 1u);
    EXPECT_EQ(status.pending, 1u) << "every WOW64 row reports a pending step";

    const std::string driver = DriverPath("zelbase.sys");
    EXPECT_FALSE(FileExists(driver)) << "a copy landed in the 32-bit view (SysWOW64)";
    EXPECT_EQ(NativeFileExists(driver), row.nativeCopy) << "native " << driver;
    if (row.nativeCopy) {
      NativeFileView native;
      EXPECT_EQ(FileVersionText(driver), kSetupVersion);
    }
    if (row.dependency) {
      std::string dependency = std::string(row.dependency) + std::string(2, '\0');
      RegistryValue value = ReadValue(kZelBaseKey, "DependOnService");
      EXPECT_EQ(value.type, static_cast<DWORD>(REG_MULTI_SZ));
      EXPECT_WINE_GAP(On32BitWine(*machine), kAnsiDependencyGap, EXPECT_EQ(value.bytes, dependency));
    }
  }
  if (ran == 0) GTEST_SKIP() << "no WOW64 row for " << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Windows, Wow64Scenario, ::testing::ValuesIn(VersionsUnderTest()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
}  // namespace scenarios
