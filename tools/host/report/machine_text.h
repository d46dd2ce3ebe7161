// The machine described in text: the one-line summary every command starts with, and machine show's
// full listing of a snapshot.
#ifndef BASETDIC_HOST_MACHINE_TEXT_H
#define BASETDIC_HOST_MACHINE_TEXT_H

#include <ostream>
#include <string>

#include "observe/snapshot.h"
#include "report/report.h"

namespace host {

// "machine basetdic-machine: Windows XP 5.1.2600 Service Pack 3 (NT), WOW64"
std::string MachineLine(const MachineSummary& machine);

void PrintMachineState(const MachineSummary& machine, const Snapshot& snapshot, std::ostream& out);

}  // namespace host

#endif
