// install, update, start, remove, check and cycle: one module object, the requested operations in order,
// a snapshot around each.
#include "commands/commands.h"
#include "observe/trace_file.h"
#include "platform/platform.h"
#include "report/error_words.h"
#include "report/branch_notes.h"
#include "rules/product_names.h"
#include "session/module_run.h"
#include "session/trace_switch.h"
#include "verdict/run_verdict.h"
#include "verdict/step_expectations.h"

namespace host {
namespace {

// The step that last wrote each status word, so that a word a step left is shown with the step it came from.
class StatusWriters {
 public:
  void Note(const ModuleSession& session, StepReport* step) {
    step->wroteResult = session.WroteResult();
    step->wrotePending = session.WrotePending();
    Follow(step->wroteResult, step->name, &result_, &step->resultFrom);
    Follow(step->wrotePending, step->name, &pending_, &step->pendingFrom);
  }

 private:
  static void Follow(bool wrote, const std::string& name, std::string* writer, std::string* from) {
    if (wrote) {
      *writer = name;
    } else {
      *from = *writer;
    }
  }
  std::string result_ = "the new object";
  std::string pending_ = "the new object";
};

// "CreateServiceA #1 fails with 1073, the service already exists (the error Windows typically gives there)".
std::string FailureLine(const CallFailure& failure) {
  std::string line = failure.function + " #" + std::to_string(failure.nth) + " fails with " + ErrorWords(failure.error);
  return failure.fittingError ? line + " (the error Windows typically gives there)" : line;
}

}  // namespace

int RunOperationsCommand(const HostRequest& request, std::ostream& out, HostError* error) {
  RunReport report;
  if (!BeginRunReport(request, &report, error)) return kExitUsage;

  ModuleRun run;
  if (!PrepareModuleRun(request, report.machine, &run, error)) return kExitUsage;
  report.library = run.library;
  report.module = run.module;
  report.moduleChosenByHost = run.moduleChosenByHost;
  report.setupFolder = run.setupFolder;
  report.insertedFiles = run.setupFiles.present;
  report.missingFiles = run.setupFiles.missing;
  report.seesLaunches = platform::SeesLaunches();
  report.traceFile = TraceFilePath();
  std::string unseen;
  if (!platform::SeesLibraryCalls(&unseen)) {
    report.notices.push_back({"calls-not-seen", "the library's calls are not listed: " + unseen +
                                                    "; failed calls show only the error a step left on the thread"});
  }
  report.listsCalls = request.listCalls;
  for (const CallFailure& failure : request.failures) report.failures.push_back(FailureLine(failure));
  CallWatch calls(request.failures, request.listCalls);
  std::string why;
  if (!calls.Ready(&why)) {
    error->message = why;
    return kExitUsage;
  }

  TraceSwitch trace;
  if (request.trace) {
    report.traceSwitchedOn = trace.SwitchOn();
    if (!report.traceSwitchedOn) {
      report.notices.push_back({"trace-not-switched-on", std::string("the trace could not be switched on: ") + basetdic::kTraceSwitchFile + " cannot be written"});
    }
  }
  SnapshotScope scope = platform::Scope();
  Snapshot last = TakeSnapshot(scope);
  {
    ModuleSession session(run.entryPoints);
    if (!session.Valid()) {
      error->message = "QueryModuleObj in " + run.library + " returned no object: the library could not allocate it";
      return kExitUsage;
    }
    StatusWriters writers;
    report.steps.push_back(NameAndInsertFiles(session, run, scope, &last, calls));
    writers.Note(session, &report.steps.back());
    for (Operation operation : request.operations) {
      const Snapshot before = last;
      report.steps.push_back(RunOperation(session, operation, scope, &last, calls));
      StepReport& step = report.steps.back();
      writers.Note(session, &step);
      const std::string kept = session.KeptFolder();
      step.notices = OperationNotices(operation, run.module, report.machine.os, kept);
      std::vector<Notice> verdict = StepVerdictNotices(
          StepInputs{operation, run.module, report.machine, kept, before, last, step.failedCalls});
      step.notices.insert(step.notices.end(), verdict.begin(), verdict.end());
    }
  }
  trace.Restore();
  for (const std::vector<Notice>& more : {calls.Unmade(), HandlesLeftNotices(run.library)}) {
    report.notices.insert(report.notices.end(), more.begin(), more.end());
  }

  if (!platform::SaveMachine(&why)) {
    error->message = "the operations ran but the machine could not be saved: " + why;
    return kExitUsage;
  }
  SettleVerdict(&report);
  PrintRun(report, request.json, out);
  return report.exitCode;
}

}  // namespace host
