#include "cli/command_table.h"

#include <algorithm>
#include <iterator>

#include "cli/word_list.h"

namespace host {
namespace {

std::vector<CommandRow> MakeRows() {
  std::vector<CommandRow> rows;
  for (const OperationRow& row : kOperations) {
    rows.push_back({row.word, Command::Operations, {row.operation}, "call " + CallName(row.operation)});
  }
  std::string cycle;
  for (Operation operation : kCycle) cycle += (cycle.empty() ? "" : ", ") + std::string(OperationName(operation));
  rows.push_back({"cycle", Command::Operations, std::vector<Operation>(std::begin(kCycle), std::end(kCycle)),
                  cycle + " on one object"});
  rows.push_back({"explain", Command::Explain, {}, "which branch each operation takes here, rehearsed on a copy", "KIND"});
  rows.push_back({"machine init", Command::MachineInit, {}, "create a new simulated machine", nullptr, "--os"});
  rows.push_back({"machine show", Command::MachineShow, {}, "the machine's configuration, files, registry, services, devices"});
  rows.push_back({"machine reboot", Command::MachineReboot, {}, "restart the machine's services as Windows does at boot"});
  rows.push_back({"help", Command::Help, {}, "what a command does and the options it takes", "COMMAND"});
  return rows;
}

std::string FirstWord(const std::string& words) { return words.substr(0, words.find(' ')); }

}  // namespace

const std::vector<CommandRow>& CommandRows() {
  static const std::vector<CommandRow> rows = MakeRows();
  return rows;
}

const std::vector<CommandGroupRow>& CommandGroups() {
  static const std::vector<CommandGroupRow> groups = {
      {"machine", "create, show or reboot the simulated machine", "machine show"},
  };
  return groups;
}

const CommandRow* FindCommand(const std::string& words) {
  for (const CommandRow& row : CommandRows()) {
    if (row.words == words) return &row;
  }
  return nullptr;
}

const CommandGroupRow* FindGroup(const std::string& word) {
  for (const CommandGroupRow& group : CommandGroups()) {
    if (word == group.word) return &group;
  }
  return nullptr;
}

std::vector<std::string> WordsAfter(const std::string& prefix) {
  std::vector<std::string> words;
  for (const CommandRow& row : CommandRows()) {
    std::string word;
    if (prefix.empty()) {
      word = FirstWord(row.words);
    } else if (row.words.rfind(prefix + " ", 0) == 0) {
      word = row.words.substr(prefix.size() + 1);
    }
    if (!word.empty() && std::find(words.begin(), words.end(), word) == words.end()) words.push_back(word);
  }
  return words;
}

std::string CommandsIn(unsigned mask) {
  std::vector<std::string> names;
  for (const CommandRow& row : CommandRows()) {
    if (mask & CommandBit(row.command)) names.push_back(row.words);
  }
  return WordList(names, "and");
}

}  // namespace host
