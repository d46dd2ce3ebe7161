// explain: for the machine's Windows version, which way each operation goes and what it touches, without
// touching the machine. The branch comes from the library's own choosers; what an operation touches comes
// from rehearsing it alone on a throwaway copy of the machine, where the platform can.
#include "commands/commands.h"
#include "platform/platform.h"
#include "report/explain_report.h"
#include "session/kept_setup_folder.h"
#include "session/module_run.h"

namespace host {
namespace {

// Runs the operation alone on a fresh copy of the machine, after SetModuleName and InsertFile. False with
// *why where the platform cannot rehearse.
bool Rehearse(const HostRequest& request, const ModuleRun& run, ExplainedOperation* explained, std::string* why) {
  if (!platform::BeginRehearsal(request, why)) return false;
  {
    SnapshotScope scope = platform::Scope();
    Snapshot last = TakeSnapshot(scope);
    ModuleSession session(run.entryPoints);
    if (session.Valid()) {
      CallWatch calls;
      NameAndInsertFiles(session, run, scope, &last, calls);
      explained->step = RunOperation(session, explained->operation, scope, &last, calls);
      explained->rehearsed = true;
    }
  }
  platform::EndRehearsal();
  return true;
}

// The branch and notices of one operation, and its rehearsal unless an earlier one said why there is none.
ExplainedOperation ExplainOperation(Operation operation, const HostRequest& request, const ModuleRun& run,
                                    const ExplainReport& report, std::string* notRehearsedWhy) {
  ExplainedOperation explained;
  explained.operation = operation;
  explained.branch = ExplainBranch(operation, run.module, report.machine.os, report.keptFolder);
  explained.step.name = OperationName(operation);
  explained.step.call = CallName(operation);
  explained.step.hasStatus = false;
  if (notRehearsedWhy->empty()) Rehearse(request, run, &explained, notRehearsedWhy);
  explained.step.notices = OperationNotices(operation, run.module, report.machine.os, report.keptFolder);
  return explained;
}

}  // namespace

int ExplainCommand(const HostRequest& request, std::ostream& out, HostError* error) {
  ExplainReport report;
  if (!OpenMachineFor(request, &report.notices, error)) return kExitUsage;
  report.machine = DescribeOpenMachine(request);
  ModuleRun run;
  if (!PrepareModuleRun(request, report.machine, &run, error)) return kExitUsage;
  report.module = run.module;
  report.setupFolder = run.setupFolder;
  report.insertedFiles = run.setupFiles.present;
  // explain reasons from the folder the library keeps after InsertFile's rules, not from the one typed.
  report.keptFolder = FolderKeptAfter(run.module, run.setupFiles.present);
  for (Operation operation : OperationsInCycleOrder()) {
    report.operations.push_back(ExplainOperation(operation, request, run, report, &report.notRehearsedWhy));
  }
  if (!KeepCreatedMachine(error)) return kExitUsage;
  PrintExplain(report, request.json, out);
  return kExitSuccess;
}

}  // namespace host
