// The options of basetdic-host, one row each: the name, the value it takes, the commands it works with,
// its help and how it lands in the request. The parser, the help, the suggestions and every message
// about an option come from these rows, so an option is added by adding its row. An option given to a
// command it does not work with is refused, naming the commands it works with; --help and --version
// decide the run by themselves and leave the options that do not work with them unused.
#ifndef BASETDIC_HOST_CLI_OPTION_TABLE_H
#define BASETDIC_HOST_CLI_OPTION_TABLE_H

#include <string>
#include <vector>

#include "cli/command_table.h"
#include "cli/host_request.h"

namespace host {

enum class ValueKind {
  Flag,         // no value
  Text,         // any text but the empty one
  Seconds,      // a whole number, 0 or more
  WindowsName,  // a Windows version as --os names it, in any case
  ModuleKind,   // a module kind, in any case
  CallFailure,  // FUNCTION[#N][=ERROR], as ParseCallFailure reads it
};

enum class OptionRole { Setting, Help, Version };

struct OptionRow {
  const char* name;   // "--machine"
  const char* alias;  // "-h"; null: none
  const char* value;  // what the value is, in the help: "DIR"; null for a flag
  ValueKind kind;
  unsigned commands;  // CommandBit of every command it works with
  std::string help;
  const char* example;    // a value for the messages' examples: "basetdic-machine"; null for a flag
  const char* withoutIt;  // what the run does when it is left out: "the demo setup folder"; null: nothing to say
  OptionRole role;
  // Puts the checked value (a flag's is empty) in the request.
  void (*store)(HostRequest* request, const std::string& value);
  bool repeatable = false;  // may be given more than once, each value kept
  bool simulatedOnly = false;  // means something on a simulated machine only; a live Windows refuses it
};

// In the order --help lists them.
const std::vector<OptionRow>& OptionRows();
// The row by its name or alias ("--machine", "-h"); null when there is none.
const OptionRow* FindOption(const std::string& name);
// Every name and alias, for suggestions.
std::vector<std::string> OptionNames();

// What the kind's values are, in words: "a whole number of seconds, 0 or more", "nt4, win2k, ... or
// win9x, in any case".
std::string ValueExpected(ValueKind kind);
// The names a choice takes (Windows versions, module kinds); empty for the other kinds.
std::vector<std::string> ValueChoices(ValueKind kind);
// Checks a value given to option: true with the form the request keeps in *value (a choice as the
// table spells it), false with *problem saying what is wrong with it ("is not a whole number of
// seconds"), and *nearest a choice it may have meant.
bool CheckOptionValue(const OptionRow& option, const std::string& given, std::string* value, std::string* problem,
                      std::string* nearest);

}  // namespace host

#endif
