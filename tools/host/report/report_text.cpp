// The plain-text report of a run: the machine and module in a few lines, then each step with its status
// words and what it changed.
#include "report/changes_text.h"
#include "report/machine_text.h"
#include "report/report.h"
#include "report/text_layout.h"
#include "report/windows_names.h"

namespace host {
namespace {

std::string StatusWords(const StepReport& step) {
  const ModuleStatus& status = step.status;
  std::string text = "result " + std::to_string(status.result) + "  pending " + std::to_string(status.pending);
  if (status.reserved[0] || status.reserved[1] || status.reserved[2]) {
    text += "  words 2-4: " + std::to_string(status.reserved[0]) + " " + std::to_string(status.reserved[1]) + " " +
            std::to_string(status.reserved[2]);
  }
  return text;
}

void PrintStepHeader(const StepReport& step, std::ostream& out) {
  std::string left = Padded(step.name, 10) + (step.hasStatus ? StatusWords(step) : std::string());
  out << LeftRight(left, step.call) << '\n';
}

std::string JoinNames(const std::vector<std::string>& paths) {
  std::string text;
  for (const std::string& path : paths) {
    size_t slash = path.find_last_of('\\');
    text += (text.empty() ? "" : ", ") + (slash == std::string::npos ? path : path.substr(slash + 1));
  }
  return text;
}

// The function and its arguments as the call log gives them, registry roots by name.
std::string CallText(const PlatformCall& call) {
  std::string arguments = ReadableCallArguments(call.arguments);
  return call.function.empty() ? arguments : arguments.empty() ? call.function : call.function + " " + arguments;
}

}  // namespace

void PrintStepFacts(const StepReport& step, std::ostream& out) {
  std::string left;
  if (!step.resultFrom.empty()) left = "result " + std::to_string(step.status.result) + ", left from " + step.resultFrom;
  if (!step.pendingFrom.empty()) {
    left += (left.empty() ? "" : "; ") + std::string("pending ") + std::to_string(step.status.pending) +
            ", left from " + step.pendingFrom;
  }
  if (step.hasStatus && !left.empty()) WriteWrapped(out, AreaPrefix("status"), left, kAreaColumn);
  for (const Notice& notice : step.notices) {
    WriteWrapped(out, AreaPrefix("note"), notice.text + " [" + notice.code + "]", kAreaColumn);
  }
  for (const FailedCall& call : step.failedCalls) {
    WriteWrapped(out, AreaPrefix("failed"), CallText(call) + ": " + ErrorWords(call.error), kAreaColumn);
  }
  for (const PlatformCall& call : step.calls) {
    WriteWrapped(out, AreaPrefix("call"), CallText(call) + (call.error == ERROR_SUCCESS ? ": ok" : ": " + ErrorWords(call.error)),
                 kAreaColumn);
  }
}

void PrintRunText(const RunReport& report, std::ostream& out) {
  WriteWrapped(out, "", MachineLine(report.machine), 2);
  for (const Notice& notice : report.notices) {
    WriteWrapped(out, "  note      ", notice.text + " [" + notice.code + "]", kAreaColumn);
  }
  if (!report.library.empty()) WriteWrapped(out, "  library   ", report.library, kAreaColumn);
  if (!report.module.empty()) {
    WriteWrapped(out, "  module    ",
                 report.module + (report.moduleChosenByHost ? " (the kind for this Windows version; --module chooses)" : ""),
                 kAreaColumn);
  }
  if (!report.setupFolder.empty())
    WriteWrapped(out, "  setup     ", report.setupFolder + ": " + JoinNames(report.insertedFiles), kAreaColumn);
  if (!report.missingFiles.empty()) WriteWrapped(out, "  missing   ", JoinNames(report.missingFiles), kAreaColumn);
  if (report.traceSwitchedOn) WriteWrapped(out, "  trace     ", "on for this run, written to " + report.traceFile, kAreaColumn);
  if (!report.seesLaunches) WriteWrapped(out, "  programs  ", "launches are not visible on a live system", kAreaColumn);
  for (const std::string& failure : report.failures) WriteWrapped(out, "  fail      ", failure, kAreaColumn);
  for (const StepReport& step : report.steps) {
    out << '\n';
    PrintStepHeader(step, out);
    PrintStepFacts(step, out);
    PrintChanges(step.changes, out);
  }
  out << '\n';
  WriteWrapped(out, "", report.outcome, 2);
}

}  // namespace host
