// The command line: the words of argv read against the command and option tables into a HostRequest.
#ifndef BASETDIC_HOST_COMMAND_LINE_H
#define BASETDIC_HOST_COMMAND_LINE_H

#include "cli/host_error.h"
#include "cli/host_request.h"

namespace host {

enum class ParseOutcome { Run, Failed };

// Reads argv into *request (--help, help COMMAND and --version become Command::Help and
// Command::Version); Failed with *error, a message in the tool's words with what to do, for bad usage.
// Words are read from the left and the first mistake is the one told, unless --help or --version came
// before it, which then decide the run.
ParseOutcome ParseCommandLine(int argc, char** argv, HostRequest* request, HostError* error);

}  // namespace host

#endif
