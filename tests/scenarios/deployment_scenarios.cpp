// Whole host sessions per module kind, install -> start -> update -> remove, checked on the machine
// afterwards. Written once: the same cases run on winsim (every Windows version in turn) and under Wine
// (the version the prefix is set to).
#include <gtest/gtest.h>

#include "rules/product_names.h"
#include "rules/windows_versions.h"
#include "scenario_checks.h"
#include "scenario_platform.h"
#include "wine_gap.h"

namespace scenarios {
namespace {

using basetdic::kDriverServiceKey;
using basetdic::kTdiServiceKey;
const char kOldVersion[] = "1.0.0.1";
const char kNewVersion[] = "2.0.0.0";

// The families of the Wine names, from the Windows table.
bool IsPlatform(const std::string& version, DWORD platformId, DWORD major) {
  const basetdic::WindowsVersion* windows = basetdic::WindowsByWineName(version.c_str());
  return windows != nullptr && windows->platformId == platformId && (major == 0 || windows->major == major);
}
bool IsNt4(const std::string& version) { return IsPlatform(version, VER_PLATFORM_WIN32_NT, 4); }
bool IsNt5(const std::string& version) { return IsPlatform(version, VER_PLATFORM_WIN32_NT, 5); }
bool IsNt6(const std::string& version) { return IsPlatform(version, VER_PLATFORM_WIN32_NT, 6); }
bool IsWin9x(const std::string& version) { return IsPlatform(version, VER_PLATFORM_WIN32_WINDOWS, 0); }

// Wine cannot start a driver whose image path is relative to the Windows directory, as the service
// installer registers "ZelBase": the start fails with 1114.
const char kRelativeImageGap[] = "a driver with a relative ImagePath does not start (1114)";
// Wine's QueryServiceConfigA leaves the dependency list empty although the registry holds it.
const char kDependencyGap[] = "QueryServiceConfigA reports no dependencies";

bool OnWine(MachineFacade& machine) { return machine.PlatformName() == "wine"; }

// The status words an operation left; failures are reported at the caller's line.
void ExpectStatusAt(const CallSite& at, const ModuleStatus& status, uint32_t result, uint32_t pending,
                    const char* what) {
  ExpectEqualAt(at, status.result, result, std::string(what) + ": result");
  ExpectEqualAt(at, status.pending, pending, std::string(what) + ": pending");
  ExpectEqualAt(at, status.reserved[0] | status.reserved[1] | status.reserved[2], 0u,
                std::string(what) + ": reserved words");
}
#define EXPECT_STATUS(...) ExpectStatusAt(SCENARIO_CALL_SITE, __VA_ARGS__)

// A registry value under HKLM with its type and exact bytes; failures are reported at the caller's line.
void ExpectValueAt(const CallSite& at, const std::string& key, const std::string& name, DWORD type,
                   const std::string& bytes) {
  RegistryValue value = ReadValue(key, name);
  ExpectEqualAt(at, value.present, true, key + " " + name + ": present");
  ExpectEqualAt(at, value.type, type, key + " " + name + ": type");
  ExpectEqualAt(at, value.bytes, bytes, key + " " + name + ": bytes");
}
#define EXPECT_VALUE(...) ExpectValueAt(SCENARIO_CALL_SITE, __VA_ARGS__)

class DeploymentScenario : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    machine = MakeMachine(GetParam());
    if (!machine->RunUnderWow64(false)) GTEST_SKIP() << "a WOW64 process: wow64_scenarios.cpp covers it";
  }
  const std::string& Version() const { return GetParam(); }

  // Runs one operation and checks that it leaves no handle open.
  template <class Operation>
  ModuleStatus WithoutLeaks(const char* what, Operation operation) {
    HandleFingerprint before = machine->TakeHandleFingerprint();
    ModuleStatus status = operation();
    EXPECT_TRUE(before == machine->TakeHandleFingerprint()) << what << " left a handle open";
    return status;
  }

  std::unique_ptr<MachineFacade> machine;
};

TEST_P(DeploymentScenario, TdiDriverCycleOnNt4KeepsTheSharedDriverUntilTheLastRemove) {
  if (!IsNt4(Version())) GTEST_SKIP() << "the TDI driver is deployed on NT 4.0 only";
  std::string setup = machine->MakeSetupFolder(kOldVersion, kOldVersion);
  std::string driver = DriverPath("basetdi.sys");
  {
    HostSession first(*machine, "FwBaseNt", setup);
    EXPECT_STATUS(WithoutLeaks("install", [&] { return first.Install(); }), 1, 0, "install");
    EXPECT_EQ(FileVersionText(driver), kOldVersion);
    EXPECT_VALUE(kTdiServiceKey, "nSon", REG_DWORD, DwordBytes(1));
    EXPECT_VALUE(kTdiServiceKey, "Start", REG_DWORD, DwordBytes(2));
    EXPECT_VALUE(kTdiServiceKey, "Type", REG_DWORD, DwordBytes(1));
    EXPECT_VALUE(kTdiServiceKey, "ErrorControl", REG_DWORD, DwordBytes(1));
    // The start that install ends with found no device, so it registered "basetdi" with the manager.
    EXPECT_TRUE(ReadService("basetdi").exists);
    EXPECT_TRUE(DeviceOpens("baseTdi"));

    EXPECT_STATUS(WithoutLeaks("start", [&] { return first.Start(); }), 1, 0, "start");
    EXPECT_TRUE(DeviceOpens("baseTdi"));
  }
  std::string newer = machine->MakeSetupFolder(kNewVersion, kNewVersion);
  HostSession second(*machine, "fwbasent", newer);
  EXPECT_STATUS(WithoutLeaks("update", [&] { return second.Update(); }), 1, 1, "update");
  EXPECT_EQ(FileVersionText(driver), kOldVersion) << "a running driver's image cannot be replaced";
  // With the device up, the update's start needs no manager: the key holds what the registration wrote.
  // The display name goes with 22 bytes, without its terminator, and NT counts the zero behind it.
  EXPECT_VALUE(kTdiServiceKey, "DisplayName", REG_SZ, std::string("Qandor TDI Base Driver", 23));
  EXPECT_VALUE(kTdiServiceKey, "ImagePath", REG_EXPAND_SZ, std::string("System32\\DRIVERS\\BaseTDI.SYS", 29));
  EXPECT_VALUE(kTdiServiceKey, "nSon", REG_DWORD, DwordBytes(2));

  EXPECT_STATUS(WithoutLeaks("remove", [&] { return second.Remove(); }), 1, 1, "first remove");
  EXPECT_VALUE(kTdiServiceKey, "nSon", REG_DWORD, DwordBytes(1));
  EXPECT_TRUE(FileExists(driver)) << "another module still holds the driver";

  second.PresetStatus(7, 7);
  EXPECT_STATUS(WithoutLeaks("remove", [&] { return second.Remove(); }), 1, 7, "last remove");
  EXPECT_FALSE(KeyExists(kTdiServiceKey));
  EXPECT_TRUE(FileExists(driver)) << "the loaded image stays until the driver unloads";
}

// A host that gives the object a copy of its table with slot 7 replaced: install and update of the TDI
// driver must call that replacement, once each, with argument 0, and nothing else in the table.
struct StartSlotCalls {
  static int count;
  static void* self;
  static uint32_t reserved;
  static int BASETDIC_THISCALL Record(void* object, uint32_t argument) {
    ++count;
    self = object;
    reserved = argument;
    return 0;
  }
};
int StartSlotCalls::count = 0;
void* StartSlotCalls::self = nullptr;
uint32_t StartSlotCalls::reserved = 0xdeadbeef;

TEST_P(DeploymentScenario, TdiDriverOperationsStartTheDriverThroughTheObjectsTable) {
  if (!IsNt4(Version())) GTEST_SKIP() << "the TDI driver is deployed on NT 4.0 only";
  std::string setup = machine->MakeSetupFolder(kOldVersion, kOldVersion);
  HostSession session(*machine, "FwBaseNt", setup);
  ModuleObjHeader* header = session.Header();
  const ModuleObjVtbl* own = header->vtbl;
  ModuleObjVtbl replaced = *own;
  replaced.StartDriver = &StartSlotCalls::Record;
  header->vtbl = &replaced;
  StartSlotCalls::count = 0;
  StartSlotCalls::reserved = 0xdeadbeef;

  EXPECT_STATUS(session.Install(), 1, 0, "install");
  EXPECT_EQ(StartSlotCalls::count, 1) << "install calls slot 7 through the table";
  EXPECT_EQ(StartSlotCalls::self, static_cast<void*>(header));
  EXPECT_EQ(StartSlotCalls::reserved, 0u);
  EXPECT_FALSE(ReadService("basetdi").exists) << "the object's own StartDriver ran instead of the table's";

  StartSlotCalls::reserved = 0xdeadbeef;
  EXPECT_STATUS(session.Update(), 1, 1, "update");
  EXPECT_EQ(StartSlotCalls::count, 2) << "update calls slot 7 through the table";
  EXPECT_EQ(StartSlotCalls::reserved, 0u);
  header->vtbl = own;
}

TEST_P(DeploymentScenario, KernelServiceCycleOnNt5) {
  if (!IsNt5(Version())) GTEST_SKIP() << "the kernel service is deployed on NT 5.x only";
  bool onWine = OnWine(*machine);
  std::string setup = machine->MakeSetupFolder(kOldVersion, kOldVersion);
  std::string driver = DriverPath("zelbase.sys");
  HostSession session(*machine, "FwBase2K", setup);

  EXPECT_STATUS(WithoutLeaks("install", [&] { return session.Install(); }), 1, 0, "install");
  EXPECT_EQ(FileVersionText(driver), kOldVersion);
  ServiceView service = ReadService("ZelBase");
  EXPECT_TRUE(service.exists);
  EXPECT_EQ(service.type, static_cast<DWORD>(SERVICE_KERNEL_DRIVER));
  EXPECT_EQ(service.startType, static_cast<DWORD>(SERVICE_AUTO_START));
  EXPECT_EQ(service.errorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
  EXPECT_EQ(service.displayName, "Qandor  Zelbase Driver");
  EXPECT_WINE_GAP(onWine, kDependencyGap, EXPECT_EQ(service.dependencies, std::string("Tcpip\0\0", 7)));
  EXPECT_WINE_GAP(On32BitWine(*machine), kAnsiDependencyGap,
                  EXPECT_VALUE(kDriverServiceKey, "DependOnService", REG_MULTI_SZ, std::string("Tcpip\0\0", 7)));
  EXPECT_WINE_GAP(onWine, kRelativeImageGap, EXPECT_EQ(service.state, static_cast<DWORD>(SERVICE_RUNNING)));

  EXPECT_STATUS(WithoutLeaks("start", [&] { return session.Start(); }), 1, 0, "start");
  EXPECT_WINE_GAP(onWine, kRelativeImageGap, EXPECT_TRUE(DeviceOpens("zelbase")));

  // The product's other services get their settings rewritten when they exist.
  WriteValue("SYSTEM\\CurrentControlSet\\Services\\HookUrl", "Type", REG_DWORD, DwordBytes(1));
  std::string newer = machine->MakeSetupFolder(kNewVersion, kNewVersion);
  HostSession updater(*machine, "FWBASE2K", newer);
  EXPECT_STATUS(WithoutLeaks("update", [&] { return updater.Update(); }), 1, 1, "update");
  // A running driver's image cannot be replaced; one that never started is.
  bool running = ReadService("ZelBase").state == SERVICE_RUNNING;
  EXPECT_EQ(FileVersionText(driver), running ? kOldVersion : kNewVersion);
  EXPECT_VALUE(kDriverServiceKey, "Start", REG_DWORD, DwordBytes(2));
  EXPECT_VALUE("SYSTEM\\CurrentControlSet\\Services\\HookUrl", "DependOnService", REG_MULTI_SZ,
              std::string("Zelbase\0\0", 9));
  EXPECT_FALSE(KeyExists("SYSTEM\\CurrentControlSet\\Services\\Zelservice")) << "a missing key is not created";
  DeleteKeyTree("SYSTEM\\CurrentControlSet\\Services\\HookUrl");

  EXPECT_STATUS(WithoutLeaks("remove", [&] { return updater.Remove(); }), 1, 1, "remove");
  EXPECT_FALSE(KeyExists(kDriverServiceKey));
}

TEST_P(DeploymentScenario, NetworkComponentCycleOnNt6) {
  if (!IsNt6(Version())) GTEST_SKIP() << "the network component is deployed on NT 6.x only";
  std::string setup = machine->MakeSetupFolder(kOldVersion, kOldVersion);
  machine->SetProductDataPath("C:\\QandorData");
  HostSession session(*machine, "FwBaseVt", setup);

  EXPECT_STATUS(WithoutLeaks("install", [&] { return session.Install(); }), 1, 1, "install");
  for (const char* file : {"zelbase.sys", "zelbase.cat", "zelbase.inf"})
    EXPECT_TRUE(FileExists(std::string("C:\\QandorData\\") + file)) << file;
  EXPECT_EQ(FileVersionText(DriverPath("zelbase.sys")), kOldVersion);
  std::vector<ToolRequest> requests = machine->ToolRequests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].commandLine, " -l C:\\QandorData\\zelbase.inf -c s -i QD_ZelBase");
  EXPECT_TRUE(requests[0].workingDirectory == setup || requests[0].workingDirectory == setup + "\\")
      << requests[0].workingDirectory;

  EXPECT_STATUS(WithoutLeaks("start", [&] { return session.Start(); }), 1, 1, "start");
  EXPECT_FALSE(ReadService("zelbase").exists) << "the tool installs this kind, not the start";

  std::string newer = machine->MakeSetupFolder(kNewVersion, kNewVersion);
  HostSession updater(*machine, "fwbasevt", newer);
  EXPECT_STATUS(WithoutLeaks("update", [&] { return updater.Update(); }), 1, 1, "update");
  EXPECT_EQ(FileVersionText(DriverPath("zelbase.sys")), kNewVersion);

  EXPECT_STATUS(WithoutLeaks("remove", [&] { return updater.Remove(); }), 1, 1, "remove");
  requests = machine->ToolRequests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].commandLine, " -u QD_ZelBase");
}

TEST_P(DeploymentScenario, NetworkComponentWithoutDataPathOrToolOnNt6) {
  if (!IsNt6(Version())) GTEST_SKIP() << "the network component is deployed on NT 6.x only";
  std::string setup = machine->MakeSetupFolder(kOldVersion, kOldVersion, /*withTool=*/false);
  HostSession session(*machine, "FwBaseVt", setup);
  session.PresetStatus(1, 7);
  EXPECT_STATUS(session.Install(), 0, 7, "install without a data path");
  EXPECT_FALSE(FileExists(DriverPath("zelbase.sys"))) << "nothing is copied without a data path";

  machine->SetProductDataPath("C:\\QandorData");
  EXPECT_STATUS(session.Install(), 0, 1, "install without the tool");
  EXPECT_TRUE(FileExists("C:\\QandorData\\zelbase.inf"));
  EXPECT_TRUE(FileExists(DriverPath("zelbase.sys"))) << "the copies are made although the tool is missing";
  EXPECT_STATUS(session.Remove(), 0, 1, "remove without the tool");
  EXPECT_TRUE(machine->ToolRequests().empty());
}

TEST_P(DeploymentScenario, ToolFailingInsideStillCountsAsLaunched) {
  if (!IsNt6(Version())) GTEST_SKIP() << "the tool runs on NT 6.x only";
  machine->SetToolBehaviour(5, 0);
  std::string setup = machine->MakeSetupFolder(kOldVersion, kOldVersion);
  machine->SetProductDataPath("C:\\QandorData");
  HostSession session(*machine, "FwBaseVt", setup);
  EXPECT_STATUS(session.Install(), 1, 1, "install");
  EXPECT_STATUS(session.Remove(), 1, 1, "remove");
  EXPECT_EQ(machine->ToolRequests().size(), 2u);
}

TEST_P(DeploymentScenario, KindsOutsideTheirWindowsDoNothing) {
  std::string setup = machine->MakeSetupFolder(kOldVersion, kOldVersion);
  for (const char* kind : {"FwBaseNt", "FwBase2K", "FwBaseVt", "NoSuchKind"}) {
    bool applies = (IsNt4(Version()) && std::string(kind) == "FwBaseNt") ||
                   (IsNt5(Version()) && std::string(kind) == "FwBase2K") ||
                   (IsNt6(Version()) && std::string(kind) == "FwBaseVt");
    if (applies) continue;
    HostSession session(*machine, kind, setup);
    session.PresetStatus(7, 7);
    ModuleStatus status = session.Install();
    if (IsWin9x(Version())) {
      EXPECT_STATUS(status, 7, 7, kind);  // install, update and remove act on the NT family only
      EXPECT_STATUS(session.Update(), 7, 7, kind);
      EXPECT_STATUS(session.Remove(), 7, 7, kind);
    } else {
      EXPECT_STATUS(status, 1, 0, kind);
    }
  }
  EXPECT_FALSE(FileExists(DriverPath("zelbase.sys")));
  EXPECT_FALSE(FileExists(DriverPath("basetdi.sys")));
  EXPECT_FALSE(KeyExists(kTdiServiceKey));
  EXPECT_TRUE(machine->ToolRequests().empty());
}

TEST_P(DeploymentScenario, CheckPlatformRefusesOnlyWindows9x) {
  std::string setup = machine->MakeSetupFolder(kOldVersion, kOldVersion);
  HostSession session(*machine, "FwBase2K", setup);
  EXPECT_EQ(session.CheckPlatform().result, IsWin9x(Version()) ? 0u : 1u);
}

TEST_P(DeploymentScenario, InstallIsTracedWhenTheSwitchIsOn) {
  if (!IsNt5(Version())) GTEST_SKIP() << "traced here on the kernel-service branch";
  SwitchTrace(true);
  std::string setup = machine->MakeSetupFolder(kOldVersion, kOldVersion);
  {
    HostSession session(*machine, "FwBase2K", setup);
    session.Install();
  }
  SwitchTrace(false);
  std::string trace = TraceText();
  EXPECT_NE(trace.find("Insert File List: ModuleName:FwBase2K-> File:" + setup + "\\basetdic.dll\n\r\n"),
            std::string::npos);
  EXPECT_NE(trace.find("CopyFile, SrcPath:" + setup + "\\zelbase.sys, DstPath:" + DriverPath("zelbase.sys") + "\n\r\n"),
            std::string::npos);
  EXPECT_NE(trace.find("Copyfile, ret:1, errcode:"), std::string::npos);
  EXPECT_NE(trace.find("Install ZelBase openSCManger OK!\n\r\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Windows, DeploymentScenario, ::testing::ValuesIn(VersionsUnderTest()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
}  // namespace scenarios
