// One point of the fault sweep: a scenario's operation run on a fresh machine with a chain of its
// platform calls failing (none for the clean run), what it left, and whether that is what the outcome
// table says. The points of a scenario: every (function, n) of the clean run, then every one that only a
// failure path makes, reached through the failure that leads there, until no new one appears.
#ifndef BASETDIC_TESTS_SUPPORT_SWEEP_SWEEP_POINT_H
#define BASETDIC_TESTS_SUPPORT_SWEEP_SWEEP_POINT_H

#include <windows.h>

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "call_recorder.h"
#include "fault_outcomes.h"
#include "machine_facts.h"
#include "sweep_scenarios.h"

namespace sweep {

// The nth call (1 = the first) of function in the operation fails with error.
struct Fault {
  std::string function;
  unsigned nth = 1;
  DWORD error = 0;
  bool operator<(const Fault& other) const;
};
using FaultChain = std::vector<Fault>;  // empty: the clean run

// "CreateMutexA#1=5+CreateMutexA#2=5"; "clean" for the clean run. ParseChain reads it back.
std::string ChainText(const FaultChain& chain);
bool ParseChain(const std::string& text, FaultChain* chain);

struct PointRun {
  bool applies = true;    // false: this platform cannot run the scenario here (WOW64 or not)
  std::string problem;    // the harness could not bring the machine into the scenario's state
  std::string setupFolder;  // the operation's setup folder
  std::string platform;     // the machine's: "winsim" or "wine"
  std::vector<RecordedCall> calls;
  size_t planned = 0;  // failures planned
  unsigned faultsFired = 0;
  uint32_t result = kUntouched;
  uint32_t pending = kUntouched;
  HandleCounts handlesLeft;  // opened during the operation and still open when it returned
  MachineFacts before;       // once the scenario's state was prepared
  MachineFacts after;        // once the object was released
  double seconds = 0;        // the operation's own call
};

// What a caller sees of a point besides the machine's facts: the prepared machine with the object named
// and given its files, right before the operation; and the machine right after the operation returned,
// the object still alive and the setup folder still there, with the run so far (its calls, status words
// and setup folder). Both run outside the recorded calls, so they neither count nor fail.
class PointWatch {
 public:
  virtual ~PointWatch() = default;
  virtual void BeforeOperation() {}
  virtual void OperationReturned(const PointRun& /*run*/) {}
};

PointRun RunPoint(const SweepScenario& scenario, CallRecorder& recorder, const FaultChain& faults,
                  PointWatch* watch = nullptr);

// What is wrong with a point, by kind; all empty: the point is on the table.
struct PointVerdict {
  bool notReached = false;            // a planned call did not come (the run took another course)
  std::vector<std::string> handles;   // handles left open that the clean run closed
  std::vector<std::string> offTable;  // status words or machine not as the table says
  // What the table says this failure breaks on the machine, and the machine shows broken where the clean
  // run left it whole, while the operation still reports success (Broken flags; 0 when nothing, or when
  // the operation reports the failure): what the host's verdict has to show.
  unsigned silentlyBroken = kBreaksNothing;
  bool Passed() const { return !notReached && handles.empty() && offTable.empty(); }
  std::string Text() const;
};

PointVerdict CheckPoint(const SweepScenario& scenario, const PointRun& run, const PointRun& clean);

// The points still to run for a scenario, in order, growing as failure paths show calls of their own.
class PointPlan {
 public:
  // The points of the clean run: one per (function, n) whose function a sweep fails.
  explicit PointPlan(const std::vector<RecordedCall>& cleanCalls);
  // A point known (from an earlier process) to be run already, or still to run.
  void AddKnown(const FaultChain& chain, bool done);
  // The calls of a faulted run; each (function, n) seen nowhere before becomes a new point: this
  // chain and that call. Returns the new points.
  std::vector<FaultChain> Ran(const FaultChain& chain, const std::vector<RecordedCall>& calls);
  bool Next(FaultChain* chain);
  const std::vector<FaultChain>& All() const { return all_; }

 private:
  void Add(const FaultChain& chain);
  std::set<std::pair<std::string, unsigned>> seen_;
  std::set<FaultChain> done_;
  std::vector<FaultChain> all_;
  size_t next_ = 0;
};

}  // namespace sweep

#endif
