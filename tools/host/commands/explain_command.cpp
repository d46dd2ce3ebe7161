// explain: for the machine's Windows version, which way each operation goes and what it touches, without
// touching the machine. The branch comes from the library's own choosers; what an operation touches comes
// from rehearsing it alone on a throwaway copy of the machine, where the platform can.
#include "commands/commands.h"
#include "platform/platform.h"
#include "report/branch_notes.h"
#include "report/changes_text.h"
#include "report/json_output.h"
#include "report/machine_text.h"
#include "report/text_layout.h"
#include "session/module_run.h"

namespace host {
namespace {

struct Rehearsal {
  Operation operation;
  BranchNote branch;
  bool rehearsed = false;
  StepReport step;
};

bool Rehearse(const HostRequest& request, const ModuleRun& run, Rehearsal* rehearsal, std::string* why) {
  if (!platform::BeginRehearsal(request, why)) return false;
  {
    SnapshotScope scope = platform::Scope();
    Snapshot last = TakeSnapshot(scope);
    ModuleSession session(run.entryPoints);
    if (session.Valid()) {
      NameAndInsertFiles(session, run, scope, &last);
      Operation operation = rehearsal->operation;
      rehearsal->step = RunStep(OperationName(operation), CallName(operation),
                                [&] { return session.Call(operation); }, scope, &last);
      rehearsal->rehearsed = true;
    }
  }
  platform::EndRehearsal();
  return true;
}

}  // namespace

int ExplainCommand(const HostRequest& request, std::ostream& out, HostError* error) {
  std::string notice;
  if (!OpenMachineFor(request, &notice, error)) return kExitUsage;
  MachineSummary machine = DescribeMachine(platform::MachineLocation(request));
  machine.platform = platform::Name();
  ModuleRun run;
  if (!PrepareModuleRun(request, machine, &run, error)) return kExitUsage;

  // The folder the library keeps as its source after InsertFile's rules, asked of an object that was only
  // named and given the files: explain reasons from that, not from the folder typed.
  std::string sourceDir;
  {
    ModuleSession session(run.entryPoints);
    if (session.Valid()) {
      session.SetModuleName(run.module);
      for (const std::string& path : run.setupFiles.present) session.InsertFile(path);
      sourceDir = session.HeldSourceDir();
    }
  }
  std::vector<Rehearsal> rehearsals;
  std::string whyNot;
  for (Operation operation : OperationsInCycleOrder()) {
    Rehearsal rehearsal;
    rehearsal.operation = operation;
    rehearsal.branch = ExplainBranch(operation, run.module, machine.os, sourceDir);
    rehearsal.step.name = OperationName(operation);
    rehearsal.step.call = CallName(operation);
    rehearsal.step.hasStatus = false;
    if (whyNot.empty()) Rehearse(request, run, &rehearsal, &whyNot);
    rehearsal.step.notices = OperationNotices(operation, run.module, machine.os, sourceDir);
    rehearsals.push_back(rehearsal);
  }
  std::string why;
  if (!platform::KeepCreatedMachine(&why)) {
    error->message = why;
    return kExitUsage;
  }

  if (request.json) {
    nlohmann::json operations = nlohmann::json::array();
    for (const Rehearsal& rehearsal : rehearsals) {
      operations.push_back({{"operation", rehearsal.step.name},
                            {"call", rehearsal.step.call},
                            {"branch", rehearsal.branch.branch},
                            {"what", rehearsal.branch.what},
                            {"rehearsed", rehearsal.rehearsed},
                            {"notices", ToJson(rehearsal.step.notices)},
                            {"failedCalls", ToJson(rehearsal.step.failedCalls)},
                            {"status", rehearsal.rehearsed ? ToJson(rehearsal.step.status) : nlohmann::json(nullptr)},
                            {"changes", rehearsal.rehearsed ? ToJson(rehearsal.step.changes) : nlohmann::json(nullptr)}});
    }
    nlohmann::json document{{"machine", ToJson(machine)},
                            {"module", run.module},
                            {"kind", KindNote(run.module, machine.os)},
                            {"fits", KindFitsWindows(run.module, machine.os)},
                            {"setup",
                             {{"folder", run.setupFolder},
                              {"keptByLibrary", sourceDir},
                              {"insertedFiles", run.setupFiles.present}}},
                            {"rehearsal", whyNot.empty() ? nlohmann::json("each operation alone on a copy of the machine")
                                                         : nlohmann::json(whyNot)},
                            {"operations", operations},
                            {"exitCode", kExitSuccess}};
    out << document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    return kExitSuccess;
  }

  WriteWrapped(out, "", "explain " + run.module + " on " + MachineLine(machine), 2);
  if (!notice.empty()) WriteWrapped(out, AreaPrefix("note"), notice, kAreaColumn);
  WriteWrapped(out, AreaPrefix("kind"), KindNote(run.module, machine.os), kAreaColumn);
  WriteWrapped(out, AreaPrefix("setup"),
               run.setupFolder + " (" + std::to_string(run.setupFiles.present.size()) + " files); the library keeps " +
                   (sourceDir.empty() ? std::string("no setup folder") : sourceDir),
               kAreaColumn);
  WriteWrapped(out, AreaPrefix("how"),
               whyNot.empty() ? "each operation rehearsed alone, after SetModuleName and InsertFile, on a throwaway "
                                "copy of the machine; the machine itself stays as it is"
                              : whyNot,
               kAreaColumn);
  for (const Rehearsal& rehearsal : rehearsals) {
    out << '\n';
    std::string left = Padded(rehearsal.step.name, 10);
    if (rehearsal.rehearsed) {
      left += "result " + std::to_string(rehearsal.step.status.result) + "  pending " +
              std::to_string(rehearsal.step.status.pending);
    }
    out << LeftRight(left, rehearsal.step.call) << '\n';
    WriteWrapped(out, AreaPrefix("branch"), rehearsal.branch.branch + ": " + rehearsal.branch.what, kAreaColumn);
    PrintStepFacts(rehearsal.step, out);
    if (rehearsal.rehearsed) PrintChanges(rehearsal.step.changes, out);
  }
  return kExitSuccess;
}

}  // namespace host
