// The sweep's view of the simulated machine: winsim's call log, its fault injection and its handle
// counts, shared by the winsim sweep and the walk of its silent points through the host's verdict.
#ifndef BASETDIC_TESTS_SUPPORT_SWEEP_WINSIM_RECORDER_H
#define BASETDIC_TESTS_SUPPORT_SWEEP_WINSIM_RECORDER_H

#include <memory>
#include <string>
#include <vector>

#include "call_recorder.h"
#include "winsim/observe.h"

namespace sweep {

class WinsimRecorder final : public CallRecorder {
 public:
  void Start() override {
    winsim::ClearCallLog();
    winsim::ClearFaults();
    firedAtStart_ = winsim::FaultsFired();
  }
  std::vector<RecordedCall> Calls() const override {
    std::vector<RecordedCall> calls;
    for (const winsim::CallRecord& record : winsim::CallLog())
      calls.push_back({record.function, record.arguments, record.error});
    return calls;
  }
  bool FailNthCallOf(const std::string& function, unsigned n, DWORD error) override {
    winsim::FailNthCallOf(function, n, error);
    return true;
  }
  unsigned FaultsFired() const override { return winsim::FaultsFired() - firedAtStart_; }
  HandleCounts OpenHandles() const override {
    HandleCounts counts;
    for (int kind = 0; kind < static_cast<int>(winsim::HandleKind::Count); ++kind) {
      const auto handleKind = static_cast<winsim::HandleKind>(kind);
      counts[winsim::HandleKindName(handleKind)] = winsim::OpenHandles(handleKind);
    }
    return counts;
  }
  std::shared_ptr<void> Quiet() override { return std::make_shared<winsim::QuietScope>(); }

 private:
  unsigned firedAtStart_ = 0;
};

}  // namespace sweep

#endif
