// A machine saved to its folder and loaded back: configuration, clock, devices, files in place, the
// service manager's own database (also where it differs from the registry) and the stand-in tool.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/temp_folder.h"
#include "native_images.h"
#include "temp_machine.h"
#include "winsim/machine.h"
#include "winsim/persistence.h"
#include "winsim/processes.h"
#include "winsim/registry.h"
#include "winsim/services.h"

namespace {

namespace fs = std::filesystem;
using winsim::testsupport::ConfigFor;
using winsim::testsupport::NativeDriverBytes;
using winsim::testsupport::TempMachine;

const char kServices[] = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\";

class MachineFolderTest : public ::testing::Test {
 protected:

  // Saves the running machine, boots an unrelated one, then loads the saved one.
  void SaveAndReload() {
    std::string error;
    ASSERT_TRUE(winsim::SaveMachine(folder_, &error)) << error;
    winsim::Boot(ConfigFor(winsim::OsWin98()), (fs::path(folder_) / "elsewhere").string());
    ASSERT_TRUE(winsim::LoadMachine(folder_, &error)) << error;
  }

  SC_HANDLE CreateDriver(SC_HANDLE manager, const char* name, const char* image) {
    return CreateServiceA(manager, name, nullptr, SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START,
                          SERVICE_ERROR_NORMAL, image, nullptr, nullptr, nullptr, nullptr, nullptr);
  }

  testsupport::TempFolder temp_{"machine-folder"};
  const std::string folder_ = temp_.path().string();
};

TEST_F(MachineFolderTest, ConfigurationClockAndDevicesComeBack) {
  winsim::MachineConfig config = ConfigFor(winsim::OsWin7(), true);
  config.executablePath = "C:\\setup\\host.exe";
  config.currentDirectory = "C:\\setup";
  config.processId = 4321;
  config.codePage = 932;
  TempMachine machine(config);
  winsim::AdvanceClock(61500);
  winsim::CreateDevice("baseTdi");
  SaveAndReload();

  const winsim::MachineConfig& loaded = winsim::Config();
  EXPECT_EQ(loaded.os.major, 6u);
  EXPECT_EQ(loaded.os.minor, 1u);
  EXPECT_EQ(loaded.os.build, 7601u);
  EXPECT_EQ(loaded.os.csdVersion, "Service Pack 1");
  EXPECT_TRUE(loaded.wow64);
  EXPECT_EQ(loaded.executablePath, "C:\\setup\\host.exe");
  EXPECT_EQ(loaded.processId, 4321u);
  EXPECT_EQ(loaded.codePage, 932u);
  EXPECT_EQ(winsim::ClockMilliseconds(), 61500u);
  EXPECT_EQ(winsim::Devices(), std::vector<std::string>{"baseTdi"});
}

TEST_F(MachineFolderTest, FilesStayInTheMachineFolderAndLaterWritesLandThere) {
  TempMachine machine;
  ASSERT_TRUE(winsim::WriteHostFile("C:\\setup\\zelbase.sys", "driver"));
  SaveAndReload();
  std::string bytes;
  ASSERT_TRUE(winsim::ReadHostFile("C:\\setup\\zelbase.sys", &bytes));
  EXPECT_EQ(bytes, "driver");
  ASSERT_TRUE(CopyFileA("C:\\setup\\zelbase.sys", "C:\\WINDOWS\\system32\\drivers\\zelbase.sys", FALSE));
  EXPECT_TRUE(fs::exists(fs::path(folder_) / "drives" / "C" / "WINDOWS" / "system32" / "drivers" / "zelbase.sys"));
}

TEST_F(MachineFolderTest, ServiceManagerComesBackAsItWasNotAsTheRegistrySays) {
  TempMachine machine;
  ASSERT_TRUE(winsim::WriteHostFile("C:\\WINDOWS\\system32\\drivers\\zelbase.sys", NativeDriverBytes("")));
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  SC_HANDLE running = CreateDriver(manager, "ZelBase", "System32\\DRIVERS\\zelbase.sys");
  ASSERT_NE(running, nullptr);
  ASSERT_TRUE(StartServiceA(running, 0, nullptr));
  CloseServiceHandle(running);
  CloseServiceHandle(manager);
  // Behind the manager's back: its key goes, and a key it never learnt appears.
  winsim::RegRemoveTree(std::string(kServices) + "ZelBase");
  winsim::RegPutDword(std::string(kServices) + "Stranger", "Type", SERVICE_KERNEL_DRIVER);
  winsim::RegPutDword(std::string(kServices) + "Stranger", "Start", SERVICE_DEMAND_START);
  winsim::RegPutString(std::string(kServices) + "Stranger", "ImagePath", "C:\\stranger.sys");
  SaveAndReload();

  EXPECT_EQ(winsim::ServiceState("ZelBase"), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_TRUE(winsim::DeviceExists("zelbase"));
  EXPECT_EQ(winsim::ServiceState("Stranger"), 0u);
  manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(OpenServiceA(manager, "Stranger", SERVICE_QUERY_STATUS), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
  CloseServiceHandle(manager);
  // A reboot after the load still reads the registry afresh.
  winsim::RebootMachine();
  EXPECT_EQ(winsim::ServiceState("ZelBase"), 0u);
  EXPECT_FALSE(winsim::DeviceExists("zelbase"));
  EXPECT_EQ(winsim::ServiceState("Stranger"), static_cast<DWORD>(SERVICE_STOPPED));
}

TEST_F(MachineFolderTest, ServiceMarkedForDeletionStaysMarked) {
  TempMachine machine;
  ASSERT_TRUE(winsim::WriteHostFile("C:\\x.sys", NativeDriverBytes("")));
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  SC_HANDLE service = CreateDriver(manager, "doomed", "C:\\x.sys");
  ASSERT_TRUE(StartServiceA(service, 0, nullptr));
  ASSERT_TRUE(DeleteService(service));  // running: stays until it stops
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
  ASSERT_TRUE(winsim::ServiceMarkedForDelete("doomed"));
  SaveAndReload();
  EXPECT_TRUE(winsim::ServiceMarkedForDelete("doomed"));
  EXPECT_EQ(winsim::ServiceState("doomed"), static_cast<DWORD>(SERVICE_RUNNING));
}

TEST_F(MachineFolderTest, StandInToolWorksAgainAfterTheLoad) {
  TempMachine machine;
  ASSERT_TRUE(winsim::WriteHostFile("C:\\setup\\snetcfg.exe", "MZ"));
  ASSERT_TRUE(winsim::WriteHostFile("C:\\setup\\zelbase.inf", "[Version]"));
  winsim::InstallMachineNetCfgStandIn("C:\\setup\\snetcfg.exe");
  SaveAndReload();
  EXPECT_EQ(winsim::MachineNetCfgStandIns(), std::vector<std::string>{"C:\\setup\\snetcfg.exe"});
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  char commandLine[] = " -l C:\\setup\\zelbase.inf -c s -i QD_ZelBase";
  ASSERT_TRUE(CreateProcessA("C:\\setup\\snetcfg.exe", commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process));
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), static_cast<DWORD>(WAIT_OBJECT_0));
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  EXPECT_EQ(winsim::NetCfgComponents(), std::vector<std::string>{"QD_ZelBase"});
}

TEST_F(MachineFolderTest, LoadRefusesWhatIsNoMachineAndSaysWhy) {
  TempMachine machine;
  std::string error;
  EXPECT_FALSE(winsim::LoadMachine(folder_, &error));
  EXPECT_NE(error.find("machine.json"), std::string::npos) << error;

  ASSERT_TRUE(winsim::SaveMachine(folder_, &error)) << error;
  std::ofstream(fs::path(folder_) / "registry.reg") << "Windows Registry Editor Version 5.00\n[HKEY_NOWHERE]\n";
  EXPECT_FALSE(winsim::LoadMachine(folder_, &error));
  EXPECT_NE(error.find("line 2"), std::string::npos) << error;

  std::ofstream(fs::path(folder_) / "machine.json") << "{\"format\": \"winsim machine 1\"}";
  EXPECT_FALSE(winsim::LoadMachine(folder_, &error));
  EXPECT_NE(error.find("machine.json"), std::string::npos) << error;
}

}  // namespace
