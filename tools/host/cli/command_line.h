// The command line: subcommands and options parsed with CLI11 into a HostRequest.
#ifndef BASETDIC_HOST_COMMAND_LINE_H
#define BASETDIC_HOST_COMMAND_LINE_H

#include <ostream>

#include "cli/host_error.h"
#include "cli/host_request.h"

namespace host {

enum class ParseOutcome { Run, Done, Failed };

// Parses argv; Done when help was asked for and printed, Failed with *error for bad usage.
ParseOutcome ParseCommandLine(int argc, char** argv, HostRequest* request, std::ostream& out, HostError* error);

}  // namespace host

#endif
