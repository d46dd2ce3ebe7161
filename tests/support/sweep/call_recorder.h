// How a sweep sees and steers the library's platform calls: winsim's call log and fault injection on the
// simulated machine, the import-table interposer on Windows.
#ifndef BASETDIC_TESTS_SUPPORT_SWEEP_CALL_RECORDER_H
#define BASETDIC_TESTS_SUPPORT_SWEEP_CALL_RECORDER_H

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace sweep {

struct RecordedCall {
  std::string function;
  std::string arguments;
  DWORD error = 0;  // 0: the call succeeded
};

// Open handles by the platform's own kind names.
using HandleCounts = std::map<std::string, size_t>;

class CallRecorder {
 public:
  virtual ~CallRecorder() = default;

  // Forgets the calls recorded so far and every planned failure.
  virtual void Start() = 0;
  virtual std::vector<RecordedCall> Calls() const = 0;
  // Makes the nth call of function from now fail with error, without being made. False when it cannot.
  virtual bool FailNthCallOf(const std::string& function, unsigned n, DWORD error) = 0;
  virtual unsigned FaultsFired() const = 0;
  // The handles open now that the library opened (winsim: every open handle of the machine).
  virtual HandleCounts OpenHandles() const = 0;

  // Waits until the programs the operation started have ended (a failed wait leaves them running), so
  // that the machine read afterwards holds what they did.
  virtual void SettleLaunchedPrograms() {}

  // While the returned object lives, calls on this thread are neither recorded, counted nor failed: the
  // harness's own work and the steps that bring a machine into a scenario's state.
  virtual std::shared_ptr<void> Quiet() = 0;
};

}  // namespace sweep

#endif
