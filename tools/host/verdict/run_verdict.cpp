#include "verdict/run_verdict.h"

#include "cli/host_error.h"
#include "cli/word_list.h"
#include "verdict/verdict_codes.h"

namespace host {
namespace {

bool IsOperationStep(const StepReport& step) { return step.hasStatus && step.name != "setup"; }

// "; install, update and remove did nothing [not-nt]"; empty when every operation acted.
std::string DidNothing(const RunReport& report, const char* separator) {
  const std::vector<std::string>& names = report.verdict.didNothing;
  if (names.empty()) return "";
  std::string code;
  for (const StepReport& step : report.steps) {
    if (step.name == names.front() && !step.notices.empty()) code = " [" + step.notices.front().code + "]";
  }
  return separator + WordList(names, "and") + " did nothing" + code;
}

std::string MoreNotes(size_t more) {
  if (more == 0) return "";
  return " (and " + std::to_string(more) + " more note" + (more == 1 ? "" : "s") + " above)";
}

}  // namespace

void SettleVerdict(RunReport* report) {
  Verdict& verdict = report->verdict;
  verdict = Verdict{};
  const StepReport* failed = nullptr;
  std::vector<std::string> reportedOne;
  for (const StepReport& step : report->steps) {
    if (!IsOperationStep(step)) continue;
    if (!step.wroteResult && !step.wrotePending) verdict.didNothing.push_back(step.name);
    if (step.wroteResult && step.status.result != 1 && failed == nullptr) failed = &step;
    if (step.wroteResult && step.status.result == 1) reportedOne.push_back(step.name);
    for (const Notice& notice : step.notices) {
      if (IsDisagreement(notice.code)) verdict.disagreements.push_back({step.name, notice});
    }
  }
  if (failed != nullptr) {
    verdict.word = "failed";
    report->exitCode = kExitOperationFailed;
    std::string cause = ": see what it changed above";
    size_t shown = 0;
    for (const Verdict::StepNotice& entry : verdict.disagreements) {
      if (entry.step == failed->name && shown == 0) cause = ": " + entry.notice.text, shown = 1;
    }
    report->outcome = failed->name + " reported result " + std::to_string(failed->status.result) + cause +
                      MoreNotes(verdict.disagreements.size() - shown) + "; --trace adds the library's own records";
    return;
  }
  if (!verdict.disagreements.empty()) {
    verdict.word = "disagrees";
    report->exitCode = kExitMachineDisagrees;
    const Verdict::StepNotice& first = verdict.disagreements.front();
    report->outcome = first.step + " reported result 1, but " + first.notice.text +
                      MoreNotes(verdict.disagreements.size() - 1) + DidNothing(*report, "; ");
    return;
  }
  verdict.word = "agrees";
  report->exitCode = kExitSuccess;
  if (reportedOne.empty()) {
    report->outcome =
        verdict.didNothing.empty() ? "no operation ran" : DidNothing(*report, "") + ": the machine is as it was";
    return;
  }
  std::string reported = !verdict.didNothing.empty() ? WordList(reportedOne, "and")
                         : reportedOne.size() == 1   ? std::string("the operation")
                                                     : "all " + std::to_string(reportedOne.size()) + " operations";
  report->outcome = reported + " reported result 1, and the machine agrees" + DidNothing(*report, "; ");
}

}  // namespace host
