// explain as one JSON document: the machine, the kind, the setup folder and every operation.
#include "cli/host_error.h"
#include "report/explain_report.h"
#include "report/json_output.h"

namespace host {

void PrintExplainJson(const ExplainReport& report, std::ostream& out) {
  nlohmann::json operations = nlohmann::json::array();
  for (const ExplainedOperation& explained : report.operations) {
    const StepReport& step = explained.step;
    operations.push_back({{"operation", step.name},
                          {"call", step.call},
                          {"branch", explained.branch.branch},
                          {"what", explained.branch.what},
                          {"rehearsed", explained.rehearsed},
                          {"notices", ToJson(step.notices)},
                          {"failedCalls", ToJson(step.failedCalls)},
                          {"status", explained.rehearsed ? ToJson(step.status) : nlohmann::json(nullptr)},
                          {"changes", explained.rehearsed ? ToJson(step.changes) : nlohmann::json(nullptr)}});
  }
  PrintJson({{"machine", ToJson(report.machine)},
             {"notices", ToJson(report.notices)},
             {"module", report.module},
             {"kind", KindNote(report.module, report.machine.os)},
             {"fits", KindFitsWindows(report.module, report.machine.os)},
             {"setup",
              {{"folder", report.setupFolder},
               {"keptByLibrary", report.keptFolder},
               {"insertedFiles", report.insertedFiles}}},
             {"rehearsal", report.notRehearsedWhy.empty() ? "each operation alone on a copy of the machine"
                                                          : report.notRehearsedWhy},
             {"operations", operations},
             {"exitCode", kExitSuccess}},
            out);
}

}  // namespace host
