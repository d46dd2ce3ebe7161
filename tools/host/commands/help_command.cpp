// --help and help COMMAND: what the command (or the tool) does and the options that work there.
#include "cli/help_page.h"
#include "commands/commands.h"
#include "report/help_report.h"

namespace host {

int HelpCommand(const HostRequest& request, std::ostream& out, HostError*) {
  PrintHelp(HelpPageFor(request.helpTopic), request.json, out);
  return kExitSuccess;
}

}  // namespace host
