// The start operation: which kind starts which driver on which version, the device probe that settles
// it, and the service it creates otherwise.
#include <cstring>

#include "basetdic/module_obj.h"
#include "rules/branch_choice.h"
#include "service_test_support.h"
#include "support/version_record.h"

namespace {

using basetdic::ChooseStartBranch;
using basetdic::ModuleKind;
using basetdic::StartBranch;
using servicetest::ServiceManagerCalls;
using servicetest::ServiceTest;

OSVERSIONINFOA Version(DWORD platform, DWORD major, DWORD build) {
  return testsupport::VersionRecord(platform, major, 0, build);
}

TEST(StartBranchTable, KindAndVersionChooseTheDriver) {
  const DWORD nt = VER_PLATFORM_WIN32_NT;
  struct Row {
    ModuleKind kind;
    DWORD platform, major, build;
    StartBranch expected;
  } rows[] = {
      {ModuleKind::FwBaseNt, nt, 4, 1381, StartBranch::FwBaseNt},
      {ModuleKind::FwBaseNt, nt, 4, 0x00070565, StartBranch::FwBaseNt},  // high 16 bits ignored
      {ModuleKind::FwBaseNt, nt, 5, 1381, StartBranch::FwBaseNt},
      {ModuleKind::FwBaseNt, 0, 4, 1381, StartBranch::FwBaseNt},          // the platform plays no part
      {ModuleKind::FwBaseNt, nt, 4, 1382, StartBranch::None},
      {ModuleKind::FwBaseNt, nt, 5, 2195, StartBranch::None},
      {ModuleKind::FwBaseNt, nt, 6, 1381, StartBranch::None},
      {ModuleKind::FwBase2K, nt, 5, 2195, StartBranch::FwBase2K},
      {ModuleKind::FwBase2K, nt, 5, 1382, StartBranch::FwBase2K},
      {ModuleKind::FwBase2K, nt, 7, 7601, StartBranch::FwBase2K},          // only major 6 is excluded
      {ModuleKind::FwBase2K, VER_PLATFORM_WIN32_WINDOWS, 4, 0x040A08AE, StartBranch::FwBase2K},
      {ModuleKind::FwBase2K, nt, 5, 0x00010000, StartBranch::None},        // low 16 bits are 0
      {ModuleKind::FwBase2K, nt, 4, 1381, StartBranch::None},
      {ModuleKind::FwBase2K, nt, 6, 6002, StartBranch::None},
      {ModuleKind::FwBaseVt, nt, 6, 6002, StartBranch::None},
      {ModuleKind::FwBaseVt, nt, 5, 2600, StartBranch::None},
      {ModuleKind::Unknown, nt, 4, 1381, StartBranch::None},
      {ModuleKind::Unknown, nt, 5, 2600, StartBranch::None},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ChooseStartBranch(row.kind, Version(row.platform, row.major, row.build)), row.expected)
        << "kind " << static_cast<int>(row.kind) << " platform " << row.platform << " major " << row.major
        << " build " << row.build;
  }
}

class StartDriverTest : public ServiceTest {
 protected:
  StartDriverTest() : ServiceTest(winsim::OsWinXp()) {}
  explicit StartDriverTest(const winsim::OsVersion& os) : ServiceTest(os) {}
  void TearDown() override {
    ReleaseObj(object);
    ServiceTest::TearDown();
  }

  // Runs StartDriver for the named kind and returns the status the host reads; pending starts at 7.
  ModuleStatus Start(const char* moduleName) {
    object->SetModuleName(moduleName);
    ModuleStatus* status = reinterpret_cast<ModuleObjHeader*>(object)->statusPtr;
    status->result = 0;
    status->pending = 7;
    winsim::ClearCallLog();
    EXPECT_EQ(object->StartDriver(0), 0);
    return *status;
  }

  ModuleObj* object = QueryModuleObj();
};

class StartDriverNt4Test : public StartDriverTest {
 protected:
  StartDriverNt4Test() : StartDriverTest(winsim::OsNt40()) {}
};

TEST_F(StartDriverTest, DeviceThatOpensMeansNoServiceManagerCall) {
  winsim::CreateDevice("zelbase");
  ModuleStatus status = Start("FwBase2K");
  EXPECT_EQ(status.result, 1u);
  EXPECT_EQ(status.pending, 7u);
  EXPECT_TRUE(ServiceManagerCalls().empty());
  ASSERT_FALSE(winsim::CallLog().empty());
  EXPECT_EQ(winsim::CallLog()[0].function, "CreateFileA");
  EXPECT_NE(winsim::CallLog()[0].arguments.find("\\\\.\\zelbase"), std::string::npos);
}

TEST_F(StartDriverTest, MissingDriverIsRegisteredStartedAndItsDeviceClosedAgain) {
  PlaceDriver("zelbase.sys");
  ModuleStatus status = Start("fwbase2k");
  EXPECT_EQ(status.result, 1u);
  EXPECT_EQ(winsim::ServiceState("zelbase"), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_TRUE(winsim::DeviceExists("zelbase"));
  Config config = ConfigOf("zelbase");
  EXPECT_EQ(config.type, static_cast<DWORD>(SERVICE_KERNEL_DRIVER));
  EXPECT_EQ(config.start, static_cast<DWORD>(SERVICE_AUTO_START));
  EXPECT_EQ(config.errorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
  EXPECT_EQ(config.imagePath, "C:\\WINDOWS\\system32\\drivers\\zelbase.sys");
  EXPECT_EQ(config.displayName, "zelbase");
}

TEST_F(StartDriverNt4Test, Nt4DriverIsTheTdiDriverWithItsOwnDevice) {
  PlaceDriver("basetdi.sys");
  winsim::SetDriverDevice("basetdi.sys", "baseTdi");
  EXPECT_EQ(Start("FWBASENT").result, 1u);
  EXPECT_EQ(ConfigOf("basetdi").imagePath, "C:\\WINNT\\system32\\drivers\\basetdi.sys");
  EXPECT_TRUE(winsim::DeviceExists("baseTdi"));
  // Once up, a second start only probes.
  EXPECT_EQ(Start("FwBaseNt").result, 1u);
  EXPECT_TRUE(ServiceManagerCalls().empty());
}

TEST_F(StartDriverTest, ExistingServiceKeepsItsRegistrationAndIsOnlyStarted) {
  PlaceDriver("other.sys");
  winsim::SetDriverDevice("other.sys", "zelbase");
  Register("ZelBase", "System32\\drivers\\other.sys", false, "Qandor  Zelbase Driver");
  EXPECT_EQ(Start("FwBase2K").result, 1u);
  Config config = ConfigOf("zelbase");
  EXPECT_EQ(config.imagePath, "System32\\drivers\\other.sys");
  EXPECT_EQ(config.start, static_cast<DWORD>(SERVICE_DEMAND_START));
  EXPECT_EQ(winsim::ServiceState("zelbase"), static_cast<DWORD>(SERVICE_RUNNING));
}

TEST_F(StartDriverTest, FailuresStillReportSuccess) {
  // No driver image: the service is registered but does not start, and no device opens.
  ModuleStatus status = Start("FwBase2K");
  EXPECT_EQ(status.result, 1u);
  EXPECT_EQ(status.pending, 7u);
  EXPECT_EQ(winsim::ServiceState("zelbase"), static_cast<DWORD>(SERVICE_STOPPED));
  winsim::FailNthCallOf("OpenSCManagerA", 1, ERROR_ACCESS_DENIED);
  EXPECT_EQ(Start("FwBase2K").result, 1u);
}

TEST_F(StartDriverTest, OtherKindsAndVersionsDoNothing) {
  for (const char* name : {"FwBaseVt", "", "FwBaseNt", "somethingElse"}) {
    EXPECT_EQ(Start(name).result, 1u) << name;
    EXPECT_TRUE(winsim::CallLog().empty()) << name;
  }
  winsim::SetOsVersion(winsim::OsVista());
  ReleaseObj(object);
  object = QueryModuleObj();
  EXPECT_EQ(Start("FwBase2K").result, 1u);
  EXPECT_TRUE(winsim::CallLog().empty());
}

}  // namespace
