// What an operation's branch is meant to leave on the machine, checked against the snapshot after the
// step: one notice per expectation that does not hold. The branch is the one the library's own chooser
// takes for the kind on this Windows, past the gate as the kept setup folder opens it; an operation the
// gate stopped, or that took no branch, is expected to leave nothing and gets no notice here.
#ifndef BASETDIC_HOST_VERDICT_STEP_EXPECTATIONS_H
#define BASETDIC_HOST_VERDICT_STEP_EXPECTATIONS_H

#include <string>
#include <vector>

#include "cli/operations.h"
#include "observe/failed_call.h"
#include "observe/machine_summary.h"
#include "observe/snapshot.h"
#include "report/step_facts.h"

namespace host {

struct StepInputs {
  Operation operation;
  std::string module;      // the kind as named: "FwBase2K"
  const MachineSummary& machine;  // the version record, WOW64, the directories
  std::string keptFolder;  // the setup folder the object kept; empty when it kept none
  const Snapshot& before;
  const Snapshot& after;
  const std::vector<FailedCall>& failedCalls;
};

std::vector<Notice> StepVerdictNotices(const StepInputs& inputs);

}  // namespace host

#endif
