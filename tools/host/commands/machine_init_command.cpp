// machine init: a new simulated machine with the demo setup folder.
#include "commands/commands.h"
#include "platform/platform.h"
#include "report/changes_text.h"
#include "report/json_output.h"
#include "report/machine_text.h"
#include "report/text_layout.h"
#include "rules/module_kind.h"
#include "session/setup_files.h"

namespace host {

int MachineInitCommand(const HostRequest& request, std::ostream& out, HostError* error) {
  std::string why;
  bool replaced = false;
  if (!platform::InitMachine(request, &replaced, &why)) {
    error->message = why;
    return kExitUsage;
  }
  MachineSummary machine = DescribeOpenMachine(request);
  std::string setupFolder = platform::DefaultSetupFolder("");
  SetupFiles files = FindSetupFiles(setupFolder);
  std::string module = basetdic::KindName(basetdic::KindForWindows(machine.os));
  if (request.json) {
    PrintJson({{"machine", ToJson(machine)},
               {"replaced", replaced},
               {"setup", {{"folder", setupFolder}, {"files", files.present}}},
               {"module", module},
               {"exitCode", kExitSuccess}},
              out);
    return kExitSuccess;
  }
  WriteWrapped(out, "", (replaced ? "replaced " : "created ") + MachineLine(machine), 2);
  std::string names;
  for (const std::string& path : files.present) names += (names.empty() ? "" : ", ") + path.substr(setupFolder.size() + 1);
  WriteWrapped(out, "  setup     ", setupFolder + ": " + names, kAreaColumn);
  WriteWrapped(out, "  next      ",
               "basetdic-host --machine " + request.machineFolder + " cycle   (module " + module + " by default)",
               kAreaColumn);
  return kExitSuccess;
}

}  // namespace host
