// status: the product's drivers on this machine, as the service manager, the registry, the driver folder
// and the devices show them, judged for the module kind, changing nothing (like sc query). Exit 0 when
// the kind is running (installed, for the network component) or not installed at all, 3 otherwise.
#include "commands/commands.h"
#include "platform/platform.h"
#include "report/status_report.h"
#include "session/module_run.h"
#include "verdict/product_status.h"

namespace host {

int StatusCommand(const HostRequest& request, std::ostream& out, HostError* error) {
  StatusReport report;
  if (!OpenMachineFor(request, &report.notices, error)) return kExitUsage;
  report.machine = DescribeOpenMachine(request);
  if (!ChooseModuleKind(request, report.machine, &report.module, &report.moduleChosenByHost, error)) return kExitUsage;
  report.setupFolder = request.setupFolder.empty()
                           ? platform::DefaultSetupFolder(request.library.empty() ? platform::DefaultLibraryPath()
                                                                                  : request.library)
                           : request.setupFolder;
  Snapshot snapshot = TakeSnapshot(platform::Scope());
  if (!KeepCreatedMachine(error)) return kExitUsage;
  JudgeProduct(snapshot, &report);
  PrintStatus(report, request.json, out);
  return report.exitCode;
}

}  // namespace host
