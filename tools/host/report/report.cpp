#include "report/report.h"

#include "report/explain_report.h"

namespace host {

void SettleOutcome(RunReport* report) {
  const StepReport* failed = nullptr;
  size_t operations = 0;
  for (const StepReport& step : report->steps) {
    if (!step.hasStatus || step.name == "setup") continue;
    ++operations;
    if (step.status.result != 1 && failed == nullptr) failed = &step;
  }
  if (failed != nullptr) {
    report->exitCode = 1;
    report->outcome = failed->name + " reported result " + std::to_string(failed->status.result) +
                      ": see what it changed above; --trace adds the library's own records";
  } else {
    report->exitCode = 0;
    report->outcome = operations == 1 ? "the operation reported result 1"
                                      : "all " + std::to_string(operations) + " operations reported result 1";
  }
}

void PrintRun(const RunReport& report, bool json, std::ostream& out) {
  if (json) {
    PrintRunJson(report, out);
  } else {
    PrintRunText(report, out);
  }
}

void PrintExplain(const ExplainReport& report, bool json, std::ostream& out) {
  if (json) {
    PrintExplainJson(report, out);
  } else {
    PrintExplainText(report, out);
  }
}

}  // namespace host
