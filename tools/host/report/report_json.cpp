// The JSON report of a run: one document with the machine, the module, every step and the outcome.
#include "report/json_output.h"
#include "report/report.h"

namespace host {
namespace {

// The status words the step did not write, each with the step whose value it still shows.
nlohmann::json LeftFromJson(const StepReport& step) {
  nlohmann::json left = nlohmann::json::object();
  if (!step.resultFrom.empty()) left["result"] = step.resultFrom;
  if (!step.pendingFrom.empty()) left["pending"] = step.pendingFrom;
  return left;
}

nlohmann::json VerdictJson(const RunReport& report) {
  nlohmann::json notices = nlohmann::json::array();
  for (const Verdict::StepNotice& entry : report.verdict.disagreements) {
    notices.push_back({{"step", entry.step}, {"code", entry.notice.code}, {"text", entry.notice.text}});
  }
  return {{"word", report.verdict.word},
          {"exitCode", report.exitCode},
          {"summary", report.outcome},
          {"notices", notices},
          {"didNothing", report.verdict.didNothing}};
}

}  // namespace

void PrintRunJson(const RunReport& report, std::ostream& out) {
  nlohmann::json steps = nlohmann::json::array();
  for (const StepReport& step : report.steps) {
    nlohmann::json entry{{"step", step.name},
                         {"call", step.call},
                         {"status", step.hasStatus ? ToJson(step.status) : nlohmann::json(nullptr)},
                         {"leftFrom", LeftFromJson(step)},
                         {"notices", ToJson(step.notices)},
                         {"failedCalls", ToJson(step.failedCalls)},
                         {"changes", ToJson(step.changes)}};
    if (report.listsCalls) entry["calls"] = ToJson(step.calls);
    steps.push_back(std::move(entry));
  }
  nlohmann::json document{{"machine", ToJson(report.machine)},
                          {"notices", ToJson(report.notices)},
                          {"library", report.library},
                          {"module", report.module},
                          {"moduleChosenByHost", report.moduleChosenByHost},
                          {"setup",
                           {{"folder", report.setupFolder},
                            {"insertedFiles", report.insertedFiles},
                            {"missingFiles", report.missingFiles}}},
                          {"trace", {{"switchedOn", report.traceSwitchedOn}, {"file", report.traceFile}}},
                          {"seesPrograms", report.seesLaunches},
                          {"failures", report.failures},
                          {"steps", steps},
                          {"verdict", VerdictJson(report)},
                          {"exitCode", report.exitCode},
                          {"outcome", report.outcome}};
  PrintJson(document, out);
}

}  // namespace host
