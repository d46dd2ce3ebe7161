// The module object as a setup program first meets it, on every Windows version the run covers: the
// object comes from QueryModuleObj, the platform check answers from the version record the system shows,
// naming, file insertion and the hook slots keep to their status rules, and releasing leaves no handle.
// Everything goes through the raw interface table, as a host built by another compiler would call it.
#include <gtest/gtest.h>
#include <windows.h>

#include <ostream>
#include <string>

#include "basetdic/module_obj.h"
#include "scenario_platform.h"
#include "wine_gap.h"

namespace scenarios {

// Shows a fingerprint's values, so that a changed one can be compared by eye.
void PrintTo(const HandleFingerprint& fingerprint, std::ostream* out) {
  *out << "{" << std::hex;
  for (size_t i = 0; i < fingerprint.values.size(); ++i) *out << (i ? " " : "") << fingerprint.values[i];
  *out << std::dec << "}";
}

}  // namespace scenarios

namespace {

class PlatformScenario : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    machine_ = scenarios::MakeMachine(GetParam());
    baseline_ = machine_->TakeHandleFingerprint();
    object_ = static_cast<ModuleObjHeader*>(machine_->QueryModuleObj());
    ASSERT_NE(object_, nullptr);
  }
  void TearDown() override {
    if (object_ != nullptr) {
      EXPECT_EQ(machine_->ReleaseObj(object_), 1);
    }
    EXPECT_EQ(machine_->TakeHandleFingerprint(), baseline_) << "a handle was left open";
  }

  const ModuleObjVtbl& Table() const { return *object_->vtbl; }
  ModuleStatus& Status() const { return *object_->statusPtr; }

  std::unique_ptr<scenarios::MachineFacade> machine_;
  scenarios::HandleFingerprint baseline_;
  ModuleObjHeader* object_ = nullptr;
};

TEST_P(PlatformScenario, CheckPlatformRefusesOnlyTheWindows9xFamily) {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  ASSERT_TRUE(GetVersionExA(&version));
  const uint32_t expected = version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? 0 : 1;
  for (const char* kind : {"FwBaseNt", "FwBase2K", "Other"}) {
    SCOPED_TRACE(kind);
    Status().result = 7;
    EXPECT_EQ(Table().SetModuleName(object_, kind), 0);
    EXPECT_EQ(Table().CheckPlatform(object_), 0);
    EXPECT_EQ(Status().result, expected) << "platform id " << version.dwPlatformId;
    EXPECT_EQ(Status().pending, 0u);
  }
}

// The Windows 95 family carries the service-manager functions only as stubs that fail with
// ERROR_CALL_NOT_IMPLEMENTED; Wine keeps its NT service manager whatever version it reports.
TEST_P(PlatformScenario, OnlyTheNtFamilyHasAServiceManager) {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  ASSERT_TRUE(GetVersionExA(&version));
  const bool win9x = version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
  SetLastError(0xdeadbeef);
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  DWORD error = GetLastError();
  if (manager != nullptr) CloseServiceHandle(manager);
  EXPECT_WINE_GAP(win9x && machine_->PlatformName() == "wine", "the 95 family's service manager answers as NT's",
                  EXPECT_EQ(manager == nullptr, win9x);
                  EXPECT_EQ(win9x ? error : 0u, win9x ? static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED) : 0u));
}

TEST_P(PlatformScenario, NamingInsertingAndHooksKeepTheirStatusRules) {
  EXPECT_EQ(Status().result, 1u) << "a new object reports success";
  EXPECT_STREQ(object_->idPtr, BASETDIC_MODULE_ID);

  // Each row: what the slot does to a status word holding 7 (1: sets success; 7: leaves it).
  struct Row {
    const char* slot;
    int (*call)(const ModuleObjVtbl&, void*);
    uint32_t resultAfter;
  };
  const Row rows[] = {
      {"SetModuleName", [](const ModuleObjVtbl& t, void* o) { return t.SetModuleName(o, "FwBase2K"); }, 7},
      {"SetModuleName(null)", [](const ModuleObjVtbl& t, void* o) { return t.SetModuleName(o, nullptr); }, 7},
      {"InsertFile", [](const ModuleObjVtbl& t, void* o) { return t.InsertFile(o, "C:\\setup\\zelbase.sys"); }, 1},
      {"InsertFile(null)", [](const ModuleObjVtbl& t, void* o) { return t.InsertFile(o, nullptr); }, 1},
      {"Hook1", [](const ModuleObjVtbl& t, void* o) { return t.Hook1(o, 0xdeadbeef); }, 1},
      {"Hook3", [](const ModuleObjVtbl& t, void* o) { return t.Hook3(o); }, 1},
      {"Hook6", [](const ModuleObjVtbl& t, void* o) { return t.Hook6(o, 1, 2, 3); }, 1},
      {"Hook8", [](const ModuleObjVtbl& t, void* o) { return t.Hook8(o); }, 1},
      {"Hook10", [](const ModuleObjVtbl& t, void* o) { return t.Hook10(o); }, 1},
      {"Hook13", [](const ModuleObjVtbl& t, void* o) { return t.Hook13(o, 5); }, 7},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.slot);
    Status().result = 7;
    EXPECT_EQ(row.call(Table(), object_), 0);
    EXPECT_EQ(Status().result, row.resultAfter);
    EXPECT_EQ(Status().pending, 0u);
    EXPECT_EQ(Status().reserved[0] | Status().reserved[1] | Status().reserved[2], 0u);
  }
}

TEST_P(PlatformScenario, ReleaseAcceptsNullAndEveryObjectEndsCleanly) {
  EXPECT_EQ(machine_->ReleaseObj(nullptr), 1);
  // A second object alongside the first: both end without leaving anything open (checked in TearDown).
  void* second = machine_->QueryModuleObj();
  ASSERT_NE(second, nullptr);
  EXPECT_NE(second, static_cast<void*>(object_));
  EXPECT_EQ(machine_->ReleaseObj(second), 1);
}

INSTANTIATE_TEST_SUITE_P(Versions, PlatformScenario, ::testing::ValuesIn(scenarios::VersionsUnderTest()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
