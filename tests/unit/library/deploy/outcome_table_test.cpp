// Every driver operation over module kind x Windows version x WOW64, checked against literal outcome
// tables: the branch each chooser picks, which status words each case writes and which it leaves alone.
#include <gtest/gtest.h>

#include <string>

#include "basetdic/module_obj.h"
#include "rules/branch_choice.h"
#include "deploy_fixture.h"
#include "rules/module_kind.h"
#include "support/version_record.h"

namespace {

using basetdic::InstallBranch;
using basetdic::ModuleKind;
using basetdic::RemoveBranch;
using basetdic::StartBranch;
using basetdic::UpdateBranch;
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

// Every spelling a host might use, mapped to the kind it names; the last two name none.
const struct {
  const char* name;
  ModuleKind kind;
} kNames[] = {
    {"FwBaseNt", ModuleKind::FwBaseNt}, {"fwbasent", ModuleKind::FwBaseNt}, {"FwBase2K", ModuleKind::FwBase2K},
    {"FWBASE2K", ModuleKind::FwBase2K}, {"FwBaseVt", ModuleKind::FwBaseVt}, {"fwbasevt", ModuleKind::FwBaseVt},
    {"FwBase", ModuleKind::Unknown},    {"", ModuleKind::Unknown},
};

enum class Wow64 { No, Yes, Any };

template <class Branch>
struct Expect {
  Branch branch;
  uint32_t result;
  uint32_t pending;
};

using IB = InstallBranch;
using UB = UpdateBranch;
using RB = RemoveBranch;
using SB = StartBranch;
using MK = ModuleKind;
constexpr uint32_t U = kUnchanged;

// The outcome tables, written out: kind, Windows, WOW64 -> for each operation the branch its chooser
// picks and the status words it leaves. Rows whose branch is None are the cases that must not match a
// branch (a kind on another kind's Windows, NT 6 with build 1381, NT 10 for the NT 6 kind, Windows 98
// whose build reads as after NT 4.0 but whose platform closes the gate).
struct Row {
  MK kind;
  const char* windows;
  Wow64 wow64;
  Expect<IB> install;
  Expect<UB> update;
  Expect<RB> remove;
  Expect<SB> start;
};

const Row kRows[] = {
    {MK::FwBaseNt, "win98", Wow64::Any, {IB::None, U, U}, {UB::None, U, U}, {RB::None, U, U}, {SB::None, 1, U}},
    {MK::FwBaseNt, "nt4", Wow64::Any, {IB::TdiDriver, 1, 0}, {UB::TdiDriver, 1, 1}, {RB::TdiDriver, 1, U}, {SB::FwBaseNt, 1, U}},
    {MK::FwBaseNt, "nt4-high-build-bits", Wow64::Any, {IB::TdiDriver, 1, 0}, {UB::TdiDriver, 1, 1}, {RB::TdiDriver, 1, U}, {SB::FwBaseNt, 1, U}},
    {MK::FwBaseNt, "win2k", Wow64::Any, {IB::None, 1, 0}, {UB::None, 1, 1}, {RB::None, 1, U}, {SB::None, 1, U}},
    {MK::FwBaseNt, "winxp", Wow64::Any, {IB::None, 1, 0}, {UB::None, 1, 1}, {RB::None, 1, U}, {SB::None, 1, U}},
    {MK::FwBaseNt, "vista", Wow64::Any, {IB::None, 1, 0}, {UB::None, 1, 1}, {RB::None, 1, U}, {SB::None, 1, U}},
    {MK::FwBaseNt, "win7", Wow64::Any, {IB::None, 1, 0}, {UB::None, 1, 1}, {RB::None, 1, U}, {SB::None, 1, U}},
    {MK::FwBaseNt, "nt10", Wow64::Any, {IB::None, 1, 0}, {UB::None, 1, 1}, {RB::None, 1, U}, {SB::None, 1, U}},
    {MK::FwBaseNt, "nt6-build-1381", Wow64::Any, {IB::None, 1, 0}, {UB::None, 1, 1}, {RB::None, 1, U}, {SB::None, 1, U}},

    {MK::FwBase2K, "win98", Wow64::Any, {IB::KernelService, U, U}, {UB::DriverFile, U, U}, {RB::KernelService, U, U}, {SB::FwBase2K, 1, U}},
    {MK::FwBase2K, "nt4", Wow64::Any, {IB::None, 1, 0}, {UB::None, 1, 1}, {RB::None, 1, U}, {SB::None, 1, U}},
    {MK::FwBase2K, "nt4-high-build-bits", Wow64::Any, {IB::None, 1, 0}, {UB::None, 1, 1}, {RB::None, 1, U}, {SB::None, 1, U}},
    {MK::FwBase2K, "win2k", Wow64::No, {IB::KernelService, 1, 0}, {UB::DriverFile, 1, 1}, {RB::KernelService, 1, 1}, {SB::FwBase2K, 1, U}},
    {MK::FwBase2K, "win2k", Wow64::Yes, {IB::KernelService, 1, 1}, {UB::DriverFile, 1, 1}, {RB::KernelService, 1, 1}, {SB::FwBase2K, 1, U}},
    {MK::FwBase2K, "winxp", Wow64::No, {IB::KernelService, 1, 0}, {UB::DriverFile, 1, 1}, {RB::KernelService, 1, 1}, {SB::FwBase2K, 1, U}},
    {MK::FwBase2K, "winxp", Wow64::Yes, {IB::KernelService, 1, 1}, {UB::DriverFile, 1, 1}, {RB::KernelService, 1, 1}, {SB::FwBase2K, 1, U}},
    {MK::FwBase2K, "vista", Wow64::Any, {IB::None, 1, 0}, {UB::DriverFile, 1, 1}, {RB::None, 1, U}, {SB::None, 1, U}},
    {MK::FwBase2K, "win7", Wow64::Any, {IB::None, 1, 0}, {UB::DriverFile, 1, 1}, {RB::None, 1, U}, {SB::None, 1, U}},
    {MK::FwBase2K, "nt10", Wow64::No, {IB::KernelService, 1, 0}, {UB::DriverFile, 1, 1}, {RB::KernelService, 1, 1}, {SB::FwBase2K, 1, U}},
    {MK::FwBase2K, "nt10", Wow64::Yes, {IB::KernelService, 1, 1}, {UB::DriverFile, 1, 1}, {RB::KernelService, 1, 1}, {SB::FwBase2K, 1, U}},
    {MK::FwBase2K, "nt6-build-1381", Wow64::Any, {IB::None, 1, 0}, {UB::None, 1, 1}, {RB::None, 1, U}, {SB::None, 1, U}},

    {MK::FwBaseVt, "win98", Wow64::Any, {IB::None, U, U}, {UB::DriverFile, U, U}, {RB::None, U, U}, {SB::None, 1, U}},
    {MK::FwBaseVt, "nt4", Wow64::Any, {IB::None, 1, 0}, {UB::None, 1, 1}, {RB::None, 1, U}, {SB::None, 1, U}},
    {MK::FwBaseVt, "nt4-high-build-bits", Wow64::Any, {IB::None, 1, 0}, {UB::None, 1, 1}, {RB::None, 1, U}, {SB::None, 1, U}},
    {MK::FwBaseVt, "win2k", Wow64::Any, {IB::None, 1, 0}, {UB::DriverFile, 1, 1}, {RB::None, 1, U}, {SB::None, 1, U}},
    {MK::FwBaseVt, "winxp", Wow64::Any, {IB::None, 1, 0}, {UB::DriverFile, 1, 1}, {RB::None, 1, U}, {SB::None, 1, U}},
    {MK::FwBaseVt, "vista", Wow64::Any, {IB::NetworkComponent, 1, 1}, {UB::DriverFile, 1, 1}, {RB::NetworkComponent, 1, 1}, {SB::None, 1, U}},
    {MK::FwBaseVt, "win7", Wow64::Any, {IB::NetworkComponent, 1, 1}, {UB::DriverFile, 1, 1}, {RB::NetworkComponent, 1, 1}, {SB::None, 1, U}},
    {MK::FwBaseVt, "nt10", Wow64::Any, {IB::None, 1, 0}, {UB::DriverFile, 1, 1}, {RB::None, 1, U}, {SB::None, 1, U}},
    {MK::FwBaseVt, "nt6-build-1381", Wow64::Any, {IB::NetworkComponent, 1, 1}, {UB::None, 1, 1}, {RB::NetworkComponent, 1, 1}, {SB::None, 1, U}},

    {MK::Unknown, "win98", Wow64::Any, {IB::None, U, U}, {UB::None, U, U}, {RB::None, U, U}, {SB::None, 1, U}},
    {MK::Unknown, "nt4", Wow64::Any, {IB::None, 1, 0}, {UB::None, 1, 1}, {RB::None, 1, U}, {SB::None, 1, U}},
    {MK::Unknown, "nt4-high-build-bits", Wow64::Any, {IB::None, 1, 0}, {UB::None, 1, 1}, {RB::None, 1, U}, {SB::None, 1, U}},
    {MK::Unknown, "win2k", Wow64::Any, {IB::None, 1, 0}, {UB::None, 1, 1}, {RB::None, 1, U}, {SB::None, 1, U}},
    {MK::Unknown, "winxp", Wow64::Any, {IB::None, 1, 0}, {UB::None, 1, 1}, {RB::None, 1, U}, {SB::None, 1, U}},
    {MK::Unknown, "vista", Wow64::Any, {IB::None, 1, 0}, {UB::None, 1, 1}, {RB::None, 1, U}, {SB::None, 1, U}},
    {MK::Unknown, "win7", Wow64::Any, {IB::None, 1, 0}, {UB::None, 1, 1}, {RB::None, 1, U}, {SB::None, 1, U}},
    {MK::Unknown, "nt10", Wow64::Any, {IB::None, 1, 0}, {UB::None, 1, 1}, {RB::None, 1, U}, {SB::None, 1, U}},
    {MK::Unknown, "nt6-build-1381", Wow64::Any, {IB::None, 1, 0}, {UB::None, 1, 1}, {RB::None, 1, U}, {SB::None, 1, U}},
};

// The one row for a case; a case no row or two rows cover fails the test.
const Row* RowFor(ModuleKind kind, const char* windows, bool wow64) {
  const Row* found = nullptr;
  int matches = 0;
  for (const Row& row : kRows) {
    bool wow64Matches = row.wow64 == Wow64::Any || (row.wow64 == Wow64::Yes) == wow64;
    if (row.kind == kind && std::string(row.windows) == windows && wow64Matches) {
      found = &row;
      ++matches;
    }
  }
  EXPECT_EQ(matches, 1) << "rows for this case";
  return matches == 1 ? found : nullptr;
}

template <class Branch>
struct Operation {
  const char* name;
  int (*call)(const ModuleObjVtbl&, void*);
  Branch (*choose)(ModuleKind, const OSVERSIONINFOA&);
  Expect<Branch> Row::*expected;
};

// Runs one operation on a fresh object with both status words preset, checking its chooser's branch and
// the words it leaves against the row.
template <class Branch>
void Check(DeployMachine& machine, const char* name, const winsim::OsVersion& os, const Row& row,
           const Operation<Branch>& operation) {
  SCOPED_TRACE(operation.name);
  const Expect<Branch>& expected = row.*operation.expected;
  const OSVERSIONINFOA version = testsupport::VersionRecord(os.platformId, os.major, os.minor, os.build);
  EXPECT_EQ(operation.choose(row.kind, version), expected.branch) << "branch";

  void* object = machine.NewModule(name);
  auto* header = static_cast<ModuleObjHeader*>(object);
  header->statusPtr->result = kUnchanged;
  header->statusPtr->pending = kUnchanged;
  EXPECT_EQ(operation.call(*header->vtbl, object), 0);
  EXPECT_EQ(header->statusPtr->result, expected.result) << "result";
  EXPECT_EQ(header->statusPtr->pending, expected.pending) << "pending";
  machine.Release(object);
  EXPECT_EQ(winsim::OpenHandles(), 0u);
}

const Operation<IB> kInstall = {"install", [](const ModuleObjVtbl& t, void* o) { return t.InstallDriver(o); },
                                &basetdic::ChooseInstallBranch, &Row::install};
const Operation<UB> kUpdate = {"update", [](const ModuleObjVtbl& t, void* o) { return t.UpdateDriver(o); },
                               &basetdic::ChooseUpdateBranch, &Row::update};
const Operation<RB> kRemove = {"remove", [](const ModuleObjVtbl& t, void* o) { return t.RemoveDriver(o); },
                               &basetdic::ChooseRemoveBranch, &Row::remove};
const Operation<SB> kStart = {"start", [](const ModuleObjVtbl& t, void* o) { return t.StartDriver(o, 0); },
                              &basetdic::ChooseStartBranch, &Row::start};

TEST(OutcomeTable, EveryOperationKindVersionAndWow64) {
  for (const Windows& windows : kWindows) {
    for (bool wow64 : {false, true}) {
      // One machine per version: the outcomes depend on the branch, not on what earlier calls left.
      DeployMachine machine(windows.os, wow64);
      for (const auto& named : kNames) {
        SCOPED_TRACE(std::string(named.name) + " on " + windows.name + (wow64 ? " wow64" : ""));
        EXPECT_EQ(basetdic::KindOfName(named.name), named.kind) << "kind";
        const Row* row = RowFor(named.kind, windows.name, wow64);
        if (row == nullptr) continue;
        Check(machine, named.name, windows.os, *row, kInstall);
        Check(machine, named.name, windows.os, *row, kUpdate);
        Check(machine, named.name, windows.os, *row, kRemove);
        Check(machine, named.name, windows.os, *row, kStart);
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
