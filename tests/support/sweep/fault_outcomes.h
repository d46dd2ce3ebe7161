// What a driver operation must report and leave when one of its platform calls fails: one table, by the
// branch's outcome rules and the failing call, that the winsim sweeps and the sweep on the real API check
// every faulted run against. Most failures are meant to be gone past: the status words stay as in a clean
// run and only the part of the machine the failed step would have made stays as it was. The rows that
// name what they break are the failures the library meets silently (the copy, the service's creation and
// start, the tool): there the machine disagrees with what the operation reported.
#ifndef BASETDIC_TESTS_SUPPORT_SWEEP_FAULT_OUTCOMES_H
#define BASETDIC_TESTS_SUPPORT_SWEEP_FAULT_OUTCOMES_H

#include <cstdint>
#include <string>
#include <vector>

namespace sweep {

// The outcome rules of one branch of one operation.
enum class Expectation {
  TdiAcquire,
  TdiRelease,
  KernelServiceInstall,
  NetworkComponentInstall,
  Update,
  KernelServiceRemove,
  NetworkComponentRemove,
  Start,
  InsertFile,
  NoBranch,
};
const char* ExpectationName(Expectation expectation);

constexpr uint32_t kUntouched = 7;  // preset into both status words before the operation

// How one fact of the machine (machine_facts.h) ends when the failure changes it: as it was before the
// operation (the failed step, and what needs it, did not happen), or a given value.
struct FactChange {
  const char* fact;
  const char* value;  // null: as before the operation
};

struct Outcome {
  uint32_t result = 1;
  uint32_t pending = kUntouched;
  // The expectation of the machine that the operation's report hides, as the host's verdict names it
  // ("image-missing", "not-running" ...); empty when the machine agrees with the report.
  std::string breaks;
  std::vector<FactChange> machine;  // every fact not named here ends as in the clean run
};

struct FaultedCall {
  std::string function;
  std::string arguments;
};

// The outcome of a run of a branch with these rules in which the listed calls failed (none: the clean
// run). wow64: the process runs under WOW64. With several failed calls (a failure path's own call failed
// after the failure that led there), the first call whose row changes the status words decides them and
// the machine changes of all of them add up.
Outcome ExpectedOutcome(Expectation expectation, bool wow64, const std::vector<FaultedCall>& faulted);

}  // namespace sweep

#endif
