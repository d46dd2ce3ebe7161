// The fault sweep that runs on the real API under Wine, run here on winsim: the same scenarios, the same
// points (every call of a clean run, then every call only a failure path makes) and the same outcome
// table, so that the table is checked on every build and a platform difference shows on one side.
#include <gtest/gtest.h>

#include <ostream>

#include "support/sweep/call_log_text.h"
#include "support/sweep/expected_call_logs.h"
#include "support/sweep/sweep_point.h"
#include "support/sweep/winsim_recorder.h"
#include "winsim/observe.h"

namespace sweep {
namespace {

class ScenarioSweep : public ::testing::TestWithParam<SweepScenario> {};

TEST_P(ScenarioSweep, EveryPointEndsAsTheOutcomeTableSays) {
  const SweepScenario& scenario = GetParam();
  WinsimRecorder recorder;
  const PointRun clean = RunPoint(scenario, recorder, {});
  ASSERT_TRUE(clean.problem.empty()) << clean.problem;
  ASSERT_FALSE(clean.calls.empty()) << "the operation made no platform call";
  EXPECT_TRUE(clean.handlesLeft.empty()) << "the clean run left a handle open";
  const PointVerdict cleanVerdict = CheckPoint(scenario, clean, clean);
  EXPECT_TRUE(cleanVerdict.Passed()) << "clean run: " << cleanVerdict.Text();

  PointPlan plan(clean.calls);
  FaultChain chain;
  size_t points = 0;
  while (plan.Next(&chain)) {
    ++points;
    const PointRun run = RunPoint(scenario, recorder, chain);
    plan.Ran(chain, run.calls);
    const PointVerdict verdict = CheckPoint(scenario, run, clean);
    EXPECT_TRUE(run.problem.empty() && verdict.Passed()) << ChainText(chain) << ": " << run.problem << verdict.Text();
  }
  RecordProperty("points", static_cast<int>(points));
}

// The expected call logs are winsim's, so that the Wine suite can hold the interposer's records to them.
TEST(ScenarioCallLogs, AreWhatWinsimLogsForACleanRun) {
  WinsimRecorder recorder;
  for (const ExpectedCallLog& expected : ExpectedCallLogs()) {
    SCOPED_TRACE(expected.scenario);
    const PointRun clean = RunPoint(*FindSweepScenario(expected.scenario), recorder, {});
    std::vector<std::string> calls;
    {
      winsim::QuietScope quiet;
      calls = ComparableCalls(clean.calls, PathsOfThisMachine(clean.setupFolder));
    }
    EXPECT_EQ(calls, ExpectedCallsOn("winsim", expected));
  }
}

}  // namespace

// Failures name the scenario rather than dumping its bytes.
void PrintTo(const SweepScenario& scenario, std::ostream* out) { *out << scenario.name; }

namespace {

INSTANTIATE_TEST_SUITE_P(Scenarios, ScenarioSweep, ::testing::ValuesIn(SweepScenarios()),
                         [](const ::testing::TestParamInfo<SweepScenario>& info) { return info.param.name; });

}  // namespace
}  // namespace sweep
