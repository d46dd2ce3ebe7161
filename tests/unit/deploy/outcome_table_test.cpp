// Every driver operation over module kind x Windows version x WOW64, checked against the outcome tables:
// which status words each case writes and which it leaves as they were.
#include <gtest/gtest.h>

#include <string>

#include "basetdic/module_obj.h"
#include "deploy_fixture.h"

namespace {

using basetdic_test::DeployMachine;

constexpr uint32_t kUnchanged = 7;  // preset into both words before each call

struct Windows {
  const char* name;
  winsim::OsVersion os;
};

winsim::OsVersion Nt(DWORD major, DWORD minor, DWORD build) { return {VER_PLATFORM_WIN32_NT, major, minor, build, ""}; }

const Windows kWindows[] = {
    {"win98", winsim::OsWin98()},
    {"nt4", winsim::OsNt40()},
    {"nt4-high-build-bits", Nt(4, 0, 0x00010565)},  // low 16 bits 1381
    {"win2k", winsim::OsWin2k()},
    {"winxp", winsim::OsWinXp()},
    {"vista", winsim::OsVista()},
    {"win7", winsim::OsWin7()},
    {"nt10", Nt(10, 0, 19045)},
    {"nt6-build-1381", Nt(6, 0, 1381)},
};

const char* const kNames[] = {"FwBaseNt", "fwbasent", "FwBase2K", "FWBASE2K", "FwBaseVt", "fwbasevt", "FwBase", ""};

enum class Kind { Nt, TwoK, Vt, Other };

Kind KindOf(const std::string& name) {
  std::string lower;
  for (char c : name) lower += static_cast<char>(tolower(static_cast<unsigned char>(c)));
  if (lower == "fwbasent") return Kind::Nt;
  if (lower == "fwbase2k") return Kind::TwoK;
  if (lower == "fwbasevt") return Kind::Vt;
  return Kind::Other;
}

struct Outcome {
  uint32_t result;
  uint32_t pending;
};

// The outcome tables, written from the case's facts alone.
struct Case {
  Kind kind;
  winsim::OsVersion os;
  bool wow64;
  bool nt() const { return os.platformId == VER_PLATFORM_WIN32_NT; }
  unsigned build() const { return os.build & 0xFFFF; }
  bool ntBranch() const { return kind == Kind::Nt && os.major != 6 && build() == 1381; }
  bool kernelServiceBranch() const { return kind == Kind::TwoK && build() > 1381 && os.major != 6; }
  bool networkComponentBranch() const { return kind == Kind::Vt && os.major == 6; }

  Outcome Install() const {
    if (!nt()) return {kUnchanged, kUnchanged};
    if (ntBranch()) return {1, 0};
    if (kernelServiceBranch()) return {1, wow64 ? 1u : 0u};
    if (networkComponentBranch()) return {1, 1};  // data path set, tool present
    return {1, 0};
  }
  Outcome Update() const { return nt() ? Outcome{1, 1} : Outcome{kUnchanged, kUnchanged}; }
  Outcome Remove() const {
    if (!nt()) return {kUnchanged, kUnchanged};
    if (ntBranch()) return {1, kUnchanged};
    if (kernelServiceBranch() || networkComponentBranch()) return {1, 1};
    return {1, kUnchanged};
  }
  Outcome Start() const { return {1, kUnchanged}; }
};

TEST(OutcomeTable, EveryOperationKindVersionAndWow64) {
  for (const Windows& windows : kWindows) {
    for (bool wow64 : {false, true}) {
      // One machine per version: the outcomes depend on the branch, not on what earlier calls left.
      DeployMachine machine(windows.os, wow64);
      for (const char* name : kNames) {
        Case expected{KindOf(name), windows.os, wow64};
        struct Operation {
          const char* name;
          int (*call)(const ModuleObjVtbl&, void*);
          Outcome outcome;
        } operations[] = {
            {"install", [](const ModuleObjVtbl& t, void* o) { return t.InstallDriver(o); }, expected.Install()},
            {"update", [](const ModuleObjVtbl& t, void* o) { return t.UpdateDriver(o); }, expected.Update()},
            {"remove", [](const ModuleObjVtbl& t, void* o) { return t.RemoveDriver(o); }, expected.Remove()},
            {"start", [](const ModuleObjVtbl& t, void* o) { return t.StartDriver(o, 0); }, expected.Start()},
        };
        for (const Operation& operation : operations) {
          void* object = machine.NewModule(name);
          auto* header = static_cast<ModuleObjHeader*>(object);
          header->statusPtr->result = kUnchanged;
          header->statusPtr->pending = kUnchanged;
          EXPECT_EQ(operation.call(*header->vtbl, object), 0);
          EXPECT_EQ(header->statusPtr->result, operation.outcome.result)
              << operation.name << " " << name << " on " << windows.name << (wow64 ? " wow64" : "") << ": result";
          EXPECT_EQ(header->statusPtr->pending, operation.outcome.pending)
              << operation.name << " " << name << " on " << windows.name << (wow64 ? " wow64" : "") << ": pending";
          machine.Release(object);
          EXPECT_EQ(winsim::OpenHandles(), 0u) << operation.name << " " << name << " on " << windows.name;
        }
      }
    }
  }
}

TEST(OutcomeTable, GateClosedWithoutSetupDirectoryLeavesStatusAlone) {
  DeployMachine machine(winsim::OsWinXp(), false);
  for (const char* name : {"FwBaseNt", "FwBase2K", "FwBaseVt"}) {
    void* object = machine.NewModule(name, /*insertFiles=*/false);
    auto* header = static_cast<ModuleObjHeader*>(object);
    header->statusPtr->result = kUnchanged;
    header->statusPtr->pending = kUnchanged;
    header->vtbl->InstallDriver(object);
    header->vtbl->UpdateDriver(object);
    header->vtbl->RemoveDriver(object);
    EXPECT_EQ(header->statusPtr->result, kUnchanged) << name;
    EXPECT_EQ(header->statusPtr->pending, kUnchanged) << name;
    machine.Release(object);
  }
}

}  // namespace
