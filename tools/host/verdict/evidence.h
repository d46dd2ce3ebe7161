// What the verdict reasons from: the machine after the step (and before it, for what a step changes),
// the platform calls that failed during it, and the setup folder the object kept. The status command
// has only the machine as it is: no step, no calls.
#ifndef BASETDIC_HOST_VERDICT_EVIDENCE_H
#define BASETDIC_HOST_VERDICT_EVIDENCE_H

#include <string>
#include <vector>

#include "observe/failed_call.h"
#include "observe/snapshot.h"
#include "verdict/machine_view.h"

namespace host {

struct Evidence {
  const MachineView& after;
  const MachineView* before = nullptr;                 // null without a step
  const std::vector<FailedCall>* failedCalls = nullptr;  // null without a step
  std::string operation;                               // "install"; empty without a step
  std::string setupFolder;                             // empty when none is known

  // The first failed call of function whose arguments mention `mentions` (any, when empty); null when
  // the step made no such call or the platform cannot see its calls. The function "" finds the error a
  // step left on the thread, where the platform sees only that.
  const FailedCall* FailedCallOf(const char* function, const std::string& mentions = "") const;
  // The programs the step started (every one the machine recorded, without a step).
  std::vector<LaunchState> NewLaunches() const;
  // A setup file as the machine shows it; false when the setup folder has no such file.
  bool SetupFile(const char* name, FileState* file) const;
  // "C:\setup\zelbase.sys"; empty without a setup folder.
  std::string SetupPath(const char* name) const;
  // A file on the machine, looked at directly when the snapshot does not cover its folder.
  bool FileOnMachine(const std::string& path, FileState* file) const;
  // "install" or, without a step, "the product's setup": who writes what is expected.
  std::string Writer() const;
};

// ": CopyFileA failed with 2, the file or key does not exist"; empty for no call.
std::string FailureClause(const FailedCall* call);

}  // namespace host

#endif
