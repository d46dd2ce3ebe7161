// machine reboot: the services restarted as Windows does at boot, reported as one step.
#include "commands/commands.h"
#include "platform/platform.h"

namespace host {

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
  if (!platform::SaveMachine(&why)) {
    error->message = "the machine rebooted but could not be saved: " + why;
    return kExitUsage;
  }
  report.exitCode = kExitSuccess;
  report.outcome = "the machine rebooted";
  PrintRun(report, request.json, out);
  return kExitSuccess;
}

}  // namespace host
