// The platform calls a clean run of some sweep scenarios makes, as call_log_text.h writes them: what
// Windows gives. winsim's call log (checked natively) and the interposer's record under Wine (checked by
// the Wine suite) hold the same, but for the named differences of each platform.
#ifndef BASETDIC_TESTS_SUPPORT_SWEEP_EXPECTED_CALL_LOGS_H
#define BASETDIC_TESTS_SUPPORT_SWEEP_EXPECTED_CALL_LOGS_H

#include <string>
#include <vector>

namespace sweep {

struct ExpectedCallLog {
  const char* scenario;
  std::vector<std::string> calls;
};

const std::vector<ExpectedCallLog>& ExpectedCallLogs();

// Where a platform's clean run differs from the expected log for a reason of the platform, not the library:
// on that platform the call `expected` reads `actual` (empty: the platform's run does not make it). A
// difference that no longer holds fails the comparison, so none can go stale.
struct PlatformDifference {
  const char* platform;
  const char* scenario;  // null: every scenario
  const char* expected;
  const char* actual;
  const char* why;
};

const std::vector<PlatformDifference>& PlatformDifferences();

// The expected log of a scenario as the platform should record it, differences applied in order.
std::vector<std::string> ExpectedCallsOn(const std::string& platform, const ExpectedCallLog& log);

}  // namespace sweep

#endif
