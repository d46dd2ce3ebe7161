// What a driver operation must report and leave when one of its platform calls fails: one table, by the
// branch's outcome rules and the failing call, that the winsim sweeps and the sweep on the real API check
// every faulted run against. Most failures are meant to be gone past: the status words stay as in a clean
// run, and only what the failed step (and what needed it) would have made stays as it was before the
// operation. A row that names what it breaks is a failure the machine shows although the operation
// reported success, or went on past it (the copy, the service's creation and start, the wait for the tool,
// a removal): the host's verdict has to catch it there.
#ifndef BASETDIC_TESTS_SUPPORT_SWEEP_FAULT_OUTCOMES_H
#define BASETDIC_TESTS_SUPPORT_SWEEP_FAULT_OUTCOMES_H

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace sweep {

// The outcome rules of one branch of one operation.
enum class Expectation {
  TdiAcquire,
  TdiRelease,
  KernelServiceInstall,    // the service not there before
  KernelServiceReinstall,  // the service there before: its values are rewritten, not created
  NetworkComponentInstall,
  Update,
  KernelServiceRemove,
  NetworkComponentRemove,
  Start,
  InsertFile,
  NoBranch,
};

constexpr uint32_t kUntouched = 7;  // preset into both status words before the operation

// The expectations of the machine a failure can break, as the host's verdict checks them.
enum Broken : unsigned {
  kBreaksNothing = 0,
  kBreaksImage = 1,       // the driver image in the driver folder, not older than the setup's
  kBreaksRunning = 2,     // the module's service running, its device opening
  kBreaksService = 4,     // the service configured as the branch writes it
  kBreaksComponent = 8,   // the network component in place when the operation returns
  kBreaksDataPath = 16,   // the driver package's copies in the product data directory
  kBreaksRemoval = 32,    // nothing of the module's own left after a remove
};
// "image, running"; "" for none.
std::string BrokenNames(unsigned broken);

// How one fact of the machine (machine_facts.h) ends when the failure changes it. A name ending in '*'
// stands for every fact that begins with the rest; "$value" in a name stands for the value the failed
// call names (its first quoted argument).
struct FactChange {
  const char* fact;
  const char* value;  // null: as it was before the operation
};

struct Outcome {
  uint32_t result = 1;
  uint32_t pending = kUntouched;
  unsigned broken = kBreaksNothing;
  std::vector<FactChange> machine;  // every fact not named here ends as in the clean run
  std::vector<std::string> values;  // what "$value" stood for, one per change, in order
};

struct FaultedCall {
  std::string function;
  std::string arguments;
  DWORD error = 0;
  unsigned nth = 0;  // which call of the function in the operation (1 = the first)
};

// The outcome of a run of a branch with these rules in which the listed calls failed, in order (none:
// the clean run). wow64: the process runs under WOW64; platform: "winsim" or "wine", for the rows that
// name a known difference between them. With several failed calls (a call only a failure path makes,
// failed as well), the first whose row changes the status words decides them; machine changes add up,
// a later call's overriding an earlier one's for the same fact.
Outcome ExpectedOutcome(Expectation expectation, bool wow64, const std::string& platform,
                        const std::vector<FaultedCall>& faulted);

}  // namespace sweep

#endif
