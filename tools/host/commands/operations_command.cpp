// install, update, start, remove, check and cycle: one module object, the requested operations in order,
// a snapshot around each.
#include "commands/commands.h"
#include "observe/trace_file.h"
#include "platform/platform.h"
#include "report/branch_notes.h"
#include "rules/product_names.h"
#include "session/module_run.h"
#include "session/trace_switch.h"

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
    report.steps.push_back(NameAndInsertFiles(session, run, scope, &last));
    writers.Note(session, &report.steps.back());
    for (Operation operation : request.operations) {
      report.steps.push_back(RunOperation(session, operation, scope, &last));
      writers.Note(session, &report.steps.back());
      report.steps.back().notices = OperationNotices(operation, run.module, report.machine.os, session.KeptFolder());
    }
  }
  trace.Restore();

  std::string why;
  if (!platform::SaveMachine(&why)) {
    error->message = "the operations ran but the machine could not be saved: " + why;
    return kExitUsage;
  }
  SettleOutcome(&report);
  PrintRun(report, request.json, out);
  return report.exitCode;
}

}  // namespace host
