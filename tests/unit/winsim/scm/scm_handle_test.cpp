// Handles and rights: what each service function does with a handle that is not open, not of its kind,
// or lacks the right it needs; the manager's database names; and the configuration query.
#include "scm_test_support.h"

namespace {

using scmtest::kSentinel;
using scmtest::ScmTest;

void ExpectError(BOOL result, DWORD error, const char* what) {
  EXPECT_FALSE(result) << what;
  EXPECT_EQ(GetLastError(), error) << what;
}

TEST_F(ScmTest, ServiceFunctionsRefuseHandlesThatAreNotServiceHandles) {
  SERVICE_STATUS status;
  DWORD needed = 0;
  for (SC_HANDLE bad : {static_cast<SC_HANDLE>(nullptr), manager, reinterpret_cast<SC_HANDLE>(0x7777)}) {
    SetLastError(kSentinel);
    ExpectError(StartServiceA(bad, 0, nullptr), ERROR_INVALID_HANDLE, "StartServiceA");
    SetLastError(kSentinel);
    ExpectError(ControlService(bad, SERVICE_CONTROL_STOP, &status), ERROR_INVALID_HANDLE, "ControlService");
    SetLastError(kSentinel);
    ExpectError(DeleteService(bad), ERROR_INVALID_HANDLE, "DeleteService");
    SetLastError(kSentinel);
    ExpectError(QueryServiceStatus(bad, &status), ERROR_INVALID_HANDLE, "QueryServiceStatus");
    SetLastError(kSentinel);
    ExpectError(QueryServiceConfigA(bad, nullptr, 0, &needed), ERROR_INVALID_HANDLE, "QueryServiceConfigA");
  }
  SetLastError(kSentinel);
  EXPECT_EQ(OpenServiceA(nullptr, "x", SERVICE_ALL_ACCESS), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(ScmTest, ClosingTwiceOrClosingWithCloseHandleFails) {
  SC_HANDLE other = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  SetLastError(kSentinel);
  EXPECT_FALSE(CloseHandle(other)) << "a service-manager handle is no kernel handle";
  EXPECT_EQ(winsim::OpenHandles(winsim::HandleKind::ServiceManager), 2u);
  EXPECT_TRUE(CloseServiceHandle(other));
  SetLastError(kSentinel);
  ExpectError(CloseServiceHandle(other), ERROR_INVALID_HANDLE, "second close");
  EXPECT_EQ(winsim::OpenHandles(winsim::HandleKind::ServiceManager), 1u);
}

TEST_F(ScmTest, CallsNeedTheRightsTheirHandleWasOpenedWith) {
  SC_HANDLE connectOnly = OpenSCManagerA(nullptr, nullptr, 0);
  ASSERT_NE(connectOnly, nullptr) << "connecting is always granted";
  SetLastError(kSentinel);
  EXPECT_EQ(CreateServiceA(connectOnly, "x", nullptr, 0, SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START,
                           SERVICE_ERROR_NORMAL, "C:\\x.sys", nullptr, nullptr, nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  CloseServiceHandle(connectOnly);

  PlaceDriver("x.sys");
  ASSERT_TRUE(CreateDriverAndClose("x", "System32\\drivers\\x.sys"));
  SC_HANDLE queryOnly = OpenServiceA(manager, "x", SERVICE_QUERY_STATUS);
  SERVICE_STATUS status;
  DWORD needed = 0;
  SetLastError(kSentinel);
  ExpectError(StartServiceA(queryOnly, 0, nullptr), ERROR_ACCESS_DENIED, "start");
  SetLastError(kSentinel);
  ExpectError(ControlService(queryOnly, SERVICE_CONTROL_STOP, &status), ERROR_ACCESS_DENIED, "stop");
  SetLastError(kSentinel);
  ExpectError(DeleteService(queryOnly), ERROR_ACCESS_DENIED, "delete");
  SetLastError(kSentinel);
  ExpectError(QueryServiceConfigA(queryOnly, nullptr, 0, &needed), ERROR_ACCESS_DENIED, "config");
  EXPECT_TRUE(QueryServiceStatus(queryOnly, &status));
  CloseServiceHandle(queryOnly);

  SC_HANDLE executable = OpenServiceA(manager, "x", GENERIC_EXECUTE);
  EXPECT_TRUE(StartServiceA(executable, 0, nullptr)) << "GENERIC_EXECUTE maps onto start and stop";
  EXPECT_TRUE(ControlService(executable, SERVICE_CONTROL_STOP, &status));
  CloseServiceHandle(executable);
}

TEST_F(ScmTest, ManagerOpensOnlyTheActiveDatabaseOfThisMachine) {
  struct Case {
    const char* machine;
    const char* database;
    DWORD error;
  } cases[] = {{nullptr, nullptr, ERROR_SUCCESS},
               {"", "ServicesActive", ERROR_SUCCESS},
               {nullptr, "servicesactive", ERROR_SUCCESS},
               {nullptr, "ServicesFailed", ERROR_DATABASE_DOES_NOT_EXIST},
               {nullptr, "DoesNotExist", ERROR_INVALID_NAME},
               {"DOESNOTEXIST", nullptr, RPC_S_SERVER_UNAVAILABLE}};
  for (const Case& c : cases) {
    SetLastError(kSentinel);
    SC_HANDLE opened = OpenSCManagerA(c.machine, c.database, SC_MANAGER_CONNECT);
    EXPECT_EQ(opened != nullptr, c.error == ERROR_SUCCESS) << (c.database ? c.database : "(null)");
    EXPECT_EQ(GetLastError(), c.error) << (c.database ? c.database : "(null)");
    if (opened) CloseServiceHandle(opened);
  }
}

TEST_F(ScmTest, CreateChecksItsArgumentsInWindowsOrder) {
  struct Case {
    const char* name;
    const char* image;
    DWORD type;
    DWORD start;
    DWORD error;
  } cases[] = {{nullptr, "C:\\x.sys", SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, ERROR_INVALID_ADDRESS},
               {"x", nullptr, SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, ERROR_INVALID_ADDRESS},
               {"", "C:\\x.sys", SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, ERROR_INVALID_NAME},
               {"a\\b", "C:\\x.sys", SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, ERROR_INVALID_NAME},
               {"x", "", SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, ERROR_INVALID_PARAMETER},
               {"x", "C:\\x.sys", 0x30, SERVICE_DEMAND_START, ERROR_INVALID_PARAMETER},
               {"x", "C:\\x.exe", SERVICE_WIN32_OWN_PROCESS, SERVICE_BOOT_START, ERROR_INVALID_PARAMETER},
               {"x", "C:\\x.sys", SERVICE_KERNEL_DRIVER, 5, ERROR_INVALID_PARAMETER}};
  for (const Case& c : cases) {
    SetLastError(kSentinel);
    EXPECT_EQ(CreateServiceA(manager, c.name, nullptr, SERVICE_ALL_ACCESS, c.type, c.start, SERVICE_ERROR_NORMAL,
                             c.image, nullptr, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), c.error) << (c.name ? c.name : "(null)") << " " << (c.image ? c.image : "(null)");
  }
  EXPECT_TRUE(winsim::KnownServices().empty());
}

TEST_F(ScmTest, ConfigQueryReportsTheSizeItNeedsAndWritesNoMore) {
  SC_HANDLE service = CreateDriver("zelbase", "System32\\DRIVERS\\zelbase.SYS", SERVICE_AUTO_START, "Tcpip\0");
  DWORD needed = 0;
  SetLastError(kSentinel);
  ExpectError(QueryServiceConfigA(service, nullptr, 0, &needed), ERROR_INSUFFICIENT_BUFFER, "size query");
  ASSERT_GT(needed, sizeof(QUERY_SERVICE_CONFIGA));

  std::vector<char> buffer(needed + 16, '\x5a');
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
  DWORD again = 0;
  SetLastError(kSentinel);
  ExpectError(QueryServiceConfigA(service, config, needed - 1, &again), ERROR_INSUFFICIENT_BUFFER, "one short");
  EXPECT_EQ(again, needed);
  ASSERT_TRUE(QueryServiceConfigA(service, config, needed, &again));
  EXPECT_EQ(config->dwServiceType, static_cast<DWORD>(SERVICE_KERNEL_DRIVER));
  EXPECT_EQ(config->dwStartType, static_cast<DWORD>(SERVICE_AUTO_START));
  EXPECT_EQ(config->dwErrorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
  EXPECT_STREQ(config->lpBinaryPathName, "System32\\DRIVERS\\zelbase.SYS");
  EXPECT_STREQ(config->lpDisplayName, "zelbase");
  EXPECT_STREQ(config->lpDependencies, "Tcpip");
  EXPECT_EQ(config->lpDependencies[6], '\0') << "the list's closing zero";
  for (size_t i = needed; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], '\x5a') << "byte " << i;
  CloseServiceHandle(service);
}

TEST_F(ScmTest, CallLogNamesTheServiceBehindAHandle) {
  SC_HANDLE service = CreateDriver("zelbase", "C:\\x.sys");
  winsim::ClearCallLog();
  StartServiceA(service, 0, nullptr);
  ASSERT_EQ(winsim::CallLog().size(), 1u);
  EXPECT_EQ(winsim::CallLog()[0].function, "StartServiceA");
  EXPECT_NE(winsim::CallLog()[0].arguments.find("\"zelbase\""), std::string::npos) << winsim::CallLog()[0].arguments;
  CloseServiceHandle(service);
}

}  // namespace
