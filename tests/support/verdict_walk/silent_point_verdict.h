// A silent point of the fault sweep (the operation reports result 1 while the outcome table's damage shows
// on the machine) judged by the host's verdict: the host's snapshots taken around the operation as
// basetdic-host takes them, the notices its verdict gives on the step, and whether a disagreement notice
// whose code fits each kind of damage is among them. Shared by the walk on winsim and the sweep on Wine.
#ifndef BASETDIC_TESTS_SUPPORT_VERDICT_WALK_SILENT_POINT_VERDICT_H
#define BASETDIC_TESTS_SUPPORT_VERDICT_WALK_SILENT_POINT_VERDICT_H

#include <string>
#include <vector>

#include "observe/machine_summary.h"
#include "observe/snapshot.h"
#include "report/step_facts.h"
#include "support/sweep/sweep_point.h"

namespace verdict_walk {

// The host's snapshots around the operation and its verdict on the step, given right after the step as the
// host gives it, while the setup folder it compares with is still there; files are read every time, since
// each point is a new machine.
class HostSnapshots final : public sweep::PointWatch {
 public:
  explicit HostSnapshots(const sweep::SweepScenario& scenario) : scenario_(scenario) {}
  void BeforeOperation() override;
  void OperationReturned(const sweep::PointRun& run) override;

  // The verdict's notices on the step, from the calls that failed in it; empty before the step returned.
  const std::vector<host::Notice>& Notices() const { return notices_; }

 private:
  const sweep::SweepScenario& scenario_;
  host::SnapshotScope scope_;
  host::MachineSummary machine_;
  host::Snapshot before_;
  std::vector<host::Notice> notices_;
};

// A fact whose change no caller can act on, by scenario: a point whose damage shows only in such facts is
// an exception the verdict is meant to miss.
struct Invisible {
  const char* scenario;
  const char* fact;
  const char* why;
};
const std::vector<Invisible>& InvisibleFacts();

struct SilentJudgement {
  // The kinds of damage (Broken flags) no disagreement notice fits; kBreaksNothing when each has one.
  unsigned unshown = sweep::kBreaksNothing;
  // The exception that covers every fact the point left otherwise than the clean run; null when none does.
  const Invisible* invisible = nullptr;
  std::vector<std::string> codes;  // the disagreement codes the verdict gave
  // As unshown, counting only codes the verdict on the clean run did not give as well: where the clean run
  // already falls short (a gap of the platform), its notice shows that, not the failure's damage.
  unsigned unshownBeyondClean = sweep::kBreaksNothing;
  // Missed: a kind of damage has no fitting notice and no exception covers the point.
  bool Missed() const { return unshown != sweep::kBreaksNothing && invisible == nullptr; }
};

SilentJudgement JudgeSilentPoint(const sweep::SweepScenario& scenario, const sweep::PointRun& run,
                                 const sweep::PointRun& clean, unsigned broken,
                                 const std::vector<host::Notice>& notices,
                                 const std::vector<host::Notice>& cleanNotices = {});

// The disagreement codes among notices, in order.
std::vector<std::string> DisagreementCodes(const std::vector<host::Notice>& notices);

// The notices one to a line, for a failure message.
std::string NoticesText(const std::vector<host::Notice>& notices);

}  // namespace verdict_walk

#endif
