// The shared TDI driver's registration: the reference count, the value layout and what the last release
// deletes, driven through the install, update and remove slots on NT 4.0.
#include <gtest/gtest.h>

#include "deploy_fixture.h"
#include "winsim/registry.h"
#include "winsim/services.h"

namespace {

using basetdic_test::DeployMachine;
using basetdic_test::StatusOf;
using basetdic_test::TableOf;

const char kKey[] = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\BaseTDI";

class TdiRegistration : public ::testing::Test {
 protected:
  DWORD Count() {
    winsim::RegValue value;
    return winsim::RegGetValue(kKey, "nSon", &value) ? winsim::DwordOf(value.data) : 0xBAD;
  }
  void Install() { Run([](void* o) { TableOf(o).InstallDriver(o); }); }
  void Update() { Run([](void* o) { TableOf(o).UpdateDriver(o); }); }
  void Remove() { Run([](void* o) { TableOf(o).RemoveDriver(o); }); }
  template <class Call>
  void Run(Call call) {
    void* object = machine.NewModule("FwBaseNt");
    call(object);
    machine.Release(object);
  }
  DeployMachine machine{winsim::OsNt40(), false};
  std::string driver = DeployMachine::DriverPath("basetdi.sys");  // after the machine: its layout
};

TEST_F(TdiRegistration, FirstAcquireWritesTheWholeKeyInOrderWithExactByteCounts) {
  // With the driver already up the start needs no service manager, so the key holds what was written.
  winsim::CreateDevice("baseTdi");
  Install();
  std::vector<winsim::RegValue> values = winsim::RegValues(kKey);
  ASSERT_EQ(values.size(), 6u);
  const struct {
    const char* name;
    DWORD type;
    std::string data;
  } expected[] = {
      // Written with 22 bytes, without its terminator; NT counts the zero that follows in memory.
      {"DisplayName", REG_SZ, std::string("Qandor TDI Base Driver", 23)},
      {"ErrorControl", REG_DWORD, winsim::DwordBytes(1)},
      {"ImagePath", REG_EXPAND_SZ, std::string("System32\\DRIVERS\\BaseTDI.SYS", 29)},
      {"nSon", REG_DWORD, winsim::DwordBytes(1)},
      {"Start", REG_DWORD, winsim::DwordBytes(2)},
      {"Type", REG_DWORD, winsim::DwordBytes(1)},
  };
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(values[i].name, expected[i].name);
    EXPECT_EQ(values[i].type, expected[i].type) << expected[i].name;
    EXPECT_EQ(values[i].data, expected[i].data) << expected[i].name;
  }
  EXPECT_TRUE(winsim::HostFileExists(driver));
  std::vector<std::string> writes;
  for (const winsim::CallRecord& call : winsim::CallLog())
    if (call.function == "RegSetValueExA") writes.push_back(call.arguments);
  const char* const sizes[] = {"\"DisplayName\" type=1 size=22", "\"ErrorControl\" type=4 size=4",
                               "\"ImagePath\" type=2 size=29", "\"nSon\" type=4 size=4",
                               "\"Start\" type=4 size=4", "\"Type\" type=4 size=4"};
  ASSERT_EQ(writes.size(), 6u);
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(writes[i], sizes[i]);
}

TEST_F(TdiRegistration, AcquireWithoutDeviceRegistersAndStartsTheDriver) {
  Install();
  EXPECT_EQ(Count(), 1u);
  EXPECT_EQ(winsim::ServiceState("basetdi"), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_TRUE(winsim::DeviceExists("baseTdi"));
}

TEST_F(TdiRegistration, CountsAreRaisedByInstallAndUpdateAndLoweredByRemove) {
  winsim::RegPutDword(kKey, "nSon", 3);
  Install();
  EXPECT_EQ(Count(), 4u);
  Update();
  EXPECT_EQ(Count(), 5u);
  Remove();
  EXPECT_EQ(Count(), 4u);
  EXPECT_TRUE(winsim::RegKeyExists(kKey));
  EXPECT_TRUE(winsim::HostFileExists(driver));
}

TEST_F(TdiRegistration, LastReleaseDeletesSubkeysKeyAndDriverFile) {
  winsim::CreateDevice("baseTdi");  // the driver is up without being loaded from this image
  Install();
  winsim::RegPutKey(std::string(kKey) + "\\Enum");
  winsim::RegPutKey(std::string(kKey) + "\\Security");
  Remove();
  EXPECT_FALSE(winsim::RegKeyExists(kKey));
  EXPECT_FALSE(winsim::HostFileExists(driver));
}

TEST_F(TdiRegistration, CountNeverWrapsInEitherDirection) {
  winsim::RegPutDword(kKey, "nSon", 0xFFFFFFFFu);
  Install();
  EXPECT_EQ(Count(), 0xFFFFFFFFu) << "an acquire at the top keeps the count";
  winsim::RegPutDword(kKey, "nSon", 0);
  Remove();
  EXPECT_FALSE(winsim::RegKeyExists(kKey)) << "a release that reads 0 is the last one";
}

TEST_F(TdiRegistration, CountThatDoesNotFitFourBytesCountsAsMissing) {
  winsim::RegPutValue(kKey, "nSon", REG_BINARY, std::string(8, '\x05'));
  Install();
  EXPECT_EQ(Count(), 1u);
  winsim::RegPutValue(kKey, "nSon", REG_BINARY, std::string(8, '\x05'));
  Remove();
  EXPECT_FALSE(winsim::RegKeyExists(kKey));
}

TEST_F(TdiRegistration, NewerInstalledDriverIsKeptWhileTheCountIsRaised) {
  DeployMachine::PutVersionedFile(driver, "9.0.0.0");
  Install();
  std::string bytes;
  winsim::ReadHostFile(driver, &bytes);
  std::string newer;
  DeployMachine::PutVersionedFile("C:\\probe.sys", "9.0.0.0");
  winsim::ReadHostFile("C:\\probe.sys", &newer);
  EXPECT_EQ(bytes, newer);
  EXPECT_EQ(Count(), 1u);
}

TEST_F(TdiRegistration, ForeignSubkeyKeepsTheKeyButTheFileGoes) {
  winsim::CreateDevice("baseTdi");
  Install();
  winsim::RegPutKey(std::string(kKey) + "\\Parameters");
  Remove();
  EXPECT_TRUE(winsim::RegKeyExists(kKey));
  EXPECT_EQ(Count(), 0u);
  EXPECT_FALSE(winsim::HostFileExists(driver));
}

TEST_F(TdiRegistration, KeyThatCannotBeCreatedIsNotWrittenButTheDriverStillStarts) {
  winsim::FailNthCallOf("RegCreateKeyA", 1, ERROR_ACCESS_DENIED);
  Install();
  EXPECT_TRUE(winsim::RegValues(kKey).empty() || Count() == 0xBAD);
  bool probed = false;
  for (const winsim::CallRecord& call : winsim::CallLog())
    if (call.function == "CreateFileA" && call.arguments.find("\\\\.\\baseTdi") != std::string::npos) probed = true;
  EXPECT_TRUE(probed) << "the start runs on every path";
}

TEST_F(TdiRegistration, ReleaseDeletesNothingWhenTheKeyFailsToOpenForAnotherReason) {
  Install();
  winsim::FailNthCallOf("RegOpenKeyExA", 1, ERROR_ACCESS_DENIED);
  Remove();
  EXPECT_TRUE(winsim::RegKeyExists(kKey));
  EXPECT_EQ(Count(), 1u);
  EXPECT_TRUE(winsim::HostFileExists(driver));
}

TEST_F(TdiRegistration, ReleaseWithoutKeyStillDeletesAStrayDriverFile) {
  DeployMachine::PutVersionedFile(driver, "1.0.0.0");
  Remove();
  EXPECT_FALSE(winsim::HostFileExists(driver));
}

TEST_F(TdiRegistration, LastReleaseCannotDeleteTheImageOfARunningDriver) {
  Install();
  ASSERT_EQ(winsim::ServiceState("basetdi"), static_cast<DWORD>(SERVICE_RUNNING));
  Remove();
  EXPECT_FALSE(winsim::RegKeyExists(kKey));
  EXPECT_TRUE(winsim::HostFileExists(driver)) << "the loaded image stays until the driver unloads";
}

TEST_F(TdiRegistration, TwoModulesShareTheDriverUntilTheLastRemove) {
  winsim::CreateDevice("baseTdi");
  void* first = machine.NewModule("FwBaseNt");
  void* second = machine.NewModule("FWBASENT");
  TableOf(first).InstallDriver(first);
  TableOf(second).InstallDriver(second);
  EXPECT_EQ(Count(), 2u);
  TableOf(first).RemoveDriver(first);
  EXPECT_TRUE(winsim::HostFileExists(driver));
  EXPECT_TRUE(winsim::DeviceExists("baseTdi"));
  TableOf(second).RemoveDriver(second);
  EXPECT_FALSE(winsim::RegKeyExists(kKey));
  EXPECT_FALSE(winsim::HostFileExists(driver));
  machine.Release(first);
  machine.Release(second);
  EXPECT_EQ(winsim::OpenHandles(), 0u);
}

}  // namespace
