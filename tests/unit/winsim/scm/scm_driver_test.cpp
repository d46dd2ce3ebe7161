// Starting and stopping kernel drivers: image path forms, the file the loader needs, the device the
// driver creates, the state codes, and what a reboot starts.
#include "scm_test_support.h"

namespace {

using scmtest::kSentinel;
using scmtest::kServicesKey;
using scmtest::ScmTest;

struct ImagePathCase {
  const char* imagePath;
  bool starts;
};

class DriverImagePathTest : public ScmTest, public ::testing::WithParamInterface<ImagePathCase> {};

TEST_P(DriverImagePathTest, StartsWhenThePathNamesThePlacedImage) {
  PlaceDriver("zelbase.sys");
  SC_HANDLE service = CreateDriver("zelbase", GetParam().imagePath);
  ASSERT_NE(service, nullptr);
  SetLastError(kSentinel);
  BOOL started = StartServiceA(service, 0, nullptr);
  EXPECT_EQ(started != FALSE, GetParam().starts);
  if (!started) {
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  }
  EXPECT_EQ(winsim::DeviceExists("zelbase"), GetParam().starts);
  EXPECT_EQ(winsim::ServiceState("zelbase"),
            static_cast<DWORD>(GetParam().starts ? SERVICE_RUNNING : SERVICE_STOPPED));
  CloseServiceHandle(service);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, DriverImagePathTest,
    ::testing::Values(ImagePathCase{"C:\\WINDOWS\\system32\\drivers\\zelbase.sys", true},
                      ImagePathCase{"c:\\windows\\SYSTEM32\\DRIVERS\\ZELBASE.SYS", true},
                      ImagePathCase{"System32\\DRIVERS\\zelbase.SYS", true},
                      ImagePathCase{"\\SystemRoot\\System32\\drivers\\zelbase.sys", true},
                      ImagePathCase{"%SystemRoot%\\System32\\drivers\\zelbase.sys", true},
                      ImagePathCase{"\\??\\C:\\WINDOWS\\system32\\drivers\\zelbase.sys", true},
                      ImagePathCase{"C:\\WINDOWS\\system32\\zelbase.sys", false},
                      ImagePathCase{"System32\\DRIVERS\\basetdi.sys", false},
                      ImagePathCase{"\\WINDOWS\\system32\\drivers\\zelbase.sys", false}));

TEST_F(ScmTest, StartStopAndTheirStateCodes) {
  PlaceDriver("zelbase.sys");
  SC_HANDLE service = CreateDriver("zelbase", "System32\\DRIVERS\\zelbase.sys");
  SERVICE_STATUS status;
  memset(&status, 0xA5, sizeof status);
  SetLastError(kSentinel);
  EXPECT_FALSE(ControlService(service, SERVICE_CONTROL_STOP, &status));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE));
  EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_EQ(status.dwWin32ExitCode, static_cast<DWORD>(ERROR_SERVICE_NEVER_STARTED));

  ASSERT_TRUE(StartServiceA(service, 0, nullptr));
  ASSERT_TRUE(QueryServiceStatus(service, &status));
  EXPECT_EQ(status.dwServiceType, static_cast<DWORD>(SERVICE_KERNEL_DRIVER));
  EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_EQ(status.dwControlsAccepted, static_cast<DWORD>(SERVICE_ACCEPT_STOP));
  SetLastError(kSentinel);
  EXPECT_FALSE(StartServiceA(service, 0, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_ALREADY_RUNNING));

  SetLastError(kSentinel);
  EXPECT_FALSE(ControlService(service, 2 /* pause */, &status));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_SERVICE_CONTROL));
  EXPECT_TRUE(winsim::DeviceExists("zelbase"));

  EXPECT_TRUE(ControlService(service, SERVICE_CONTROL_STOP, &status));
  EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_FALSE(winsim::DeviceExists("zelbase"));
  EXPECT_TRUE(StartServiceA(service, 0, nullptr)) << "a stopped driver starts again";
  CloseServiceHandle(service);
}

TEST_F(ScmTest, StartedDriversDeviceOpensThroughCreateFile) {
  PlaceDriver("basetdi.sys");
  winsim::SetDriverDevice("BASETDI.SYS", "baseTdi");
  SC_HANDLE service = CreateDriver("basetdi", "System32\\drivers\\basetdi.sys");
  ASSERT_TRUE(StartServiceA(service, 0, nullptr));
  CloseServiceHandle(service);
  HANDLE device = CreateFileA("\\\\.\\baseTdi", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(device, INVALID_HANDLE_VALUE);
  CloseHandle(device);
}

TEST_F(ScmTest, DriverThatCreatesNoDeviceStillRuns) {
  PlaceDriver("quiet.sys");
  winsim::SetDriverDevice("quiet.sys", "");
  SC_HANDLE service = CreateDriver("quiet", "System32\\drivers\\quiet.sys");
  EXPECT_TRUE(StartServiceA(service, 0, nullptr));
  EXPECT_TRUE(winsim::Devices().empty());
  CloseServiceHandle(service);
}

TEST_F(ScmTest, DriverWhoseDeviceNameIsTakenFailsToLoad) {
  PlaceDriver("zelbase.sys");
  winsim::CreateDevice("ZELBASE");
  SC_HANDLE service = CreateDriver("zelbase", "System32\\drivers\\zelbase.sys");
  SetLastError(kSentinel);
  EXPECT_FALSE(StartServiceA(service, 0, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(winsim::ServiceState("zelbase"), static_cast<DWORD>(SERVICE_STOPPED));
  CloseServiceHandle(service);
}

TEST_F(ScmTest, LoaderReadsTheImagePathFromTheKeyAtStart) {
  PlaceDriver("zelbase.sys");
  SC_HANDLE service = CreateDriver("zelbase", "System32\\drivers\\missing.sys");
  winsim::RegPutValue(std::string(kServicesKey) + "zelbase", "ImagePath", REG_EXPAND_SZ,
                      std::string("\\SystemRoot\\System32\\drivers\\zelbase.sys", 41) + '\0');
  EXPECT_TRUE(StartServiceA(service, 0, nullptr));
  CloseServiceHandle(service);
}

TEST_F(ScmTest, DisabledDriverDoesNotStart) {
  PlaceDriver("zelbase.sys");
  SC_HANDLE service = CreateDriver("zelbase", "System32\\drivers\\zelbase.sys", SERVICE_DISABLED);
  SetLastError(kSentinel);
  EXPECT_FALSE(StartServiceA(service, 0, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DISABLED));
  CloseServiceHandle(service);
}

TEST_F(ScmTest, Win32ServiceStartFailsSanely) {
  SC_HANDLE service = CreateServiceA(manager, "helper", nullptr, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                     SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, "\"C:\\tools\\helper.exe\" -run",
                                     nullptr, nullptr, nullptr, nullptr, nullptr);
  SetLastError(kSentinel);
  EXPECT_FALSE(StartServiceA(service, 0, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  ASSERT_TRUE(winsim::WriteHostFile("C:\\tools\\helper.exe", "MZ"));
  SetLastError(kSentinel);
  EXPECT_FALSE(StartServiceA(service, 0, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_REQUEST_TIMEOUT));
  CloseServiceHandle(service);
}

TEST_F(ScmTest, RebootStopsEverythingAndStartsAutomaticDriversWhoseImagesExist) {
  PlaceDriver("auto.sys");
  PlaceDriver("manual.sys");
  ASSERT_TRUE(CreateDriverAndClose("auto", "System32\\drivers\\auto.sys", SERVICE_AUTO_START));
  ASSERT_TRUE(CreateDriverAndClose("boot", "System32\\drivers\\missing.sys", SERVICE_BOOT_START));
  SC_HANDLE manual = CreateDriver("manual", "System32\\drivers\\manual.sys");
  ASSERT_TRUE(StartServiceA(manual, 0, nullptr));
  winsim::CreateDevice("standIn");

  winsim::RebootMachine();
  EXPECT_EQ(winsim::OpenHandles(winsim::HandleKind::Service), 0u);
  EXPECT_EQ(winsim::OpenHandles(winsim::HandleKind::ServiceManager), 0u);
  SetLastError(kSentinel);
  EXPECT_FALSE(CloseServiceHandle(manual)) << "handles of the old session are gone";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  manager = nullptr;

  EXPECT_EQ(winsim::Devices(), std::vector<std::string>{"auto"});
  EXPECT_EQ(winsim::ServiceState("auto"), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_EQ(winsim::ServiceState("boot"), static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_EQ(winsim::ServiceState("manual"), static_cast<DWORD>(SERVICE_STOPPED));
}

}  // namespace
