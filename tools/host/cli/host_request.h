// What one invocation of basetdic-host asks for, as the command line gave it.
#ifndef BASETDIC_HOST_HOST_REQUEST_H
#define BASETDIC_HOST_HOST_REQUEST_H

#include <string>
#include <vector>

#include "cli/call_failure.h"
#include "cli/operations.h"

namespace host {

// Help and Version are --help (or help COMMAND) and --version; the others are the commands.
enum class Command { Operations, Explain, Status, MachineInit, MachineShow, MachineReboot, Help, Version };

struct HostRequest {
  Command command = Command::Operations;
  std::vector<Operation> operations;  // for Command::Operations, in call order
  std::vector<std::string> helpTopic;  // for Command::Help: the command's words ("machine", "init"); empty: all
  std::string machineFolder = "basetdic-machine";
  std::string module;       // empty: the kind this machine's Windows calls for
  std::string setupFolder;  // empty: the machine's demo setup folder
  std::string library;      // empty: the library built beside the host
  bool trace = false;
  bool listCalls = false;             // --calls: every platform call of each step, not only the failed ones
  std::vector<CallFailure> failures;  // --fail, in the order given
  bool json = false;
  int waitSeconds = 30;  // how long to wait for another run that holds the machine folder
  bool deterministic = false;  // the simulated clock moves a fixed minute between runs
  // The options given that mean something on a simulated machine only ("--machine"), once each, in the
  // order given: a live Windows refuses the run rather than leave them unused.
  std::vector<std::string> simulatedOnlyGiven;
  // machine init
  std::string os;
  bool wow64 = false;
  bool force = false;
};

}  // namespace host

#endif
