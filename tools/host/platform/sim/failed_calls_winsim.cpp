// The failed platform calls of a step on the simulated machine: every call in winsim's call log since the
// mark that ended with an error.
#include "platform/platform.h"
#include "winsim/observe.h"

namespace host::platform {

size_t MarkCalls() { return winsim::CallLog().size(); }

std::vector<FailedCall> FailedCallsSince(size_t mark) {
  std::vector<FailedCall> failed;
  const std::vector<winsim::CallRecord>& log = winsim::CallLog();
  for (size_t i = mark; i < log.size(); ++i) {
    if (log[i].error != ERROR_SUCCESS) failed.push_back({log[i].function, log[i].arguments, log[i].error});
  }
  return failed;
}

}  // namespace host::platform
