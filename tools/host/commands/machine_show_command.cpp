// machine show: the machine's configuration and everything a snapshot sees, changing nothing.
#include "commands/commands.h"
#include "platform/platform.h"
#include "report/json_output.h"
#include "report/machine_text.h"
#include "report/text_layout.h"

namespace host {

int MachineShowCommand(const HostRequest& request, std::ostream& out, HostError* error) {
  std::vector<Notice> notices;
  if (!OpenMachineFor(request, &notices, error)) return kExitUsage;
  MachineSummary machine = DescribeOpenMachine(request);
  Snapshot snapshot = TakeSnapshot(platform::Scope());
  if (!KeepCreatedMachine(error)) return kExitUsage;
  if (request.json) {
    PrintJson({{"machine", ToJson(machine)},
               {"notices", ToJson(notices)},
               {"state", ToJson(snapshot)},
               {"exitCode", kExitSuccess}},
              out);
    return kExitSuccess;
  }
  for (const Notice& notice : notices) WriteWrapped(out, "note: ", notice.text + " [" + notice.code + "]", 6);
  PrintMachineState(machine, snapshot, out);
  return kExitSuccess;
}

}  // namespace host
