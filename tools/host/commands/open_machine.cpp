// Opening the machine and starting a report on it, as every command does first.
#include "commands/commands.h"
#include "platform/platform.h"

namespace host {

bool OpenMachineFor(const HostRequest& request, std::vector<Notice>* notices, HostError* error) {
  bool created = false;
  std::string why;
  if (!platform::OpenMachine(request, &created, &why)) {
    error->message = why;
    return false;
  }
  if (created) {
    notices->push_back({"machine-created", "a new Windows XP machine was created in " + request.machineFolder +
                                               " (machine init --os chooses another version)"});
  }
  return true;
}

MachineSummary DescribeOpenMachine(const HostRequest& request) {
  MachineSummary machine = DescribeMachine(platform::MachineLocation(request));
  machine.platform = platform::Name();
  return machine;
}

bool BeginRunReport(const HostRequest& request, RunReport* report, HostError* error) {
  if (!OpenMachineFor(request, &report->notices, error)) return false;
  report->machine = DescribeOpenMachine(request);
  return true;
}

bool KeepCreatedMachine(HostError* error) {
  std::string why;
  if (platform::KeepCreatedMachine(&why)) return true;
  error->message = why;
  return false;
}

}  // namespace host
