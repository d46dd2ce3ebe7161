// machine show: the machine's configuration and everything a snapshot sees, changing nothing.
#include "commands/commands.h"
#include "platform/platform.h"
#include "report/json_output.h"
#include "report/machine_text.h"
#include "report/text_layout.h"

namespace host {

int MachineShowCommand(const HostRequest& request, std::ostream& out, HostError* error) {
  std::string notice;
  if (!OpenMachineFor(request, &notice, error)) return kExitUsage;
  MachineSummary machine = DescribeOpenMachine(request);
  Snapshot snapshot = TakeSnapshot(platform::Scope());
  if (!KeepCreatedMachine(error)) return kExitUsage;
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

}  // namespace host
