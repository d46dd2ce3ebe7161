#include "cli/usage_messages.h"

#include "cli/nearest_word.h"
#include "cli/word_list.h"
#include "rules/module_kind.h"

namespace host {
namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string WithoutDashes(const std::string& word) {
  size_t start = word.find_first_not_of('-');
  return start == std::string::npos ? std::string() : word.substr(start);
}

std::vector<std::string> WithoutDashes(const std::vector<std::string>& names) {
  std::vector<std::string> bare;
  for (const std::string& name : names) bare.push_back(WithoutDashes(name));
  return bare;
}

std::string Example(const OptionRow& option) {
  return option.name + (option.example != nullptr ? " " + std::string(option.example) : std::string());
}

// "nt5" is not a Windows version the host knows (did you mean nt4?)
std::string Mistaken(const std::string& given, const std::string& problem, const std::string& nearest) {
  return Quoted(given) + " " + problem + (nearest.empty() ? "" : " (did you mean " + nearest + "?)");
}

bool IsModuleKind(const std::string& word) {
  return basetdic::KindOfName(word.c_str()) != basetdic::ModuleKind::Unknown;
}

}  // namespace

std::string UnknownOption(const std::string& word) {
  const std::string bare = WithoutDashes(word);
  if (FindCommand(bare) != nullptr || FindGroup(bare) != nullptr) {
    return "unknown option " + word + ": " + bare + " is a command, written without dashes";
  }
  std::string nearest = NearestWord(bare, WithoutDashes(OptionNames()));
  return "unknown option " + word + (nearest.empty() ? std::string() : ": did you mean --" + nearest + "?");
}

std::string UnknownCommand(const std::string& word, const std::string& prefix) {
  std::vector<std::string> words = WordsAfter(prefix);
  std::string what = prefix.empty() ? "command" : prefix + " command";
  std::string nearest = NearestWord(word, words);
  std::string meant;
  if (!nearest.empty()) {
    meant = ": did you mean " + nearest + "?";
  } else if (prefix.empty() && IsModuleKind(word)) {
    meant = ": did you mean --module " + word + "?";
  } else if (prefix.empty() && FindOption("--" + word) != nullptr) {
    meant = ": did you mean --" + word + "?";
  }
  return "unknown " + what + " " + Quoted(word) + (meant.empty() ? "." : meant) + " The " + what + "s are " +
         WordList(words, "and");
}

std::string MissingCommand(const std::string& prefix) {
  if (prefix.empty()) {
    return "no command given: name one of " + WordList(WordsAfter(""), "or") + ", e.g. basetdic-host check";
  }
  const CommandGroupRow* group = FindGroup(prefix);
  return prefix + " needs one of its commands, " + WordList(WordsAfter(prefix), "or") + ", e.g. basetdic-host " +
         group->example;
}

std::string ExtraWord(const CommandRow& command, const std::string& word) {
  if (command.argument != nullptr) {
    return command.words + " takes one " + command.argument + ", and " + Quoted(word) + " is one word too many";
  }
  std::string why;
  if (FindCommand(word) != nullptr || FindGroup(word) != nullptr) {
    why = Quoted(word) + " is another command, and a run does one (cycle runs install, start, update and remove)";
  } else if (IsModuleKind(word) && command.command == Command::Operations) {
    why = "to name the kind, write --module " + word;
  } else {
    why = Quoted(word) + " is neither an option (those begin with --) nor needed";
  }
  return command.words + " takes no further word: " + why;
}

// " (a whole number of seconds, 0 or more)" for the kinds that take more than a name.
std::string Expected(const OptionRow& option) {
  return option.kind == ValueKind::Text ? std::string() : " (" + ValueExpected(option.kind) + ")";
}

std::string MissingValue(const OptionRow& option, const std::string& before) {
  std::string where = before.empty() ? "" : " before " + before;
  return option.name + std::string(" needs its ") + option.value + where + ", e.g. " + Example(option) + Expected(option);
}

std::string BadValue(const OptionRow& option, const std::string& given, const std::string& problem,
                     const std::string& nearest) {
  if (given.empty()) {
    std::string fix = "name one, e.g. " + Example(option);
    if (option.withoutIt != nullptr) fix += ", or leave " + std::string(option.name) + " out for " + option.withoutIt;
    return option.name + std::string(" was given an empty ") + option.value + ": " + fix;
  }
  return option.name + std::string(" ") + given + ": " + Mistaken(given, problem, nearest) + "; give " +
         ValueExpected(option.kind) + ", e.g. " + Example(option);
}

std::string BadKind(const CommandRow& command, const std::string& given, const std::string& problem,
                    const std::string& nearest) {
  return command.words + " " + given + ": " + Mistaken(given, problem, nearest) + "; give " +
         ValueExpected(ValueKind::ModuleKind) + ", e.g. " + command.words + " FwBase2K";
}

std::string FlagWithValue(const OptionRow& option, const std::string& value) {
  return option.name + std::string(" takes no value: write ") + option.name + " alone, not " + option.name + "=" + value;
}

std::string GivenTwice(const OptionRow& option, const std::string& first, const std::string& second) {
  return option.name + std::string(" is given twice, as ") + Quoted(first) + " and as " + Quoted(second) +
         ": give it once";
}

std::string NotForCommand(const CommandRow& command, const std::vector<const OptionRow*>& options) {
  std::vector<std::string> names;
  for (const OptionRow* option : options) names.push_back(option->name);
  // The options that work with the same commands are named together.
  std::string where;
  std::vector<bool> told(options.size(), false);
  for (size_t i = 0; i < options.size(); ++i) {
    if (told[i]) continue;
    std::vector<std::string> alike;
    for (size_t j = i; j < options.size(); ++j) {
      if (!told[j] && options[j]->commands == options[i]->commands) alike.push_back(options[j]->name), told[j] = true;
    }
    unsigned works = options[i]->commands & ~(CommandBit(Command::Help) | CommandBit(Command::Version));
    where += std::string(where.empty() ? "" : "; ") + WordList(alike, "and") + (alike.size() == 1 ? " works" : " work") +
             " only with " + CommandsIn(works);
  }
  return command.words + " does not take " + WordList(names, "or") + ": " + where + "; leave " +
         (names.size() == 1 ? "it" : "them") + " out";
}

std::string MissingRequired(const CommandRow& command, const OptionRow& option) {
  return command.words + " needs " + option.name + " " + option.value + ", e.g. basetdic-host " + command.words + " " +
         Example(option) + Expected(option);
}

}  // namespace host
