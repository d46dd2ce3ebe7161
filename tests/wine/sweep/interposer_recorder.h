// The sweep's view of the library's calls on Windows: the import-table interposer on the payload's
// basetdic.dll.
#ifndef BASETDIC_TESTS_WINE_SWEEP_INTERPOSER_RECORDER_H
#define BASETDIC_TESTS_WINE_SWEEP_INTERPOSER_RECORDER_H

#include "interposer.h"
#include "support/sweep/call_recorder.h"

namespace winetest {

class InterposerRecorder final : public sweep::CallRecorder {
 public:
  explicit InterposerRecorder(host::interposer::Interposer& interposer) : interposer_(interposer) {}

  void Start() override;
  std::vector<sweep::RecordedCall> Calls() const override;
  bool FailNthCallOf(const std::string& function, unsigned n, DWORD error) override;
  unsigned FaultsFired() const override;
  sweep::HandleCounts OpenHandles() const override;
  // Waits up to ten seconds for every network-configuration tool the operation started to end.
  void SettleLaunchedPrograms() override;
  std::shared_ptr<void> Quiet() override;

 private:
  host::interposer::Interposer& interposer_;
  unsigned firedAtStart_ = 0;
};

}  // namespace winetest

#endif
