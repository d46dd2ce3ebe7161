#include "cli/command_line.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "cli/unknown_command.h"
#include "cli/vocabulary.h"
#include "observe/windows_case.h"
#include "rules/product_names.h"

#ifndef BASETDIC_VERSION
#define BASETDIC_VERSION "unknown"
#endif

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
    "Status words (the object's ModuleStatus, read after every call):\n"
    "  result   1 success, 0 failure; written by every call that acts, 1 on a new object\n"
    "  pending  0 on a new object; written only by install, update and remove once past their gate\n"
    "           (NT and a setup folder): 1 from every update, from remove's FwBase2K and FwBaseVt\n"
    "           branches, from install under WOW64 or on FwBaseVt; 0 from the others\n"
    "  A word a call did not write keeps the last value written: the report marks it\n"
    "  (\"pending 1, left from update\") and a notice says why an operation did nothing.\n"
    "Exit code: 0 every operation reported result 1, 1 one reported 0, 2 bad usage or no library.";

void AddOperation(CLI::App& app, const std::string& name, const std::string& help, std::vector<Operation> operations,
                  HostRequest* request) {
  app.add_subcommand(name, help)->callback([request, operations] {
    request->command = Command::Operations;
    request->operations = operations;
  });
}

// Every subcommand's --help lists the options of basetdic-host that work there too.
std::string CommonOptionsFooter(const CLI::App& app) {
  std::string text = "Options of basetdic-host, accepted here too:\n";
  for (const CLI::Option* option : app.get_options()) {
    std::string name = option->get_name(false, true);
    if (name == "--help" || name == "-h,--help") continue;
    std::string usage = name + (option->get_type_size() > 0 ? " " + option->get_type_name() : "");
    text += "  " + usage + std::string(usage.size() < 26 ? 26 - usage.size() : 1, ' ') + option->get_description() + "\n";
  }
  return text;
}

// The options of basetdic-host itself, which every command accepts.
void AddHostOptions(CLI::App& app, HostRequest* request) {
  app.footer(kFooter);
  app.fallthrough(true);
  app.require_subcommand(1);
  app.add_option("--machine", request->machineFolder, "simulated machine folder (created on first use)")
      ->capture_default_str();
  app.add_option("--module", request->module,
                 ModuleNameList() + ", in any case (default: the kind for the machine's Windows)");
  app.add_option("--setup", request->setupFolder, "setup folder on the machine (default: the demo setup folder)");
  app.add_option("--library", request->library, "the library to load (default: the one built with the host)");
  app.add_flag("--trace", request->trace,
               std::string("switch the library's trace on for this run (") + basetdic::kTraceSwitchFile + ")");
  app.add_flag("--json", request->json, "print one JSON document instead of text");
  app.add_option("--wait", request->waitSeconds, "seconds to wait for another run using the machine folder")
      ->capture_default_str()
      ->check(CLI::NonNegativeNumber);
  app.add_flag("--deterministic", request->deterministic,
               "simulated machine: move its clock a fixed minute since the last run, not the real time (tests)");
  app.set_version_flag("--version", std::string("basetdic-host ") + BASETDIC_VERSION);
}

// One command per row of the operation table, then cycle.
void AddOperationCommands(CLI::App& app, HostRequest* request) {
  for (const OperationRow& row : kOperations) AddOperation(app, row.word, row.member, {row.operation}, request);
  std::string cycleHelp;
  for (Operation operation : kCycle) cycleHelp += (cycleHelp.empty() ? "" : ", ") + std::string(OperationName(operation));
  AddOperation(app, "cycle", cycleHelp + " on one object", std::vector<Operation>(std::begin(kCycle), std::end(kCycle)),
               request);
}

void AddExplainCommand(CLI::App& app, HostRequest* request, std::string* explainKind) {
  CLI::App* explain = app.add_subcommand("explain", "which branch each operation takes here, rehearsed on a copy");
  explain->add_option("kind", *explainKind, ModuleNameList() + ", in any case (or --module)");
  explain->callback([request] { request->command = Command::Explain; });
}

void AddMachineCommands(CLI::App& app, HostRequest* request) {
  CLI::App* machine = app.add_subcommand("machine", "create, show or reboot the simulated machine");
  machine->require_subcommand(1);
  CLI::App* init = machine->add_subcommand("init", "create a new simulated machine");
  init->add_option("--os", request->os, "Windows version: " + WindowsNameList() + ", in any case")
      ->required()
      ->transform(CLI::IsMember(WindowsCommandLineNames(), CLI::ignore_case));
  std::string windows64;
  for (const std::string& name : WindowsCommandLineNames(true)) windows64 += (windows64.empty() ? "" : ", ") + name;
  init->add_flag("--wow64", request->wow64, "a 32-bit process on 64-bit Windows (" + windows64 + ")");
  init->add_flag("--force", request->force, "replace a machine that is already there");
  init->callback([request] { request->command = Command::MachineInit; });
  machine->add_subcommand("show", "the machine's configuration, files, registry, services and devices")
      ->callback([request] { request->command = Command::MachineShow; });
  machine->add_subcommand("reboot", "restart the machine's services as Windows does at boot")
      ->callback([request] { request->command = Command::MachineReboot; });
}

// Every subcommand's --help ends with those options.
void AddCommonOptionsFooter(CLI::App& app) {
  std::string footer = CommonOptionsFooter(app);
  for (CLI::App* command : app.get_subcommands({})) {
    command->footer(footer);
    for (CLI::App* inner : command->get_subcommands({})) inner->footer(footer);
  }
}

ParseOutcome Refuse(const std::string& message, HostError* error) {
  error->message = message;
  error->exitCode = kExitUsage;
  return ParseOutcome::Failed;
}

// CLI11's parse: help and version are printed here; bad usage is refused with CLI11's words.
ParseOutcome Parse(CLI::App& app, int argc, char** argv, std::ostream& out, HostError* error) {
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForVersion& version) {
    out << version.what() << '\n';
    return ParseOutcome::Done;
  } catch (const CLI::CallForHelp&) {
    out << app.help();
    return ParseOutcome::Done;
  } catch (const CLI::CallForAllHelp&) {
    out << app.help("", CLI::AppFormatMode::All);
    return ParseOutcome::Done;
  } catch (const CLI::ParseError& failure) {
    std::string what = failure.what();
    if (what.empty()) what = failure.get_name();
    return Refuse(what + ": run basetdic-host --help for the commands and options", error);
  }
  return ParseOutcome::Run;
}

// What the words say together: the kind named once (by --module or by explain KIND), and --wow64 only
// with a 64-bit Windows.
ParseOutcome CheckRequest(const std::string& explainKind, HostRequest* request, HostError* error) {
  if (!explainKind.empty()) {
    if (!request->module.empty() && LowerAscii(request->module) != LowerAscii(explainKind)) {
      return Refuse("--module " + request->module + " and explain " + explainKind +
                        " name two different kinds: name the kind once, as explain " + explainKind,
                    error);
    }
    request->module = explainKind;
  }
  if (request->wow64 && !request->os.empty()) {
    const std::vector<std::string> windows64 = WindowsCommandLineNames(true);
    if (std::find(windows64.begin(), windows64.end(), request->os) == windows64.end())
      return Refuse("--wow64 needs a 64-bit Windows: use it with --os " + WindowsNameList(true), error);
  }
  return ParseOutcome::Run;
}

}  // namespace

ParseOutcome ParseCommandLine(int argc, char** argv, HostRequest* request, std::ostream& out, HostError* error) {
  CLI::App app{kDescription, "basetdic-host"};
  std::string explainKind;
  AddHostOptions(app, request);
  AddOperationCommands(app, request);
  AddExplainCommand(app, request, &explainKind);
  AddMachineCommands(app, request);
  AddCommonOptionsFooter(app);
  std::string unknown = FindUnknownCommand(app, argc, argv);
  if (!unknown.empty()) return Refuse(unknown + "; run basetdic-host --help for the commands and options", error);
  ParseOutcome parsed = Parse(app, argc, argv, out, error);
  return parsed == ParseOutcome::Run ? CheckRequest(explainKind, request, error) : parsed;
}

}  // namespace host
