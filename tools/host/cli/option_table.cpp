#include "cli/option_table.h"

#include <climits>

#include "cli/nearest_word.h"
#include "cli/vocabulary.h"
#include "cli/word_list.h"
#include "rules/ascii_case.h"
#include "rules/product_names.h"

namespace host {
namespace {

constexpr unsigned kOperationCommands = CommandBit(Command::Operations);
constexpr unsigned kModuleCommands = kOperationCommands | CommandBit(Command::Explain) | CommandBit(Command::Status);
constexpr unsigned kMachineCommands = kModuleCommands | CommandBit(Command::MachineInit) |
                                      CommandBit(Command::MachineShow) | CommandBit(Command::MachineReboot);
constexpr unsigned kEveryCommand = kMachineCommands | CommandBit(Command::Help) | CommandBit(Command::Version);
constexpr unsigned kMachineInit = CommandBit(Command::MachineInit);

const std::vector<OptionRow> kOptions = {
    {"--machine", nullptr, "DIR", ValueKind::Text, kMachineCommands,
     "the simulated machine's folder (default basetdic-machine, made as Windows XP on first use)",
     "basetdic-machine", "the folder basetdic-machine", OptionRole::Setting,
     [](HostRequest* request, const std::string& value) { request->machineFolder = value; }, false, true},
    {"--module", nullptr, "KIND", ValueKind::ModuleKind, kModuleCommands,
     ModuleNameList() + ", in any case (default: the kind for the machine's Windows)", "FwBase2K",
     "the kind for the machine's Windows", OptionRole::Setting,
     [](HostRequest* request, const std::string& value) { request->module = value; }},
    {"--setup", nullptr, "DIR", ValueKind::Text, kModuleCommands,
     "the setup folder on the machine (default: the demo setup folder; on Windows the library's folder)",
     "C:\\setup", "the demo setup folder", OptionRole::Setting,
     [](HostRequest* request, const std::string& value) { request->setupFolder = value; }},
    {"--library", nullptr, "PATH", ValueKind::Text, kModuleCommands | CommandBit(Command::Version),
     "the library to load; a bare name is the file in the current folder (default: the one built with the host, "
     "on Windows basetdic.dll beside it)",
     "./libbasetdic.so", "the library built with the host", OptionRole::Setting,
     [](HostRequest* request, const std::string& value) { request->library = value; }},
    {"--trace", nullptr, nullptr, ValueKind::Flag, kOperationCommands,
     std::string("switch the library's trace on for this run (") + basetdic::kTraceSwitchFile + ")", nullptr, nullptr, OptionRole::Setting,
     [](HostRequest* request, const std::string&) { request->trace = true; }},
    {"--calls", nullptr, nullptr, ValueKind::Flag, kOperationCommands,
     "list every platform call the library makes in each step (function, arguments, result, error), not only "
     "the failed ones",
     nullptr, nullptr, OptionRole::Setting, [](HostRequest* request, const std::string&) { request->listCalls = true; }},
    {"--fail", nullptr, "FUNCTION[#N][=ERROR]", ValueKind::CallFailure, kOperationCommands,
     "make the library's Nth call of FUNCTION (default the first) fail with the Windows error ERROR (default the "
     "one Windows typically gives there) without making it; N counts the library's calls of FUNCTION from the "
     "setup step on, across every operation of the run; may be given more than once",
     "CreateServiceA=5", nullptr, OptionRole::Setting,
     [](HostRequest* request, const std::string& value) {
       CallFailure failure;
       std::string problem, nearest;
       if (ParseCallFailure(value, &failure, &problem, &nearest)) request->failures.push_back(failure);
     },
     true},
    {"--json", nullptr, nullptr, ValueKind::Flag, kEveryCommand, "print one JSON document instead of text", nullptr,
     nullptr, OptionRole::Setting, [](HostRequest* request, const std::string&) { request->json = true; }},
    {"--wait", nullptr, "SECONDS", ValueKind::Seconds, kMachineCommands,
     "how long to wait for another run that holds the machine folder (default 30)", "30", nullptr,
     OptionRole::Setting,
     [](HostRequest* request, const std::string& value) { request->waitSeconds = std::stoi(value); }, false, true},
    {"--deterministic", nullptr, nullptr, ValueKind::Flag, kMachineCommands,
     "move the simulated clock a fixed minute between runs, not the real time that passed (tests)", nullptr, nullptr,
     OptionRole::Setting, [](HostRequest* request, const std::string&) { request->deterministic = true; }, false,
     true},
    {"--os", nullptr, "VERSION", ValueKind::WindowsName, kMachineInit,
     "the Windows version: " + WindowsNameList() + ", in any case", "xp", nullptr, OptionRole::Setting,
     [](HostRequest* request, const std::string& value) { request->os = value; }},
    {"--wow64", nullptr, nullptr, ValueKind::Flag, kMachineInit, "a 32-bit process on 64-bit Windows (" + WindowsNameList(true) + ")",
     nullptr, nullptr, OptionRole::Setting, [](HostRequest* request, const std::string&) { request->wow64 = true; }},
    {"--force", nullptr, nullptr, ValueKind::Flag, kMachineInit, "replace the machine that is already there", nullptr,
     nullptr, OptionRole::Setting, [](HostRequest* request, const std::string&) { request->force = true; }},
    {"--help", "-h", nullptr, ValueKind::Flag, kEveryCommand, "what the command does and the options it takes",
     nullptr, nullptr, OptionRole::Help, [](HostRequest*, const std::string&) {}},
    {"--version", nullptr, nullptr, ValueKind::Flag, kEveryCommand,
     "the host's version and the version of the library it loads", nullptr, nullptr, OptionRole::Version,
     [](HostRequest*, const std::string&) {}},
};

bool IsWholeNumber(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

bool CheckSeconds(const std::string& given, std::string* value, std::string* problem) {
  if (!IsWholeNumber(given)) {
    *problem = "is not a whole number of seconds";
    return false;
  }
  size_t digits = given.find_first_not_of('0');
  std::string number = digits == std::string::npos ? "0" : given.substr(digits);
  if (number.size() > 10 || std::stoll(number) > INT_MAX) {
    *problem = "is more seconds than the host can wait (at most " + std::to_string(INT_MAX) + ")";
    return false;
  }
  *value = number;
  return true;
}

}  // namespace

const std::vector<OptionRow>& OptionRows() { return kOptions; }

const OptionRow* FindOption(const std::string& name) {
  for (const OptionRow& row : kOptions) {
    if (name == row.name || (row.alias != nullptr && name == row.alias)) return &row;
  }
  return nullptr;
}

std::vector<std::string> OptionNames() {
  std::vector<std::string> names;
  for (const OptionRow& row : kOptions) names.push_back(row.name);
  return names;
}

std::vector<std::string> ValueChoices(ValueKind kind) {
  if (kind == ValueKind::WindowsName) return WindowsCommandLineNames();
  if (kind == ValueKind::ModuleKind) return ModuleNames();
  return {};
}

std::string ValueExpected(ValueKind kind) {
  switch (kind) {
    case ValueKind::Flag: return "no value";
    case ValueKind::Text: return "a name that is not empty";
    case ValueKind::Seconds: return "a whole number of seconds, 0 or more";
    case ValueKind::CallFailure:
      return "FUNCTION[#N][=ERROR]: a function the library calls, which of its calls (from 1) and a Windows "
             "error number";
    case ValueKind::WindowsName:
    case ValueKind::ModuleKind: return WordList(ValueChoices(kind), "or") + ", in any case";
  }
  return "";
}

bool CheckOptionValue(const OptionRow& option, const std::string& given, std::string* value, std::string* problem,
                      std::string* nearest) {
  nearest->clear();
  if (given.empty() && option.kind != ValueKind::Flag) {
    *problem = "is empty";
    return false;
  }
  switch (option.kind) {
    case ValueKind::Flag:
    case ValueKind::Text: *value = given; return true;
    case ValueKind::Seconds: return CheckSeconds(given, value, problem);
    case ValueKind::CallFailure: {
      CallFailure failure;
      if (!ParseCallFailure(given, &failure, problem, nearest)) return false;
      *value = CallFailureText(failure);
      return true;
    }
    case ValueKind::WindowsName:
    case ValueKind::ModuleKind:
      for (const std::string& choice : ValueChoices(option.kind)) {
        if (basetdic::EqualsNoCase(given.c_str(), choice.c_str())) {
          *value = choice;
          return true;
        }
      }
      *problem = option.kind == ValueKind::WindowsName ? "is not a Windows version the host knows"
                                                       : "is not a module kind";
      *nearest = NearestWord(given, ValueChoices(option.kind));
      return false;
  }
  return false;
}

}  // namespace host
