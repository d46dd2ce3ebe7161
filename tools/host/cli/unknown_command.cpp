#include "cli/unknown_command.h"

#include <algorithm>
#include <vector>

#include "observe/windows_case.h"

namespace host {
namespace {

size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

std::vector<std::string> CommandNames(const CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::App* command : app.get_subcommands({})) names.push_back(command->get_name());
  return names;
}

// "unknown command "instal": did you mean install? ..." when word names none of app's commands; empty when
// it names one. The nearest name is suggested when it is within a third of the word's letters.
std::string UnknownCommand(const CLI::App& app, const std::string& word, const std::string& what) {
  std::vector<std::string> names = CommandNames(app);
  if (std::find(names.begin(), names.end(), word) != names.end()) return "";
  std::string nearest;
  size_t best = word.size() / 3 + 1;
  for (const std::string& name : names) {
    size_t distance = EditDistance(LowerAscii(word), name);
    if (distance < best) best = distance, nearest = name;
  }
  std::string list;
  for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
  return "unknown " + what + " \"" + word + "\"" + (nearest.empty() ? "." : ": did you mean " + nearest + "?") +
         " The " + what + "s are " + list;
}

}  // namespace

std::string FindUnknownCommand(const CLI::App& app, int argc, char** argv) {
  const CLI::App* level = &app;
  std::string what = "command";
  for (int i = 1; i < argc; ++i) {
    std::string word = argv[i];
    if (word.rfind("-", 0) == 0) {
      // An option that takes a value ("--wait 30") takes the next word with it.
      const CLI::Option* option = level->get_option_no_throw(word);
      if (option == nullptr) option = app.get_option_no_throw(word);
      if (option != nullptr && option->get_expected_min() > 0) ++i;
      continue;
    }
    std::string unknown = UnknownCommand(*level, word, what);
    if (!unknown.empty()) return unknown;
    const CLI::App* command = level->get_subcommand(word);
    if (command->get_subcommands({}).empty()) return "";
    level = command;
    what = word + " command";
  }
  return "";
}

}  // namespace host
