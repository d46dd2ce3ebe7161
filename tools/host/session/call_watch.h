// The library's platform calls over one run, step by step: each step's calls, the failures --fail asks
// for, and the handles the library leaves open. A failure is planned afresh before every step for the
// calls still to come and dropped right after it, so N counts only the library's calls of the function,
// across the steps of the run, and the host's own calls between steps neither count nor fail.
#ifndef BASETDIC_HOST_SESSION_CALL_WATCH_H
#define BASETDIC_HOST_SESSION_CALL_WATCH_H

#include <string>
#include <vector>

#include "cli/call_failure.h"
#include "report/report.h"

namespace host {

class CallWatch {
 public:
  CallWatch() = default;
  CallWatch(const std::vector<CallFailure>& failures, bool keepEveryCall);

  // Whether every failure asked for can be made on this platform; false with *why naming the first
  // that cannot.
  bool Ready(std::string* why);
  // Right before a step's calls, and right after them: the step's failed calls, and every call when
  // the run lists them.
  void Begin();
  void End(StepReport* step);

  // What the run is told at the end: the failures asked for whose call never came ("fail-not-made").
  std::vector<Notice> Unmade() const;

 private:
  struct Plan {
    CallFailure failure;
    unsigned seen = 0;  // the library's calls of the function so far
    bool made = false;
  };
  std::vector<Plan> plans_;
  bool keepEveryCall_ = false;
  size_t mark_ = 0;
};

// The handles the library left open once its object is released ("handles-left"); none where the
// platform cannot tell them or none is left.
std::vector<Notice> HandlesLeftNotices(const std::string& library);

}  // namespace host

#endif
