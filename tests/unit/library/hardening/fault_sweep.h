// The fault-injection sweep: one driver operation (or InsertFile) on a freshly prepared machine, run once
// to learn its platform calls, then once per call with that call failing as Windows would fail it there.
// Each run is recorded with what the checks need: the calls, the status words, the machine afterwards.
#ifndef BASETDIC_TESTS_UNIT_HARDENING_FAULT_SWEEP_H
#define BASETDIC_TESTS_UNIT_HARDENING_FAULT_SWEEP_H

#include <functional>
#include <string>
#include <vector>

#include "support/sweep/fault_outcomes.h"
#include "winsim/machine.h"

namespace hardening {

enum class Operation { Install, Update, Remove, Start, InsertFile };
const char* OperationName(Operation operation);

// Which outcome rules a branch follows: a row group of the shared outcome table.
using Expectation = sweep::Expectation;

// One branch of one operation: the module kind on a Windows version, and the state it starts from.
struct Branch {
  std::string name;
  winsim::OsVersion os;
  bool wow64 = false;
  const char* module = "";
  Operation operation = Operation::Install;
  bool trace = false;
  std::function<void()> prepare;  // runs on the booted machine before the object is made
  Expectation expectation = Expectation::NoBranch;
};

using sweep::kUntouched;  // preset into both status words before the operation

// The shared TDI driver's registration as the machine holds it.
struct TdiState {
  bool key = false;
  long long count = -1;  // -1 no value, -2 not four bytes
  bool driver = false;
  bool driverRunning = false;  // the service "basetdi" runs, so its image cannot be deleted
  // A reference is held while the key carries a count of at least one.
  bool Held() const { return key && count >= 1; }
};
TdiState ReadTdiState();

struct SweepRun {
  // The operation's own calls, in order (the object's making and release are not among them).
  std::vector<winsim::CallRecord> calls;
  size_t faultedCall = 0;  // 1-based index into calls; 0 for the baseline run
  DWORD injectedError = 0;
  bool faultFired = false;
  double microseconds = 0;  // wall time of the operation's call
  uint32_t result = kUntouched;
  uint32_t pending = kUntouched;
  std::string sourceDir;  // the object's setup directory afterwards
  // After the object was released:
  size_t openHandles = 0;
  unsigned versionLoads = 0;
  unsigned versionFrees = 0;
  bool versionLoaded = false;
  bool mutexLeftOwned = false;
  TdiState before;  // once the branch was prepared
  TdiState after;   // once the object was released

  const winsim::CallRecord* Faulted() const { return faultedCall ? &calls[faultedCall - 1] : nullptr; }
  // Whether the faulted call is this function (and its arguments hold text).
  bool FaultIn(const char* function, const char* text = "") const;
  // "branch: call #n Function(arguments) failing with error", or the branch's name for the baseline.
  std::string Describe(const std::string& branchName) const;
};

// Boots, prepares and runs the branch; with faultedCall > 0 that call of the operation fails with error.
SweepRun RunBranch(const Branch& branch, size_t faultedCall = 0, DWORD error = 0);

// Runs the baseline and every faulted run, handing each to check (the baseline first).
void Sweep(const Branch& branch, const std::function<void(const SweepRun& run, const SweepRun& baseline)>& check);

}  // namespace hardening

#endif
