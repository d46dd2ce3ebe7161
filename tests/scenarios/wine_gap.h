// Marks checks that fail under Wine because Wine lacks a behaviour of Windows, the way Wine's own tests
// use todo_wine. Inside the mark, on Wine, the checks' failures are collected instead of reported; if
// none of them failed, the gap is gone and the mark itself fails, so a stale mark cannot survive an
// upgrade. On any other platform the checks run as usual.
//
//   EXPECT_WINE_GAP(machine->PlatformName() == "wine", "relative ImagePath does not start (1114)",
//                   EXPECT_EQ(Status().result, 1u));
#ifndef BASETDIC_TESTS_SCENARIOS_WINE_GAP_H
#define BASETDIC_TESTS_SCENARIOS_WINE_GAP_H

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

namespace scenarios {

// While alive and active, collects the current thread's test failures; on destruction reports either
// that the known gap showed (a note) or that it did not (a failure at the mark's line).
class WineGapScope {
 public:
  WineGapScope(bool active, const char* gap, const char* file, int line) : gap_(gap), file_(file), line_(line) {
    if (active)
      interceptor_ = std::make_unique<::testing::ScopedFakeTestPartResultReporter>(
          ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &collected_);
  }
  ~WineGapScope() {
    if (!interceptor_) return;
    interceptor_.reset();  // report to the test again
    int failures = 0;
    for (int i = 0; i < collected_.size(); ++i) failures += collected_.GetTestPartResult(i).failed() ? 1 : 0;
    if (failures == 0)
      ADD_FAILURE_AT(file_, line_) << "known Wine gap \"" << gap_
                                   << "\" did not show: every check passed; remove the mark";
    else
      std::printf("[ WINE GAP ] %s:%d: %s (%d check(s) failed as known)\n", file_, line_, gap_, failures);
  }
  WineGapScope(const WineGapScope&) = delete;
  WineGapScope& operator=(const WineGapScope&) = delete;

 private:
  const char* gap_;
  const char* file_;
  int line_;
  ::testing::TestPartResultArray collected_;
  std::unique_ptr<::testing::ScopedFakeTestPartResultReporter> interceptor_;
};

}  // namespace scenarios

// Runs the checks (statements) under a WineGapScope. onWine: whether this run is on Wine.
#define EXPECT_WINE_GAP(onWine, gap, ...)                                        \
  do {                                                                           \
    ::scenarios::WineGapScope wine_gap_scope_((onWine), (gap), __FILE__, __LINE__); \
    __VA_ARGS__;                                                                 \
  } while (false)

#endif
