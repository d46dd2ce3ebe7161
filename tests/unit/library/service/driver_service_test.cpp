// The driver service functions: their results, what they leave registered, running and open.
#include "service/driver_service.h"
#include "service_test_support.h"

namespace {

using namespace basetdic;
using servicetest::kSentinel;
using servicetest::ServiceManagerCalls;
using servicetest::ServiceTest;

class DriverServiceTest : public ServiceTest {
 protected:
  void SetUp() override { manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS); }
  void TearDown() override {
    CloseServiceHandle(manager);
    ServiceTest::TearDown();
  }
  SC_HANDLE manager = nullptr;
};

TEST_F(DriverServiceTest, CreateRegistersAnAutomaticKernelDriverOnce) {
  EXPECT_EQ(CreateDriverService(manager, "zelbase", "C:\\drivers\\first.sys"), 1);
  Config config = ConfigOf("zelbase");
  EXPECT_EQ(config.type, static_cast<DWORD>(SERVICE_KERNEL_DRIVER));
  EXPECT_EQ(config.start, static_cast<DWORD>(SERVICE_AUTO_START));
  EXPECT_EQ(config.errorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
  EXPECT_EQ(config.displayName, "zelbase");
  EXPECT_EQ(config.dependencies, std::string(1, '\0'));

  EXPECT_EQ(CreateDriverService(manager, "ZELBASE", "C:\\drivers\\second.sys"), 0);
  EXPECT_EQ(ConfigOf("zelbase").imagePath, "C:\\drivers\\first.sys") << "the registration stays";
}

TEST_F(DriverServiceTest, StartCountsAnAlreadyRunningServiceAsStarted) {
  PlaceDriver("zelbase.sys");
  Register("zelbase", "System32\\drivers\\zelbase.sys", false);
  EXPECT_EQ(StartDriverService(manager, "zelbase"), 1);
  EXPECT_EQ(StartDriverService(manager, "zelbase"), 1);
  EXPECT_EQ(StartDriverService(manager, "unknown"), 0);
  Register("imageless", "System32\\drivers\\missing.sys", false);
  EXPECT_EQ(StartDriverService(manager, "imageless"), 0);
}

TEST_F(DriverServiceTest, DeviceProbeClosesAndDeviceWithAPlaceStaysOpen) {
  winsim::CreateDevice("zelbase");
  EXPECT_EQ(OpenDriverDevice("zelbase", nullptr), 1);
  EXPECT_EQ(winsim::OpenHandles(winsim::HandleKind::Device), 0u);

  HANDLE device = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(kSentinel));
  EXPECT_EQ(OpenDriverDevice("ZelBase", &device), 1);
  EXPECT_EQ(winsim::OpenHandles(winsim::HandleKind::Device), 1u);
  EXPECT_TRUE(CloseHandle(device));

  device = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(kSentinel));
  EXPECT_EQ(OpenDriverDevice("missing", &device), 0);
  EXPECT_EQ(device, reinterpret_cast<HANDLE>(static_cast<uintptr_t>(kSentinel))) << "untouched on failure";
}

TEST_F(DriverServiceTest, DeviceNamesUpTo59CharactersFitTheDevicePath) {
  std::string longest(kMaxDeviceName, 'd');
  std::string tooLong(kMaxDeviceName + 1, 'd');
  winsim::CreateDevice(longest);
  winsim::CreateDevice(tooLong);
  EXPECT_EQ(OpenDriverDevice(longest.c_str(), nullptr), 1);
  winsim::ClearCallLog();
  EXPECT_EQ(OpenDriverDevice(tooLong.c_str(), nullptr), 0);
  EXPECT_TRUE(winsim::CallLog().empty()) << "a name that does not fit is not cut into another";
  EXPECT_EQ(OpenDriverDevice(nullptr, nullptr), 0);
}

TEST_F(DriverServiceTest, StopAndDeleteReportTheirRequestsResult) {
  PlaceDriver("zelbase.sys");
  Register("zelbase", "System32\\drivers\\zelbase.sys", true);
  EXPECT_NE(StopDriverService(manager, "zelbase"), 0);
  EXPECT_FALSE(winsim::DeviceExists("zelbase"));
  SetLastError(kSentinel);
  EXPECT_EQ(StopDriverService(manager, "zelbase"), 0) << "a stopped service refuses";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE));

  EXPECT_NE(DeleteDriverService(manager, "zelbase"), 0);
  EXPECT_FALSE(winsim::RegKeyExists(std::string(servicetest::kServicesKey) + "zelbase"));
  EXPECT_EQ(StopDriverService(manager, "zelbase"), 0);
  EXPECT_EQ(DeleteDriverService(manager, "zelbase"), 0);
}

TEST_F(DriverServiceTest, StopByNameAlwaysReportsOne) {
  PlaceDriver("zelbase.sys");
  Register("zelbase", "System32\\drivers\\zelbase.sys", true);
  EXPECT_EQ(StopServiceByName("zelbase"), 1);
  EXPECT_EQ(winsim::ServiceState("zelbase"), static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_EQ(StopServiceByName("zelbase"), 1);
  EXPECT_EQ(StopServiceByName("unknown"), 1);
}

TEST_F(DriverServiceTest, CreateStartOpenLeavesARunningDriverAsItIs) {
  PlaceDriver("zelbase.sys");
  Register("zelbase", "System32\\drivers\\zelbase.sys", true);
  EXPECT_EQ(CreateStartOpenDriver("zelbase", "C:\\elsewhere\\zelbase.sys", nullptr), 1);
  EXPECT_EQ(ConfigOf("zelbase").imagePath, "System32\\drivers\\zelbase.sys");
  EXPECT_EQ(ConfigOf("zelbase").start, static_cast<DWORD>(SERVICE_DEMAND_START));
}

TEST_F(DriverServiceTest, CreateStartOpenRestsOnTheDeviceAlone) {
  // Creating and starting both fail, but the device is there: success.
  winsim::CreateDevice("zelbase");
  winsim::FailNthCallOf("CreateServiceA", 1, ERROR_ACCESS_DENIED);
  HANDLE device = nullptr;
  EXPECT_EQ(CreateStartOpenDriver("zelbase", "C:\\x.sys", &device), 1);
  EXPECT_NE(device, nullptr);
  CloseHandle(device);

  // The driver starts but creates no device of that name: failure.
  PlaceDriver("quiet.sys");
  winsim::SetDriverDevice("quiet.sys", "");
  EXPECT_EQ(CreateStartOpenDriver("quiet", (winsim::SystemDirectory() + "\\drivers\\quiet.sys").c_str(), nullptr), 0);
  EXPECT_EQ(winsim::ServiceState("quiet"), static_cast<DWORD>(SERVICE_RUNNING));
}

TEST_F(DriverServiceTest, CreateStartOpenWithoutAManagerStillProbesTheDevice) {
  winsim::CreateDevice("zelbase");
  winsim::FailNthCallOf("OpenSCManagerA", 1, ERROR_ACCESS_DENIED);
  winsim::ClearCallLog();
  EXPECT_EQ(CreateStartOpenDriver("zelbase", "C:\\x.sys", nullptr), 1);
  EXPECT_EQ(ServiceManagerCalls(), (std::vector<std::string>{"OpenSCManagerA", "CreateServiceA", "OpenServiceA"}));
}

}  // namespace
