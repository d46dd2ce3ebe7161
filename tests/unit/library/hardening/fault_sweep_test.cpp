// Every driver operation and InsertFile, branch by branch, with each of its platform calls failing in turn
// as Windows would fail it there. Every run must end without an open handle, with version.dll released as
// often as it was loaded and the registration's mutex given back, with the status words the operation's
// failure rules give, and with the shared TDI driver's key and file present exactly while a reference is
// held (unless the failing call was the deletion itself).
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "fault_sweep.h"
#include "hardening_machine.h"
#include "sweep_branches.h"

namespace hardening {
namespace {

using Check = void (*)(const SweepRun& run, const Branch& branch);

// ---- checks ----

// The status words by the shared outcome table's rows for the branch and the failed call.
void ExpectTableStatus(const SweepRun& run, const Branch& branch) {
  std::vector<sweep::FaultedCall> faulted;
  if (const winsim::CallRecord* call = run.Faulted()) {
    unsigned nth = 0;
    for (size_t i = 0; i < run.faultedCall; ++i) nth += run.calls[i].function == call->function ? 1 : 0;
    faulted.push_back({call->function, call->arguments, run.injectedError, nth});
  }
  const sweep::Outcome expected = sweep::ExpectedOutcome(branch.expectation, branch.wow64, "winsim", faulted);
  EXPECT_EQ(run.result, expected.result) << "result";
  EXPECT_EQ(run.pending, expected.pending) << "pending";
}

// A fault in the step that places the driver file: the copy itself, or the system directory it needs.
bool CopyFailed(const SweepRun& run) { return run.FaultIn("CopyFileA") || run.FaultIn("GetSystemDirectoryA"); }

// The count a TDI acquire leaves, by the call that failed: the first row that matches the run decides.
enum class CountAfter { Unchanged, One, Raised };
struct AcquireCountRule {
  const char* function;  // null: every run the rows above do not match, the baseline included
  const char* argument;
  DWORD error;  // 0: any
  CountAfter after;
  const char* why;
};
// (When the key cannot be created nothing is written, yet starting the driver afterwards can create the
// key: it is also the service key of "basetdi", which the service manager writes.)
const AcquireCountRule kAcquireCount[] = {
    {"RegCreateKeyA", "", 0, CountAfter::Unchanged, "nothing is written when the key cannot be created"},
    {"RegSetValueExA", "\"nSon\"", 0, CountAfter::Unchanged, "the count's own write failed"},
    {"RegQueryValueExA", "\"nSon\"", ERROR_MORE_DATA, CountAfter::One,
     "a count that does not fit four bytes counts as missing"},
    {nullptr, "", 0, CountAfter::Raised, "any other single failure still counts this acquire in"},
};

bool Matches(const AcquireCountRule& rule, const SweepRun& run) {
  if (rule.function == nullptr) return true;
  return run.FaultIn(rule.function, rule.argument) && (rule.error == 0 || run.injectedError == rule.error);
}

bool CountTooLong(const SweepRun& run) {
  return run.FaultIn("RegQueryValueExA", "\"nSon\"") && run.injectedError == ERROR_MORE_DATA;
}

void CheckTdiAcquire(const SweepRun& run, const Branch&) {
  const TdiState& before = run.before;
  const TdiState& after = run.after;
  for (const AcquireCountRule& rule : kAcquireCount) {
    if (!Matches(rule, run)) continue;
    const long long raised = before.count < 1 ? 1 : before.count + 1;
    EXPECT_EQ(after.count, rule.after == CountAfter::Raised ? raised
                           : rule.after == CountAfter::One  ? 1
                                                            : before.count)
        << rule.why;
    break;
  }
  if (before.Held() && !CountTooLong(run))
    EXPECT_GE(after.count, before.count) << "a single failed call never lowers the count others hold";
  if (after.Held() && !CopyFailed(run)) EXPECT_TRUE(after.driver) << "a held reference has its driver file";
  if (!after.Held() && !run.FaultIn("RegCreateKeyA") && !run.FaultIn("RegSetValueExA", "\"nSon\""))
    ADD_FAILURE() << "the acquire left no reference";
}

void CheckTdiRelease(const SweepRun& run, const Branch&) {
  const TdiState& before = run.before;
  const TdiState& after = run.after;
  const bool countReadFailed = run.FaultIn("RegQueryValueExA", "\"nSon\"") && !CountTooLong(run);
  if (run.FaultIn("RegOpenKeyExA", "BaseTDI") || countReadFailed) {
    // A key that is there but cannot be opened, or a count in it that cannot be read, says nothing about
    // the count: nothing changes.
    EXPECT_EQ(after.key, before.key);
    EXPECT_EQ(after.count, before.count);
    EXPECT_EQ(after.driver, before.driver);
    return;
  }
  const bool last = !before.key || before.count <= 1 || CountTooLong(run);
  if (!last) {
    EXPECT_TRUE(after.key);
    EXPECT_EQ(after.count, run.FaultIn("RegSetValueExA", "\"nSon\"") ? before.count : before.count - 1);
    EXPECT_TRUE(after.driver);
    return;
  }
  if (!run.FaultIn("RegDeleteKeyA")) EXPECT_FALSE(after.key) << "the last release deletes the key";
  if (after.key) EXPECT_FALSE(after.Held()) << "a key the deletion left holds no reference";
  if (before.driverRunning)
    EXPECT_TRUE(after.driver) << "a running driver's image cannot be deleted";
  else if (!run.FaultIn("DeleteFileA") && !run.FaultIn("GetSystemDirectoryA"))
    EXPECT_FALSE(after.driver) << "the last release deletes the driver file";
}

// The WOW64 probe failed: without Kernel32.dll's handle or IsWow64Process, or with the call failing, the
// process counts as native.
bool Wow64ProbeFailed(const SweepRun& run) {
  return run.FaultIn("GetModuleHandleA") || run.FaultIn("GetProcAddress", "IsWow64Process") ||
         run.FaultIn("IsWow64Process");
}

void CheckKernelServiceInstall(const SweepRun& run, const Branch& branch) {
  const bool wow64 = branch.wow64 && !Wow64ProbeFailed(run);
  // A 32-bit process that takes itself for native copies with redirection on, into SysWOW64.
  const std::string drivers = branch.wow64 ? winsim::Wow64SystemDirectory() : winsim::SystemDirectory();
  if (!wow64 && !CopyFailed(run)) EXPECT_TRUE(winsim::HostFileExists(drivers + "\\drivers\\zelbase.sys"));
}

// The status words are the whole outcome of these branches here.
void CheckStatusOnly(const SweepRun&, const Branch&) {}

void CheckUpdate(const SweepRun& run, const Branch& branch) {
  if (branch.module == std::string("FwBaseNt")) CheckTdiAcquire(run, branch);
}

void CheckInsertFile(const SweepRun& run, const Branch&) {
  EXPECT_EQ(run.sourceDir, "C:\\setup") << "the trace's failures do not touch the setup directory";
}

// What holds for every run, faulted or not.
void CheckEveryRun(const SweepRun& run) {
  if (run.faultedCall != 0) EXPECT_TRUE(run.faultFired) << "the run took another course before the faulted call";
  EXPECT_EQ(run.openHandles, 0u) << "handles left open";
  EXPECT_EQ(run.versionLoads, run.versionFrees) << "version.dll loads and frees";
  EXPECT_FALSE(run.versionLoaded);
  EXPECT_FALSE(run.mutexLeftOwned) << "the registration's mutex was not given back";
}

Check CheckFor(Expectation expectation) {
  switch (expectation) {
    case Expectation::TdiAcquire: return CheckTdiAcquire;
    case Expectation::TdiRelease: return CheckTdiRelease;
    case Expectation::KernelServiceInstall: return CheckKernelServiceInstall;
    case Expectation::Update: return CheckUpdate;
    case Expectation::InsertFile: return CheckInsertFile;
    case Expectation::NetworkComponentInstall:
    case Expectation::KernelServiceRemove:
    case Expectation::NetworkComponentRemove:
    case Expectation::Start:
    case Expectation::NoBranch: return CheckStatusOnly;
  }
  return nullptr;
}

class FaultSweep : public ::testing::TestWithParam<Branch> {};

}  // namespace

// Failures name the branch rather than dumping its bytes.
void PrintTo(const Branch& branch, std::ostream* out) { *out << branch.name; }

namespace {

TEST_P(FaultSweep, EveryCallFailingInTurnLeavesNothingOpenAndReportsByTheRules) {
  const Branch& branch = GetParam();
  const Check check = CheckFor(branch.expectation);
  size_t runs = 0;
  Sweep(branch, [&](const SweepRun& run, const SweepRun& baseline) {
    SCOPED_TRACE(run.Describe(branch.name));
    ++runs;
    if (&run == &baseline) ASSERT_FALSE(baseline.calls.empty()) << "the operation made no platform call";
    CheckEveryRun(run);
    ExpectTableStatus(run, branch);
    check(run, branch);
  });
  RecordProperty("runs", static_cast<int>(runs));
}

INSTANTIATE_TEST_SUITE_P(Branches, FaultSweep, ::testing::ValuesIn(SweepBranches()),
                         [](const ::testing::TestParamInfo<Branch>& info) { return info.param.name; });

}  // namespace
}  // namespace hardening
