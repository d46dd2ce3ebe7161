// The commands of basetdic-host, one row each: the words that name it, what it runs, the word it takes
// besides options and the option it cannot do without. The parser, the help and the messages about
// commands all come from these rows, so a command is added by adding its row (and its value to Command).
#ifndef BASETDIC_HOST_CLI_COMMAND_TABLE_H
#define BASETDIC_HOST_CLI_COMMAND_TABLE_H

#include <string>
#include <vector>

#include "cli/host_request.h"

namespace host {

struct CommandRow {
  std::string words;  // "install", "machine init"
  Command command;
  std::vector<Operation> operations;  // what Command::Operations calls, in order
  std::string help;                   // one line
  const char* argument = nullptr;     // the optional word it takes ("KIND"); null: none
  const char* required = nullptr;     // the option it needs ("--os"); null: none
};

// A word that stands for a group of commands and names none by itself ("machine").
struct CommandGroupRow {
  const char* word;
  const char* help;
  const char* example;  // a command of the group as an example: "machine show"
};

// In the order --help lists them: the operations of the operation table, cycle, explain, the machine
// group's commands, help.
const std::vector<CommandRow>& CommandRows();
const std::vector<CommandGroupRow>& CommandGroups();

// The row whose words are these; null when none is.
const CommandRow* FindCommand(const std::string& words);
// The group named word; null when it is none.
const CommandGroupRow* FindGroup(const std::string& word);
// The words that may stand where a command belongs after prefix ("" at the start, "machine" after it):
// commands and groups, in table order, each once.
std::vector<std::string> WordsAfter(const std::string& prefix);

// One bit per Command, for the commands an option works with.
constexpr unsigned CommandBit(Command command) { return 1u << static_cast<unsigned>(command); }
// "install, update, start, remove, check, cycle and explain": the commands whose bits are in mask.
std::string CommandsIn(unsigned mask);

}  // namespace host

#endif
