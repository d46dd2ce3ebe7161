// The commands: each runs against the open machine, prints its text or JSON report and returns the exit
// code. Failures before anything ran are returned as HostError.
#ifndef BASETDIC_HOST_COMMANDS_H
#define BASETDIC_HOST_COMMANDS_H

#include <ostream>

#include "cli/host_error.h"
#include "cli/host_request.h"
#include "observe/machine_summary.h"
#include "report/report.h"

namespace host {

// install, update, start, remove, check, cycle.
int RunOperationsCommand(const HostRequest& request, std::ostream& out, HostError* error);
int ExplainCommand(const HostRequest& request, std::ostream& out, HostError* error);
int MachineInitCommand(const HostRequest& request, std::ostream& out, HostError* error);
int MachineShowCommand(const HostRequest& request, std::ostream& out, HostError* error);
int MachineRebootCommand(const HostRequest& request, std::ostream& out, HostError* error);
// --help and help COMMAND; --version.
int HelpCommand(const HostRequest& request, std::ostream& out, HostError* error);
int VersionCommand(const HostRequest& request, std::ostream& out, HostError* error);

// What the commands share (open_machine.cpp).

// Opens (or on first use creates) the machine; a notice says when one was created.
bool OpenMachineFor(const HostRequest& request, std::vector<Notice>* notices, HostError* error);
// The open machine as a report starts with it: where it is, on which platform, and what it is.
MachineSummary DescribeOpenMachine(const HostRequest& request);
// Opens the machine and starts a run report describing it (with the creation notice, if any).
bool BeginRunReport(const HostRequest& request, RunReport* report, HostError* error);
// For commands that change nothing: keeps a machine that OpenMachineFor created.
bool KeepCreatedMachine(HostError* error);

}  // namespace host

#endif
