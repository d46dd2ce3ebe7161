// machine init, machine show and machine reboot.
#include "commands/commands.h"
#include "platform/platform.h"
#include "report/changes_text.h"
#include "report/json_output.h"
#include "report/machine_text.h"
#include "report/report.h"
#include "report/text_layout.h"
#include "session/module_kinds.h"

namespace host {
namespace {

void PrintJson(const nlohmann::json& document, std::ostream& out) {
  out << document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

}  // namespace

int MachineInitCommand(const HostRequest& request, std::ostream& out, HostError* error) {
  std::string why;
  if (!platform::InitMachine(request, &why)) {
    error->message = why;
    return kExitUsage;
  }
  MachineSummary machine = DescribeMachine(platform::MachineLocation(request));
  machine.platform = platform::Name();
  std::string setupFolder = platform::DefaultSetupFolder("");
  SetupFiles files = FindSetupFiles(setupFolder);
  std::string module = ModuleForWindows(machine.os);
  if (request.json) {
    PrintJson({{"machine", ToJson(machine)},
               {"setup", {{"folder", setupFolder}, {"files", files.present}}},
               {"module", module},
               {"exitCode", kExitSuccess}},
              out);
    return kExitSuccess;
  }
  WriteWrapped(out, "", "created " + MachineLine(machine), 2);
  std::string names;
  for (const std::string& path : files.present) names += (names.empty() ? "" : ", ") + path.substr(setupFolder.size() + 1);
  WriteWrapped(out, "  setup     ", setupFolder + ": " + names, kAreaColumn);
  WriteWrapped(out, "  next      ",
               "basetdic-host --machine " + request.machineFolder + " cycle   (module " + module + " by default)",
               kAreaColumn);
  return kExitSuccess;
}

int MachineShowCommand(const HostRequest& request, std::ostream& out, HostError* error) {
  std::string notice;
  if (!OpenMachineFor(request, &notice, error)) return kExitUsage;
  MachineSummary machine = DescribeMachine(platform::MachineLocation(request));
  machine.platform = platform::Name();
  Snapshot snapshot = TakeSnapshot(platform::Scope());
  std::string why;
  if (!platform::KeepCreatedMachine(&why)) {
    error->message = why;
    return kExitUsage;
  }
  if (request.json) {
    PrintJson({{"machine", ToJson(machine)},
               {"notices", notice.empty() ? nlohmann::json::array() : nlohmann::json::array({notice})},
               {"state", ToJson(snapshot)},
               {"exitCode", kExitSuccess}},
              out);
    return kExitSuccess;
  }
  if (!notice.empty()) WriteWrapped(out, "note: ", notice, 6);
  PrintMachineState(machine, snapshot, out);
  return kExitSuccess;
}

int MachineRebootCommand(const HostRequest& request, std::ostream& out, HostError* error) {
  RunReport report;
  if (!BeginRunReport(request, &report, error)) return kExitUsage;
  SnapshotScope scope = platform::Scope();
  Snapshot before = TakeSnapshot(scope);
  std::string why;
  if (!platform::RebootMachine(&why)) {
    error->message = why;
    return kExitUsage;
  }
  StepReport step;
  step.name = "reboot";
  step.call = "services reloaded from the registry";
  step.hasStatus = false;
  step.changes = Compare(before, TakeSnapshot(scope));
  report.steps.push_back(step);
  if (!platform::SaveMachine(request, &why)) {
    error->message = "the machine rebooted but could not be saved: " + why;
    return kExitUsage;
  }
  report.exitCode = kExitSuccess;
  report.outcome = "the machine rebooted";
  if (request.json) {
    PrintRunJson(report, out);
  } else {
    PrintRunText(report, out);
  }
  return kExitSuccess;
}

}  // namespace host
