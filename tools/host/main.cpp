// basetdic-host: loads the library like a setup program, drives its module object and reports what each
// operation changed on the machine.
#include <iostream>

#include "cli/command_line.h"
#include "commands/commands.h"
#include "report/json_output.h"

namespace {

int Dispatch(const host::HostRequest& request, host::HostError* error) {
  switch (request.command) {
    case host::Command::Operations: return host::RunOperationsCommand(request, std::cout, error);
    case host::Command::Explain: return host::ExplainCommand(request, std::cout, error);
    case host::Command::MachineInit: return host::MachineInitCommand(request, std::cout, error);
    case host::Command::MachineShow: return host::MachineShowCommand(request, std::cout, error);
    case host::Command::MachineReboot: return host::MachineRebootCommand(request, std::cout, error);
    case host::Command::Help: return host::HelpCommand(request, std::cout, error);
    case host::Command::Version: return host::VersionCommand(request, std::cout, error);
  }
  return host::kExitUsage;
}

// The one-line message on stderr; with --json also a document on stdout, so a script always gets one.
int Fail(const host::HostError& error, bool json) {
  std::cerr << "basetdic-host: " << error.message << '\n';
  if (json && !error.reported) {
    host::PrintJson({{"error", error.message}, {"exitCode", error.exitCode}}, std::cout);
  }
  return error.exitCode;
}

bool WantsJson(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--json") return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  host::HostRequest request;
  host::HostError error;
  if (host::ParseCommandLine(argc, argv, &request, &error) == host::ParseOutcome::Failed) {
    return Fail(error, WantsJson(argc, argv));
  }
  try {
    error = host::HostError{};
    int exitCode = Dispatch(request, &error);
    if (!error.message.empty()) return Fail(error, request.json);
    return exitCode;
  } catch (const std::exception& failure) {
    return Fail(host::HostError{std::string("unexpected failure: ") + failure.what() +
                                    "; run again with --json and keep the output for a bug report",
                                host::kExitUsage},
                request.json);
  }
}
