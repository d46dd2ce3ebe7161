// The manager's database against the registry: the values it writes, the keys it does not know, the keys
// it keeps knowing, and deletion.
#include "scm_test_support.h"

namespace {

using scmtest::Bytes;
using scmtest::kSentinel;
using scmtest::kServicesKey;
using scmtest::ScmTest;

struct ExpectedValue {
  const char* name;
  DWORD type;
  std::string data;
};

void ExpectValues(const std::string& key, const std::vector<ExpectedValue>& expected, int line) {
  SCOPED_TRACE(testing::Message() << "checked at line " << line);
  for (const ExpectedValue& value : expected) {
    winsim::RegValue stored;
    ASSERT_TRUE(winsim::RegGetValue(key, value.name, &stored)) << value.name;
    EXPECT_EQ(stored.type, value.type) << value.name;
    EXPECT_EQ(stored.data, value.data) << value.name;
  }
}

TEST_F(ScmTest, CreatedDriverKeyHoldsTheValuesWindowsWrites) {
  SC_HANDLE service = CreateServiceA(manager, "ZelBase", "Qandor  Zelbase Driver", SERVICE_ALL_ACCESS,
                                     SERVICE_KERNEL_DRIVER, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                                     "System32\\DRIVERS\\zelbase.SYS", nullptr, nullptr, "Tcpip\0+NDIS\0", nullptr,
                                     nullptr);
  ASSERT_NE(service, nullptr);
  CloseServiceHandle(service);
  std::string key = std::string(kServicesKey) + "ZelBase";
  ExpectValues(key,
               {{"Type", REG_DWORD, winsim::DwordBytes(1)},
                {"Start", REG_DWORD, winsim::DwordBytes(2)},
                {"ErrorControl", REG_DWORD, winsim::DwordBytes(1)},
                {"ImagePath", REG_EXPAND_SZ, Bytes("System32\\DRIVERS\\zelbase.SYS", 29)},
                {"DisplayName", REG_SZ, Bytes("Qandor  Zelbase Driver", 23)},
                {"DependOnService", REG_MULTI_SZ, Bytes("Tcpip\0", 7)},
                {"DependOnGroup", REG_MULTI_SZ, Bytes("NDIS\0", 6)}},
               __LINE__);
  // A driver's ObjectName names its driver object; none was given, so none is written. No group, no tag.
  for (const char* absent : {"ObjectName", "Group", "Tag", "DeleteFlag"})
    EXPECT_FALSE(winsim::RegGetValue(key, absent, nullptr)) << absent;
}

TEST_F(ScmTest, Win32ServiceRunsAsLocalSystemAndListsNothingItWasNotGiven) {
  SC_HANDLE service = CreateServiceA(manager, "helper", nullptr, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                     SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, "C:\\tools\\helper.exe", nullptr,
                                     nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(service, nullptr);
  CloseServiceHandle(service);
  std::string key = std::string(kServicesKey) + "helper";
  ExpectValues(key, {{"ObjectName", REG_SZ, Bytes("LocalSystem", 12)}}, __LINE__);
  for (const char* absent : {"DisplayName", "DependOnService", "DependOnGroup"})
    EXPECT_FALSE(winsim::RegGetValue(key, absent, nullptr)) << absent;
}

TEST_F(ScmTest, NamesCompareWithoutCaseAndKeepTheirCase) {
  ASSERT_TRUE(CreateDriverAndClose("ZelBase", "C:\\x.sys"));
  EXPECT_EQ(winsim::RegSubkeys(std::string(kServicesKey).substr(0, strlen(kServicesKey) - 1)),
            std::vector<std::string>{"ZelBase"});
  SC_HANDLE opened = OpenServiceA(manager, "ZELBASE", SERVICE_QUERY_STATUS);
  EXPECT_NE(opened, nullptr);
  CloseServiceHandle(opened);
  SetLastError(kSentinel);
  EXPECT_EQ(CreateDriver("zelbase", "C:\\y.sys"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_EXISTS));
}

TEST_F(ScmTest, DisplayNameTakenByAnotherServiceIsRefused) {
  ASSERT_TRUE(CreateDriverAndClose("first", "C:\\x.sys"));
  for (const char* display : {"FIRST", "first"}) {
    SetLastError(kSentinel);
    EXPECT_EQ(CreateServiceA(manager, "second", display, SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
                             SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, "C:\\y.sys", nullptr, nullptr, nullptr,
                             nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DUPLICATE_SERVICE_NAME)) << display;
  }
}

TEST_F(ScmTest, KeyWrittenBehindTheManagersBackIsUnknownUntilCreatedOverIt) {
  std::string key = std::string(kServicesKey) + "zelbase";
  winsim::RegPutDword(key, "Type", 1);
  winsim::RegPutString(key, "ImagePath", "C:\\old.sys");
  winsim::RegPutDword(key, "nSon", 3);

  SetLastError(kSentinel);
  EXPECT_EQ(OpenServiceA(manager, "zelbase", SERVICE_ALL_ACCESS), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));

  ASSERT_TRUE(CreateDriverAndClose("zelbase", "C:\\new.sys", SERVICE_AUTO_START));
  ExpectValues(key,
               {{"ImagePath", REG_EXPAND_SZ, Bytes("C:\\new.sys", 11)},
                {"Start", REG_DWORD, winsim::DwordBytes(2)},
                {"nSon", REG_DWORD, winsim::DwordBytes(3)}},
               __LINE__);
}

TEST_F(ScmTest, KeyDeletedBehindTheManagersBackStaysKnownUntilReboot) {
  ASSERT_TRUE(CreateDriverAndClose("zelbase", "C:\\x.sys"));
  winsim::RegRemoveTree(std::string(kServicesKey) + "zelbase");

  SC_HANDLE service = OpenServiceA(manager, "zelbase", SERVICE_ALL_ACCESS);
  ASSERT_NE(service, nullptr);
  // The loader reads the key, which is gone: nothing to load.
  SetLastError(kSentinel);
  EXPECT_FALSE(StartServiceA(service, 0, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  CloseServiceHandle(service);
  SetLastError(kSentinel);
  EXPECT_EQ(CreateDriver("zelbase", "C:\\x.sys"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_EXISTS));

  CloseServiceHandle(manager);
  winsim::RebootMachine();
  manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  SetLastError(kSentinel);
  EXPECT_EQ(OpenServiceA(manager, "zelbase", SERVICE_ALL_ACCESS), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
}

TEST_F(ScmTest, RebootLearnsServiceKeysAndSkipsKeysWithoutAUsableConfiguration) {
  winsim::RegPutDword(std::string(kServicesKey) + "written", "Type", SERVICE_KERNEL_DRIVER);
  winsim::RegPutDword(std::string(kServicesKey) + "settingsOnly", "nSon", 1);
  winsim::RegPutDword(std::string(kServicesKey) + "badStart", "Type", SERVICE_WIN32_OWN_PROCESS);
  winsim::RegPutDword(std::string(kServicesKey) + "badStart", "Start", SERVICE_BOOT_START);
  winsim::RebootMachine();
  EXPECT_EQ(winsim::KnownServices(), std::vector<std::string>{"written"});
  EXPECT_EQ(winsim::ServiceState("WRITTEN"), static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_EQ(winsim::ServiceState("settingsOnly"), 0u);
}

TEST_F(ScmTest, DeletedServiceGoesWithItsLastHandle) {
  std::string key = std::string(kServicesKey) + "zelbase";
  SC_HANDLE first = CreateDriver("zelbase", "C:\\x.sys");
  ASSERT_NE(first, nullptr);
  SC_HANDLE second = OpenServiceA(manager, "zelbase", SERVICE_ALL_ACCESS);
  ASSERT_NE(second, nullptr);

  EXPECT_TRUE(DeleteService(first));
  ExpectValues(key, {{"DeleteFlag", REG_DWORD, winsim::DwordBytes(1)}}, __LINE__);
  EXPECT_TRUE(winsim::ServiceMarkedForDelete("zelbase"));
  SetLastError(kSentinel);
  EXPECT_FALSE(DeleteService(second));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_MARKED_FOR_DELETE));
  SetLastError(kSentinel);
  EXPECT_FALSE(StartServiceA(second, 0, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_MARKED_FOR_DELETE));
  SetLastError(kSentinel);
  EXPECT_EQ(CreateDriver("zelbase", "C:\\x.sys"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_MARKED_FOR_DELETE));

  CloseServiceHandle(first);
  EXPECT_TRUE(winsim::RegKeyExists(key)) << "one handle is still open";
  CloseServiceHandle(second);
  EXPECT_FALSE(winsim::RegKeyExists(key));
  EXPECT_EQ(winsim::ServiceState("zelbase"), 0u);
  ASSERT_TRUE(CreateDriverAndClose("zelbase", "C:\\x.sys")) << "the name is free again";
}

TEST_F(ScmTest, RunningServiceMarkedForDeletionStaysUntilStopped) {
  PlaceDriver("zelbase.sys");
  SC_HANDLE service = CreateDriver("zelbase", winsim::SystemDirectory() + "\\drivers\\zelbase.sys");
  ASSERT_TRUE(StartServiceA(service, 0, nullptr));
  ASSERT_TRUE(DeleteService(service));
  CloseServiceHandle(service);
  EXPECT_EQ(winsim::ServiceState("zelbase"), static_cast<DWORD>(SERVICE_RUNNING));

  // A marked service still opens, so it can be stopped; it goes when that handle closes.
  service = OpenServiceA(manager, "zelbase", SERVICE_STOP);
  ASSERT_NE(service, nullptr);
  SERVICE_STATUS status;
  EXPECT_TRUE(ControlService(service, SERVICE_CONTROL_STOP, &status));
  CloseServiceHandle(service);
  EXPECT_EQ(winsim::ServiceState("zelbase"), 0u);
  EXPECT_FALSE(winsim::RegKeyExists(std::string(kServicesKey) + "zelbase"));
}

TEST_F(ScmTest, RebootRemovesServicesMarkedForDeletion) {
  PlaceDriver("zelbase.sys");
  SC_HANDLE service = CreateDriver("zelbase", "System32\\drivers\\zelbase.sys", SERVICE_AUTO_START);
  ASSERT_TRUE(StartServiceA(service, 0, nullptr));
  ASSERT_TRUE(DeleteService(service));
  CloseServiceHandle(service);
  winsim::RebootMachine();
  EXPECT_FALSE(winsim::RegKeyExists(std::string(kServicesKey) + "zelbase"));
  EXPECT_FALSE(winsim::DeviceExists("zelbase"));
}

}  // namespace
