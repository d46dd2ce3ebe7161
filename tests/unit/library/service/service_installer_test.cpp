// The service installer: classification and binding, SetDriverPath's names, RegisterService's create and
// rewrite paths with their exact registry bytes and trace lines, and the operations on the stored name.
#include "service/service_installer.h"
#include "service_test_support.h"
#include "winsim/modules.h"

namespace {

using basetdic::ServiceInstaller;
using servicetest::kServicesKey;
using servicetest::ServiceManagerCalls;
using servicetest::ServiceTest;
using servicetest::TraceMessages;

const char kZelBaseKey[] = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\ZelBase";
const char kDisplayName[] = "Qandor  Zelbase Driver";
const char kImagePath[] = "System32\\DRIVERS\\zelbase.SYS";
const char kTcpip[] = "Tcpip\0";

std::string ValueBytes(const char* valueName, DWORD* type = nullptr) {
  winsim::RegValue value;
  if (!winsim::RegGetValue(kZelBaseKey, valueName, &value)) return "<missing>";
  if (type) *type = value.type;
  return value.data;
}

class ServiceInstallerTest : public ServiceTest {
 protected:
  int RegisterZelBase() {
    winsim::ClearCallLog();
    return installer.RegisterService("ZelBase", kDisplayName, kImagePath, SERVICE_AUTO_START, kTcpip);
  }
  ServiceInstaller installer;
};

TEST_F(ServiceInstallerTest, BindsAllSevenFunctionsOnXp) {
  EXPECT_TRUE(installer.FunctionsBound());
  EXPECT_EQ(installer.Class(), basetdic::OsNt5);
  EXPECT_EQ(installer.DeviceHandle(), nullptr);
  // The reference taken for the look-ups is given back at once; advapi32 stays loaded with the process.
  winsim::ModuleUsage advapi = winsim::UsageOf("advapi32.dll");
  EXPECT_GE(advapi.loads, 1u);
  EXPECT_EQ(advapi.frees, advapi.loads);
  EXPECT_TRUE(advapi.loaded);
}

TEST_F(ServiceInstallerTest, NewServiceIsCreatedWithTheGivenValuesAndStarted) {
  PlaceDriver("zelbase.sys");
  SwitchTraceOn();
  EXPECT_EQ(RegisterZelBase(), 1);
  Config config = ConfigOf("ZelBase");
  EXPECT_EQ(config.type, static_cast<DWORD>(SERVICE_KERNEL_DRIVER));
  EXPECT_EQ(config.start, static_cast<DWORD>(SERVICE_AUTO_START));
  EXPECT_EQ(config.errorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
  EXPECT_EQ(config.imagePath, kImagePath);
  EXPECT_EQ(config.displayName, kDisplayName);
  EXPECT_EQ(config.dependencies, std::string("Tcpip\0\0", 7));
  EXPECT_EQ(winsim::ServiceState("ZelBase"), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_EQ(ServiceManagerCalls(),
            (std::vector<std::string>{"OpenSCManagerA", "OpenServiceA", "CreateServiceA", "StartServiceA",
                                      "CloseServiceHandle", "CloseServiceHandle"}));
  EXPECT_EQ(TraceMessages(), std::vector<std::string>{"Install ZelBase openSCManger OK!\n"});
}

TEST_F(ServiceInstallerTest, RunningServiceGetsItsValuesRewrittenAndCountsAsStarted) {
  PlaceDriver("zelbase.sys");
  Register("ZelBase", "C:\\old\\zelbase.sys", false, "Old name");
  winsim::RegPutValue(kZelBaseKey, "ImagePath", REG_SZ, std::string(kImagePath) + '\0');
  {
    winsim::QuietScope quiet;
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    SC_HANDLE service = OpenServiceA(manager, "ZelBase", SERVICE_START);
    ASSERT_TRUE(StartServiceA(service, 0, nullptr));
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
  }
  SwitchTraceOn();
  EXPECT_EQ(RegisterZelBase(), 1);

  // The writes in their order with the byte counts passed; the stored bytes are what NT keeps, which for
  // a text counted without its terminator includes it again (NT looks one byte past the count).
  struct Expected {
    const char* name;
    DWORD type;
    DWORD size;
    std::string stored;
  } expected[] = {
      {"DisplayName", REG_SZ, 22, std::string(kDisplayName, 23)},
      {"ErrorControl", REG_DWORD, 4, winsim::DwordBytes(1)},
      {"ImagePath", REG_EXPAND_SZ, 29, std::string(kImagePath, 29)},
      {"Start", REG_DWORD, 4, winsim::DwordBytes(2)},
      {"Type", REG_DWORD, 4, winsim::DwordBytes(1)},
      {"DependOnService", REG_MULTI_SZ, 7, std::string("Tcpip\0\0", 7)},
      {"DependOnGroup", REG_MULTI_SZ, 2, std::string(2, '\0')},
  };
  std::vector<std::string> writes;
  for (const winsim::CallRecord& call : winsim::CallLog()) {
    if (call.function == "RegSetValueExA") writes.push_back(call.arguments);
  }
  ASSERT_EQ(writes.size(), sizeof expected / sizeof expected[0]);
  for (size_t i = 0; i < writes.size(); ++i) {
    const Expected& value = expected[i];
    EXPECT_EQ(writes[i], "\"" + std::string(value.name) + "\" type=" + std::to_string(value.type) +
                             " size=" + std::to_string(value.size));
    DWORD type = 0;
    EXPECT_EQ(ValueBytes(value.name, &type), value.stored) << value.name;
    EXPECT_EQ(type, value.type) << value.name;
  }
  EXPECT_EQ(ConfigOf("ZelBase").imagePath, "C:\\old\\zelbase.sys") << "the manager was not told";
  EXPECT_EQ(ServiceManagerCalls(), (std::vector<std::string>{"OpenSCManagerA", "OpenServiceA", "StartServiceA",
                                                             "CloseServiceHandle", "CloseServiceHandle"}));
  EXPECT_EQ(TraceMessages(), std::vector<std::string>{"Install ZelBase openSCManger OK!\n"});
}

TEST_F(ServiceInstallerTest, ExistingServiceThatFailsToStartReportsFailureWithoutATrace) {
  Register("ZelBase", "System32\\drivers\\missing.sys", false);
  SwitchTraceOn();
  EXPECT_EQ(RegisterZelBase(), 0);
  DWORD type = 0;
  EXPECT_EQ(ValueBytes("ImagePath", &type), std::string(kImagePath, 29));
  EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(TraceMessages(), std::vector<std::string>{"Install ZelBase openSCManger OK!\n"});
}

TEST_F(ServiceInstallerTest, FailedCreationTracesTheNameAndTheError) {
  // Another service already shows the display name, so the manager refuses the new one.
  Register("Impostor", "C:\\x.sys", false, kDisplayName);
  SwitchTraceOn();
  EXPECT_EQ(RegisterZelBase(), 0);
  EXPECT_EQ(TraceMessages(), (std::vector<std::string>{"Install ZelBase openSCManger OK!\n",
                                                       "Install ZelBase CreateServidce Fail. LastError:1078 \n"}));
  EXPECT_FALSE(winsim::RegKeyExists(kZelBaseKey));
}

TEST_F(ServiceInstallerTest, ExistingServiceOfAnotherNameStillRewritesTheZelBaseKey) {
  PlaceDriver("other.sys");
  Register("Other", "System32\\drivers\\other.sys", false);
  EXPECT_EQ(installer.RegisterService("Other", kDisplayName, kImagePath, SERVICE_AUTO_START, kTcpip), 1);
  EXPECT_EQ(ValueBytes("DisplayName"), std::string(kDisplayName, 23));
  winsim::RegValue otherDisplay;
  ASSERT_TRUE(winsim::RegGetValue(std::string(kServicesKey) + "Other", "DisplayName", &otherDisplay));
  EXPECT_EQ(otherDisplay.data, std::string("Other", 6));
}

TEST_F(ServiceInstallerTest, ManagerThatDoesNotOpenMeansNoTrace) {
  SwitchTraceOn();
  winsim::FailNthCallOf("OpenSCManagerA", 1, ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegisterZelBase(), 0);
  EXPECT_TRUE(TraceMessages().empty());
}

TEST_F(ServiceInstallerTest, SetDriverPathKeepsTheFileNameLessItsExtension) {
  struct Row {
    std::string path;
    int result;
    const char* name;  // after the call; the previous name stays on failure
  } rows[] = {
      {"C:\\WINDOWS\\system32\\drivers\\zelbase.sys", 1, "zelbase"},
      {"zelbase.sys", 0, "zelbase"},
      {"C:\\x\\abc", 0, "zelbase"},
      {"C:\\x\\abcd", 1, ""},
      {"C:\\x\\" + std::string(47, 'n') + ".sys", 1, nullptr},
      {"C:\\x\\" + std::string(48, 'n') + ".sys", 0, nullptr},
      {"C:\\" + std::string(300, 'p') + "\\long.sys", 0, nullptr},
  };
  std::string expectedName = "zelbase";
  for (const Row& row : rows) {
    EXPECT_EQ(installer.SetDriverPath(row.path.c_str()), row.result) << row.path;
    if (row.name) expectedName = row.name;
    if (!row.name && row.result == 1) expectedName = std::string(47, 'n');
    EXPECT_EQ(installer.ServiceName(), expectedName) << row.path;
  }
  EXPECT_EQ(installer.SetDriverPath("D:\\drv\\zelbase.sys"), 1);
  EXPECT_STREQ(installer.DriverPath(), "D:\\drv\\zelbase.sys");
  EXPECT_EQ(installer.SetDriverPath("nobackslash.sys"), 0);
  EXPECT_STREQ(installer.DriverPath(), "nobackslash.sys") << "the NT family stores the path first";
}

TEST_F(ServiceInstallerTest, InstallAndStartCreatesAnOnDemandServiceOnce) {
  std::string image = PlaceDriver("zelbase.sys");
  ASSERT_EQ(installer.SetDriverPath(image.c_str()), 1);
  EXPECT_EQ(installer.InstallAndStart(), 1);
  Config config = ConfigOf("zelbase");
  EXPECT_EQ(config.start, static_cast<DWORD>(SERVICE_DEMAND_START));
  EXPECT_EQ(config.imagePath, image);
  EXPECT_EQ(config.displayName, "zelbase");
  EXPECT_EQ(installer.InstallAndStart(), 1) << "already running";

  ASSERT_EQ(installer.SetDriverPath("C:\\WINDOWS\\system32\\drivers\\absent.sys"), 1);
  EXPECT_EQ(installer.InstallAndStart(), 0);
  EXPECT_EQ(winsim::ServiceState("absent"), static_cast<DWORD>(SERVICE_STOPPED)) << "registered all the same";
}

TEST_F(ServiceInstallerTest, RemoveServiceDeletesWithoutStopping) {
  std::string image = PlaceDriver("zelbase.sys");
  ASSERT_EQ(installer.SetDriverPath(image.c_str()), 1);
  EXPECT_EQ(installer.RemoveService(), 0) << "nothing to remove yet";
  ASSERT_EQ(installer.InstallAndStart(), 1);
  EXPECT_EQ(installer.RemoveService(), 1);
  EXPECT_TRUE(winsim::ServiceMarkedForDelete("zelbase"));
  EXPECT_EQ(winsim::ServiceState("zelbase"), static_cast<DWORD>(SERVICE_RUNNING));
}

TEST_F(ServiceInstallerTest, DeviceOpensByServiceNameUntilClosed) {
  ASSERT_EQ(installer.SetDriverPath("C:\\WINDOWS\\system32\\drivers\\zelbase.sys"), 1);
  EXPECT_EQ(installer.OpenDevice(), nullptr);
  SetLastError(servicetest::kSentinel);
  EXPECT_FALSE(installer.CloseDevice());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

  winsim::CreateDevice("zelbase");
  winsim::ClearCallLog();
  HANDLE device = installer.OpenDevice();
  EXPECT_NE(device, nullptr);
  EXPECT_EQ(installer.DeviceHandle(), device);
  ASSERT_FALSE(winsim::CallLog().empty());
  EXPECT_NE(winsim::CallLog()[0].arguments.find("\"\\\\.\\zelbase\""), std::string::npos);
  EXPECT_EQ(winsim::OpenHandles(winsim::HandleKind::Device), 1u);
  EXPECT_TRUE(installer.CloseDevice());
  EXPECT_EQ(installer.DeviceHandle(), nullptr);
}

class Win98ServiceInstallerTest : public ServiceTest {
 protected:
  Win98ServiceInstallerTest() : ServiceTest(winsim::OsWin98()) {}
};

TEST_F(Win98ServiceInstallerTest, OutsideTheNtFamilyNothingReachesTheManager) {
  ServiceInstaller installer;
  EXPECT_EQ(installer.Class(), basetdic::OsWin98);
  EXPECT_EQ(installer.SetDriverPath("C:\\WINDOWS\\SYSTEM\\zelbase.vxd"), 1);
  EXPECT_STREQ(installer.ServiceName(), "zelbase");
  EXPECT_STREQ(installer.DriverPath(), "") << "the path is kept on the NT family only";
  EXPECT_EQ(installer.SetDriverPath("zelbase.vxd"), 0);
  winsim::ClearCallLog();
  EXPECT_EQ(installer.RegisterService("ZelBase", kDisplayName, kImagePath, SERVICE_AUTO_START, kTcpip), 0);
  EXPECT_EQ(installer.InstallAndStart(), 1);
  EXPECT_EQ(installer.RemoveService(), 1);
  EXPECT_TRUE(ServiceManagerCalls().empty());
}

TEST_F(ServiceInstallerTest, NtAboveVersion6IsRefused) {
  winsim::SetOsVersion(winsim::OsVersion{VER_PLATFORM_WIN32_NT, 7, 0, 7600, ""});
  ServiceInstaller future;
  EXPECT_EQ(future.Class(), basetdic::OsUnknown);
  winsim::ClearCallLog();
  EXPECT_EQ(future.RegisterService("ZelBase", kDisplayName, kImagePath, SERVICE_AUTO_START, kTcpip), 0);
  EXPECT_TRUE(ServiceManagerCalls().empty());
}

TEST_F(ServiceInstallerTest, MissingExportLeavesTheInstallerUnbound) {
  for (const char* function : {"CreateServiceA", "StartServiceA", "ControlService", "DeleteService", "OpenServiceA",
                               "OpenSCManagerA", "CloseServiceHandle"}) {
    winsim::RemoveExport("advapi32.dll", function);
    ServiceInstaller unbound;
    EXPECT_FALSE(unbound.FunctionsBound()) << function;
    winsim::ClearCallLog();
    EXPECT_EQ(unbound.RegisterService("ZelBase", kDisplayName, kImagePath, SERVICE_AUTO_START, kTcpip), 0);
    EXPECT_EQ(unbound.InstallAndStart(), 0);
    EXPECT_EQ(unbound.RemoveService(), 0);
    EXPECT_TRUE(ServiceManagerCalls().empty()) << function;
  }
}

TEST_F(ServiceInstallerTest, AdvapiThatDoesNotLoadLeavesTheInstallerUnbound) {
  winsim::FailDllLoad("advapi32.dll", ERROR_MOD_NOT_FOUND);
  ServiceInstaller unbound;
  EXPECT_FALSE(unbound.FunctionsBound());
  EXPECT_EQ(unbound.Functions().openSCManager, nullptr);
}

}  // namespace
