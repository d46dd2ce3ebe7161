// Install, update and remove per branch: copies, registry writes, tool command lines and the WOW64 rules.
#include <gtest/gtest.h>

#include "deploy_fixture.h"
#include "winsim/modules.h"
#include "winsim/processes.h"
#include "winsim/registry.h"
#include "winsim/services.h"

namespace {

using basetdic_test::DeployMachine;
using basetdic_test::kDataPath;
using basetdic_test::kSetupDir;
using basetdic_test::StatusOf;
using basetdic_test::TableOf;
using basetdic_test::TraceOn;

const char kServices[] = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\";

std::string Contents(const std::string& path) {
  std::string bytes;
  return winsim::ReadHostFile(path, &bytes) ? bytes : std::string("<missing>");
}

// A session with the linked library's object and every setup file of the fixture's setup directory.
struct Session : testsupport::ModuleSession {
  Session(DeployMachine&, const char* name) : ModuleSession(testsupport::LinkedExports(), name, kSetupDir) {}
};

TEST(KernelServiceInstall, CopiesTheDriverAndRegistersTheService) {
  DeployMachine machine(winsim::OsWinXp(), false);
  Session session(machine, "fwbase2k");
  ModuleStatus status = session.Install();
  EXPECT_EQ(status.result, 1u);
  EXPECT_EQ(status.pending, 0u);
  EXPECT_EQ(Contents(DeployMachine::DriverPath("zelbase.sys")), Contents(std::string(kSetupDir) + "\\zelbase.sys"));
  winsim::RegValue dependency;
  ASSERT_TRUE(winsim::RegGetValue(std::string(kServices) + "ZelBase", "DependOnService", &dependency));
  EXPECT_EQ(dependency.data.substr(0, 6), std::string("Tcpip\0", 6));
  EXPECT_EQ(winsim::ServiceState("ZelBase"), static_cast<DWORD>(SERVICE_RUNNING));
}

TEST(KernelServiceInstall, KeepsANewerInstalledDriverAndStillRegisters) {
  DeployMachine machine(winsim::OsWin2k(), false);
  std::string installed = DeployMachine::DriverPath("zelbase.sys");
  DeployMachine::PutVersionedFile(installed, "9.0.0.0");
  std::string before = Contents(installed);
  Session session(machine, "FwBase2K");
  session.Install();
  EXPECT_EQ(Contents(installed), before);
  EXPECT_TRUE(winsim::RegKeyExists(std::string(kServices) + "ZelBase"));
}

TEST(KernelServiceInstall, UnderWow64CopiesNothingDependsOnTheFilterAndLeavesAStepPending) {
  DeployMachine machine(winsim::OsWinXp(), true);
  Session session(machine, "FwBase2K");
  ModuleStatus status = session.Install();
  EXPECT_EQ(status.result, 1u);
  EXPECT_EQ(status.pending, 1u);
  EXPECT_FALSE(winsim::HostFileExists(DeployMachine::DriverPath("zelbase.sys")));
  EXPECT_FALSE(winsim::HostFileExists(DeployMachine::Wow64DriverPath("zelbase.sys")));
  winsim::RegValue dependency;
  ASSERT_TRUE(winsim::RegGetValue(std::string(kServices) + "ZelBase", "DependOnService", &dependency));
  EXPECT_EQ(dependency.data.substr(0, 15), std::string("IpFilterDriver\0", 15));
}

TEST(NetworkComponentInstall, CopiesThePackageRunsTheToolAndPlacesTheDriver) {
  DeployMachine machine(winsim::OsWin7(), false);
  TraceOn trace;
  Session session(machine, "FwBaseVt");
  ModuleStatus status = session.Install();
  EXPECT_EQ(status.result, 1u);
  EXPECT_EQ(status.pending, 1u);
  for (const char* file : {"zelbase.sys", "zelbase.cat", "zelbase.inf"})
    EXPECT_EQ(Contents(std::string(kDataPath) + file), Contents(std::string(kSetupDir) + "\\" + file)) << file;
  EXPECT_TRUE(winsim::HostFileExists(DeployMachine::DriverPath("zelbase.sys")));
  std::vector<winsim::LaunchRecord> launches = winsim::Launches();
  ASSERT_EQ(launches.size(), 1u);
  EXPECT_EQ(launches[0].applicationName.value_or(""), std::string(kSetupDir) + "\\snetcfg.exe");
  EXPECT_EQ(launches[0].commandLine.value_or(""), " -l C:\\ProgramData\\Qandor\\zelbase.inf -c s -i QD_ZelBase");
  EXPECT_EQ(launches[0].currentDirectory.value_or(""), kSetupDir);
  EXPECT_EQ(launches[0].creationFlags, static_cast<DWORD>(CREATE_NO_WINDOW));
  EXPECT_NE(trace.Text().find("path:C:\\setup\\snetcfg.exe, cmdline: -l C:\\ProgramData\\Qandor\\zelbase.inf -c s -i "
                              "QD_ZelBase\n\r\n"),
            std::string::npos);
}

TEST(NetworkComponentInstall, DataPathWithoutBackslashGetsOne) {
  DeployMachine machine(winsim::OsVista(), false);
  winsim::RegPutString("HKLM\\SOFTWARE\\Qandor\\zel", "datapath", "D:\\Data");
  winsim::MapDrive('D', winsim::HostPath("C:\\") + "/../d");
  winsim::WriteHostFile("D:\\Data\\.keep", "");
  Session session(machine, "FwBaseVt");
  session.Install();
  EXPECT_TRUE(winsim::HostFileExists("D:\\Data\\zelbase.inf"));
  ASSERT_EQ(winsim::Launches().size(), 1u);
  EXPECT_EQ(winsim::Launches()[0].commandLine.value_or(""), " -l D:\\Data\\zelbase.inf -c s -i QD_ZelBase");
}

TEST(NetworkComponentInstall, UnderWow64TheDriverCopyReachesTheNativeDriverDirectory) {
  DeployMachine machine(winsim::OsWin7(), true);
  Session session(machine, "FwBaseVt");
  session.Install();
  EXPECT_TRUE(winsim::HostFileExists(DeployMachine::DriverPath("zelbase.sys")));
  EXPECT_FALSE(winsim::HostFileExists(DeployMachine::Wow64DriverPath("zelbase.sys")));
}

TEST(NetworkComponentInstall, UnderWow64WithoutTheRedirectionSwitchTheDriverIsNotCopied) {
  DeployMachine machine(winsim::OsWin7(), true);
  winsim::RemoveExport("kernel32.dll", "Wow64RevertWow64FsRedirection");
  Session session(machine, "FwBaseVt");
  ModuleStatus status = session.Install();
  EXPECT_EQ(status.pending, 1u);
  EXPECT_FALSE(winsim::HostFileExists(DeployMachine::DriverPath("zelbase.sys")));
  EXPECT_FALSE(winsim::HostFileExists(DeployMachine::Wow64DriverPath("zelbase.sys")));
}

TEST(NetworkComponentInstall, ToolStillRunningAfterSixtySecondsIsLeftRunning) {
  DeployMachine machine(winsim::OsWin7(), false);
  winsim::NetCfgStandInOptions slow;
  slow.runMilliseconds = 120000;
  winsim::InstallNetCfgStandIn(std::string(kSetupDir) + "\\snetcfg.exe", slow);
  Session session(machine, "FwBaseVt");
  ModuleStatus status = session.Install();
  EXPECT_EQ(status.result, 1u);
  EXPECT_EQ(winsim::RunningPrograms(), 1u);
  EXPECT_EQ(winsim::ClockMilliseconds(), 60000u);
  EXPECT_EQ(winsim::OpenHandles(), 0u);
}

TEST(Update, RewritesOnlyTheServiceSettingsThatExistOnNt5) {
  DeployMachine machine(winsim::OsWinXp(), false);
  winsim::RegPutKey(std::string(kServices) + "HookUrl");
  Session session(machine, "FwBase2K");
  session.Update();
  winsim::RegValue value;
  ASSERT_TRUE(winsim::RegGetValue(std::string(kServices) + "HookUrl", "DependOnService", &value));
  EXPECT_EQ(value.type, static_cast<DWORD>(REG_MULTI_SZ));
  EXPECT_EQ(value.data, std::string("Zelbase\0\0", 9));
  for (const char* absent : {"ZelBase", "Zelservice", "QdFwDrv"})
    EXPECT_FALSE(winsim::RegKeyExists(std::string(kServices) + absent)) << absent;
  EXPECT_TRUE(winsim::HostFileExists(DeployMachine::DriverPath("zelbase.sys")));
}

TEST(Update, WritesAllFourSettingsWithTheirByteCounts) {
  DeployMachine machine(winsim::OsWin2k(), false);
  for (const char* service : {"ZelBase", "Zelservice", "QdFwDrv", "HookUrl"})
    winsim::RegPutKey(std::string(kServices) + service);
  Session session(machine, "FwBase2K");
  session.Update();
  winsim::RegValue value;
  ASSERT_TRUE(winsim::RegGetValue(std::string(kServices) + "ZelBase", "Start", &value));
  EXPECT_EQ(value.data, winsim::DwordBytes(2));
  ASSERT_TRUE(winsim::RegGetValue(std::string(kServices) + "Zelservice", "DependOnService", &value));
  EXPECT_EQ(value.data, std::string("Zelbase\0\0", 9));
  ASSERT_TRUE(winsim::RegGetValue(std::string(kServices) + "QdFwDrv", "DependOnService", &value));
  EXPECT_EQ(value.data, std::string("Tcpip\0\0", 7));
}

TEST(Update, OnNt6TouchesNoRegistryAndCopiesThroughTheGuardUnderWow64) {
  DeployMachine machine(winsim::OsWin7(), true);
  winsim::RegPutKey(std::string(kServices) + "ZelBase");
  Session session(machine, "FWBASEVT");
  ModuleStatus status = session.Update();
  EXPECT_EQ(status.result, 1u);
  EXPECT_EQ(status.pending, 1u);
  EXPECT_TRUE(winsim::RegValues(std::string(kServices) + "ZelBase").empty());
  EXPECT_TRUE(winsim::HostFileExists(DeployMachine::DriverPath("zelbase.sys")));
  EXPECT_FALSE(winsim::HostFileExists(DeployMachine::Wow64DriverPath("zelbase.sys")));
}

TEST(Remove, KernelServiceKeyMissingDeletesNothingNotEvenTheFile) {
  DeployMachine machine(winsim::OsWinXp(), false);
  DeployMachine::PutVersionedFile(DeployMachine::DriverPath("zelbase.sys"), "1.0.0.1");
  Session session(machine, "FwBase2K");
  ModuleStatus status = session.Remove();
  EXPECT_EQ(status.result, 1u);
  EXPECT_EQ(status.pending, 1u);
  EXPECT_TRUE(winsim::HostFileExists(DeployMachine::DriverPath("zelbase.sys")));
}

TEST(Remove, KernelServiceLeavesTheRunningDriverAndItsLoadedImage) {
  DeployMachine machine(winsim::OsWinXp(), false);
  Session session(machine, "FwBase2K");
  session.Install();
  winsim::RegPutKey(std::string(kServices) + "zelbase\\Parameters");
  session.Remove();
  EXPECT_TRUE(winsim::RegKeyExists(std::string(kServices) + "zelbase")) << "a foreign subkey keeps the key";
  EXPECT_TRUE(winsim::HostFileExists(DeployMachine::DriverPath("zelbase.sys"))) << "the image is in use";
  EXPECT_EQ(winsim::ServiceState("zelbase"), static_cast<DWORD>(SERVICE_RUNNING)) << "the driver is not stopped";
}

TEST(Remove, KernelServiceDeletesKeyAndDriverFileOfADriverThatIsNotLoaded) {
  DeployMachine machine(winsim::OsWinXp(), false);
  winsim::RegPutDword(std::string(kServices) + "zelbase", "Type", SERVICE_KERNEL_DRIVER);
  winsim::RegPutKey(std::string(kServices) + "zelbase\\Enum");
  DeployMachine::PutVersionedFile(DeployMachine::DriverPath("zelbase.sys"), "1.0.0.1");
  Session session(machine, "FwBase2K");
  session.Remove();
  EXPECT_FALSE(winsim::RegKeyExists(std::string(kServices) + "zelbase"));
  EXPECT_FALSE(winsim::HostFileExists(DeployMachine::DriverPath("zelbase.sys")));
}

TEST(Remove, NetworkComponentRunsTheUninstallWithoutWorkingDirectory) {
  DeployMachine machine(winsim::OsWin7(), false);
  Session session(machine, "FwBaseVt");
  session.Remove();
  ASSERT_EQ(winsim::Launches().size(), 1u);
  EXPECT_EQ(winsim::Launches()[0].commandLine.value_or(""), " -u QD_ZelBase");
  EXPECT_FALSE(winsim::Launches()[0].currentDirectory.has_value());
}

TEST(LongPaths, SetupDirectoryTooLongForTheToolPathIsRefusedNotCut) {
  DeployMachine machine(winsim::OsWin7(), false);
  // 250 characters of directory: the directory fits, the tool path behind it does not.
  std::string directory = "C:\\" + std::string(246, 'd');
  winsim::WriteHostFile(directory + "\\x", "");
  void* object = machine.NewModule("FwBaseVt", false);
  std::string file = directory + "\\basetdic.dll";
  TableOf(object).InsertFile(object, file.c_str());
  TableOf(object).RemoveDriver(object);
  EXPECT_EQ(StatusOf(object).result, 0u) << "the tool cannot be launched from a path that does not fit";
  EXPECT_TRUE(winsim::Launches().empty());
  machine.Release(object);
}

}  // namespace
