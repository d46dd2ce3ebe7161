// Every failure the library goes past while the machine ends damaged, shown by the host's verdict: each
// point of the fault sweep whose operation still reports result 1 while the outcome table's damage shows
// on the machine is run again with the host's snapshots around the operation, and the verdict on them
// must hold a disagreement notice (so the host exits 3) whose code fits each kind of damage.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "support/sweep/sweep_point.h"
#include "support/sweep/winsim_recorder.h"
#include "support/verdict_walk/silent_point_verdict.h"

#ifdef BASETDIC_HOST_PATH

namespace {

using sweep::FaultChain;
using sweep::PointRun;
using sweep::SweepScenario;
using verdict_walk::Invisible;

TEST(SilentFailures, EveryOneTheLibraryGoesPastGivesTheHostAFittingNotice) {
  sweep::WinsimRecorder recorder;
  std::map<std::string, unsigned> silent, invisible, missed;
  std::set<const Invisible*> used;
  for (const SweepScenario& scenario : sweep::SweepScenarios()) {
    SCOPED_TRACE(scenario.name);
    const PointRun clean = sweep::RunPoint(scenario, recorder, {});
    if (!clean.applies) continue;
    ASSERT_TRUE(clean.problem.empty()) << clean.problem;
    sweep::PointPlan plan(clean.calls);
    FaultChain chain;
    unsigned& walked = silent[scenario.name];  // every scenario is named in the summary, 0 or not
    while (plan.Next(&chain)) {
      verdict_walk::HostSnapshots snapshots(scenario);
      const PointRun run = sweep::RunPoint(scenario, recorder, chain, &snapshots);
      plan.Ran(chain, run.calls);
      const unsigned broken = sweep::CheckPoint(scenario, run, clean).silentlyBroken;
      if (run.result != 1 || broken == sweep::kBreaksNothing) continue;
      ++walked;
      const std::vector<host::Notice>& notices = snapshots.Notices();
      const verdict_walk::SilentJudgement judgement = verdict_walk::JudgeSilentPoint(scenario, run, clean, broken, notices);
      if (const Invisible* exception = judgement.invisible) {
        ++invisible[scenario.name];
        used.insert(exception);
        EXPECT_NE(judgement.unshown, sweep::kBreaksNothing)
            << sweep::ChainText(chain) << " shows only what no caller can act on (" << exception->why
            << "), yet the verdict names it";
        continue;
      }
      if (judgement.Missed()) ++missed[scenario.name];
      EXPECT_FALSE(judgement.Missed()) << sweep::ChainText(chain) << " breaks " << sweep::BrokenNames(broken)
                                       << "; no fitting notice for " << sweep::BrokenNames(judgement.unshown)
                                       << verdict_walk::NoticesText(notices);
    }
  }
  std::string summary;
  for (const auto& count : silent)
    summary += " " + count.first + " " + std::to_string(count.second) + "/" + std::to_string(invisible[count.first]) +
               "/" + std::to_string(missed[count.first]);
  RecordProperty("silent_invisible_missed", summary);
  std::printf("silent points (walked/invisible/missed):%s\n", summary.c_str());
  for (const Invisible& row : verdict_walk::InvisibleFacts())
    EXPECT_EQ(used.count(&row), 1u) << row.scenario << ", " << row.fact << ": listed as invisible but no point showed only it";
}

}  // namespace

#endif
