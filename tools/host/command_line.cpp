#include "command_line.h"

#include <CLI/CLI.hpp>

namespace host {
namespace {

const char kDescription[] =
    "Drives the library's module object the way a setup program does and shows, after each\n"
    "operation, its status words and what changed on the machine. On Linux the machine is a\n"
    "simulated Windows kept in a folder; on Windows it is the running system.";

const char kFooter[] =
    "Examples:\n"
    "  basetdic-host machine init --os win7\n"
    "  basetdic-host cycle                  install, start, update, remove\n"
    "  basetdic-host --module FwBaseVt --trace install\n"
    "  basetdic-host explain FwBase2K\n"
    "Exit code: 0 every operation reported result 1, 1 one reported 0, 2 bad usage or no library.";

void AddOperation(CLI::App& app, const char* name, const char* help, std::vector<Operation> operations,
                  HostRequest* request) {
  app.add_subcommand(name, help)->callback([request, operations] {
    request->command = Command::Operations;
    request->operations = operations;
  });
}

}  // namespace

ParseOutcome ParseCommandLine(int argc, char** argv, HostRequest* request, std::ostream& out, HostError* error) {
  CLI::App app{kDescription, "basetdic-host"};
  app.footer(kFooter);
  app.fallthrough(true);
  app.require_subcommand(1);
  app.add_option("--machine", request->machineFolder, "simulated machine folder (created on first use)")
      ->capture_default_str();
  app.add_option("--module", request->module, "FwBaseNt, FwBase2K or FwBaseVt (default: the kind for the machine's Windows)");
  app.add_option("--setup", request->setupFolder, "setup folder on the machine (default: the demo setup folder)");
  app.add_option("--library", request->library, "the library to load (default: the one built with the host)");
  app.add_flag("--trace", request->trace, "switch the library's trace on for this run (zel.ini)");
  app.add_flag("--json", request->json, "print one JSON document instead of text");
  app.add_option("--wait", request->waitSeconds, "seconds to wait for another run using the machine folder")
      ->capture_default_str()
      ->check(CLI::NonNegativeNumber);

  AddOperation(app, "install", "InstallDriver", {Operation::Install}, request);
  AddOperation(app, "update", "UpdateDriver", {Operation::Update}, request);
  AddOperation(app, "start", "StartDriver", {Operation::Start}, request);
  AddOperation(app, "remove", "RemoveDriver", {Operation::Remove}, request);
  AddOperation(app, "check", "CheckPlatform", {Operation::Check}, request);
  AddOperation(app, "cycle", "install, start, update, remove on one object",
               {Operation::Install, Operation::Start, Operation::Update, Operation::Remove}, request);

  CLI::App* explain = app.add_subcommand("explain", "which branch each operation takes here, rehearsed on a copy");
  explain->add_option("kind", request->module, "FwBaseNt, FwBase2K or FwBaseVt");
  explain->callback([request] { request->command = Command::Explain; });

  CLI::App* machine = app.add_subcommand("machine", "create, show or reboot the simulated machine");
  machine->require_subcommand(1);
  CLI::App* init = machine->add_subcommand("init", "create a new simulated machine");
  init->add_option("--os", request->os, "Windows version")
      ->required()
      ->check(CLI::IsMember({"nt4", "win2k", "xp", "vista", "win7", "win9x"}));
  init->add_flag("--wow64", request->wow64, "a 32-bit process on 64-bit Windows (xp, vista, win7)");
  init->add_flag("--force", request->force, "replace a machine that is already there");
  init->callback([request] { request->command = Command::MachineInit; });
  machine->add_subcommand("show", "the machine's configuration, files, registry, services and devices")
      ->callback([request] { request->command = Command::MachineShow; });
  machine->add_subcommand("reboot", "restart the machine's services as Windows does at boot")
      ->callback([request] { request->command = Command::MachineReboot; });

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    out << app.help();
    return ParseOutcome::Done;
  } catch (const CLI::CallForAllHelp&) {
    out << app.help("", CLI::AppFormatMode::All);
    return ParseOutcome::Done;
  } catch (const CLI::ParseError& failure) {
    std::string what = failure.what();
    if (what.empty()) what = failure.get_name();
    error->message = what + ": run basetdic-host --help for the commands and options";
    error->exitCode = kExitUsage;
    return ParseOutcome::Failed;
  }
  if (request->wow64 && (request->os == "nt4" || request->os == "win2k" || request->os == "win9x")) {
    error->message = "--wow64 needs a 64-bit Windows: use it with --os xp, vista or win7";
    return ParseOutcome::Failed;
  }
  return ParseOutcome::Run;
}

}  // namespace host
