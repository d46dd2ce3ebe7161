#include "cli/command_line.h"

#include <algorithm>
#include <string>
#include <vector>

#include "cli/command_table.h"
#include "cli/option_table.h"
#include "cli/usage_messages.h"
#include "cli/vocabulary.h"
#include "rules/windows_versions.h"

namespace host {
namespace {

std::vector<std::string> Split(const std::string& words) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= words.size() && !words.empty()) {
    size_t blank = words.find(' ', start);
    parts.push_back(words.substr(start, blank - start));
    if (blank == std::string::npos) break;
    start = blank + 1;
  }
  return parts;
}

bool LooksLikeOption(const std::string& word) {
  return FindOption(word.substr(0, word.find('='))) != nullptr;
}

class Parser {
 public:
  Parser(int argc, char** argv) : arguments_(argv + 1, argv + argc) {}

  ParseOutcome Parse(HostRequest* request, HostError* error);

 private:
  struct Given {
    const OptionRow* option;
    std::string value;
  };

  bool ReadWords();
  bool Word(const std::string& word);
  bool Option(const std::string& word, size_t* next);
  bool Take(const OptionRow& option, const std::string& given);
  bool Fail(const std::string& message);
  ParseOutcome Refuse(const std::string& message, HostError* error) const;
  ParseOutcome Finish(HostRequest* request, HostError* error);
  bool TopicOf(std::vector<std::string>* topic);
  std::string Topic() const { return command_ != nullptr ? command_->words : prefix_; }

  std::vector<std::string> arguments_;
  std::string prefix_;                 // the group named so far: "machine"
  const CommandRow* command_ = nullptr;
  std::vector<std::string> words_;     // what the command took besides options: explain's KIND, help's COMMAND
  std::vector<Given> given_;
  OptionRole decided_ = OptionRole::Setting;  // Help or Version once asked for
  std::string mistake_;
};

bool Parser::Fail(const std::string& message) {
  if (mistake_.empty()) mistake_ = message;
  return false;
}

ParseOutcome Parser::Refuse(const std::string& message, HostError* error) const {
  std::string topic = command_ != nullptr && command_->command == Command::Help ? "" : Topic();
  const bool sentenceEnds = !message.empty() && (message.back() == '?' || message.back() == '.');
  error->message = message + (sentenceEnds ? " See" : "; see") + " basetdic-host " + (topic.empty() ? "" : topic + " ") +
                   "--help";
  error->exitCode = kExitUsage;
  return ParseOutcome::Failed;
}

bool Parser::ReadWords() {
  bool onlyWords = false;
  for (size_t i = 0; i < arguments_.size(); ++i) {
    const std::string& word = arguments_[i];
    if (!onlyWords && word == "--") {
      onlyWords = true;
    } else if (!onlyWords && word.size() > 1 && word[0] == '-') {
      if (!Option(word, &i)) return false;
    } else if (!Word(word)) {
      return false;
    }
  }
  return true;
}

bool Parser::Word(const std::string& word) {
  if (command_ != nullptr) {
    if (command_->argument != nullptr && (command_->command == Command::Help || words_.empty())) {
      words_.push_back(word);
      return true;
    }
    return Fail(ExtraWord(*command_, word));
  }
  std::string words = prefix_.empty() ? word : prefix_ + " " + word;
  if (const CommandRow* command = FindCommand(words)) {
    command_ = command;
    return true;
  }
  if (FindGroup(words) != nullptr) {
    prefix_ = words;
    return true;
  }
  return Fail(UnknownCommand(word, prefix_));
}

bool Parser::Option(const std::string& word, size_t* next) {
  size_t equals = word.rfind("--", 0) == 0 ? word.find('=') : std::string::npos;
  const std::string name = word.substr(0, equals);
  const OptionRow* option = FindOption(name);
  if (option == nullptr) return Fail(UnknownOption(name));
  const bool inlineValue = equals != std::string::npos;
  const std::string attached = inlineValue ? word.substr(equals + 1) : std::string();
  if (option->kind == ValueKind::Flag) {
    if (inlineValue) return Fail(FlagWithValue(*option, attached));
    if (option->role != OptionRole::Setting && decided_ == OptionRole::Setting) decided_ = option->role;
    return Take(*option, "");
  }
  if (inlineValue) return Take(*option, attached);
  if (*next + 1 >= arguments_.size()) return Fail(MissingValue(*option, ""));
  const std::string& value = arguments_[*next + 1];
  if (LooksLikeOption(value)) return Fail(MissingValue(*option, value));
  ++*next;
  return Take(*option, value);
}

bool Parser::Take(const OptionRow& option, const std::string& given) {
  std::string value, problem, nearest;
  if (!CheckOptionValue(option, given, &value, &problem, &nearest)) {
    return Fail(BadValue(option, given, problem, nearest));
  }
  for (const Given& earlier : given_) {
    if (earlier.option != &option) continue;
    if (earlier.value == value) return true;
    if (!option.repeatable) return Fail(GivenTwice(option, earlier.value, value));
  }
  given_.push_back({&option, value});
  return true;
}

// The command words help was asked about, each checked: "help machine init", "install --help".
bool Parser::TopicOf(std::vector<std::string>* topic) {
  if (command_ == nullptr || command_->command != Command::Help) {
    *topic = Split(Topic());
    return true;
  }
  std::string prefix;
  for (const std::string& word : words_) {
    std::string words = prefix.empty() ? word : prefix + " " + word;
    if (FindCommand(words) == nullptr && FindGroup(words) == nullptr) return Fail(UnknownCommand(word, prefix));
    prefix = words;
  }
  *topic = words_;
  return true;
}

ParseOutcome Parser::Finish(HostRequest* request, HostError* error) {
  for (const Given& given : given_) {
    given.option->store(request, given.value);
    std::vector<std::string>& simulatedOnly = request->simulatedOnlyGiven;
    if (given.option->simulatedOnly &&
        std::find(simulatedOnly.begin(), simulatedOnly.end(), given.option->name) == simulatedOnly.end())
      simulatedOnly.push_back(given.option->name);
  }
  if (decided_ == OptionRole::Version) {
    request->command = Command::Version;
    return ParseOutcome::Run;
  }
  if (decided_ == OptionRole::Help || (command_ != nullptr && command_->command == Command::Help)) {
    request->command = Command::Help;
    if (!TopicOf(&request->helpTopic)) return Refuse(mistake_, error);
    return ParseOutcome::Run;
  }
  if (command_ == nullptr) return Refuse(MissingCommand(prefix_), error);
  request->command = command_->command;
  request->operations = command_->operations;

  std::vector<const OptionRow*> refused;
  for (const Given& given : given_) {
    if (!(given.option->commands & CommandBit(command_->command))) refused.push_back(given.option);
  }
  if (!refused.empty()) return Refuse(NotForCommand(*command_, refused), error);
  if (command_->required != nullptr) {
    bool present = false;
    for (const Given& given : given_) present |= given.option->name == std::string(command_->required);
    if (!present) return Refuse(MissingRequired(*command_, *FindOption(command_->required)), error);
  }

  // explain KIND: the kind named once, by --module or by the word.
  if (command_->command == Command::Explain && !words_.empty()) {
    std::string kind, problem, nearest;
    if (!CheckOptionValue(*FindOption("--module"), words_[0], &kind, &problem, &nearest)) {
      return Refuse(BadKind(*command_, words_[0], problem, nearest), error);
    }
    if (!request->module.empty() && request->module != kind) {
      return Refuse("--module " + request->module + " and explain " + kind +
                        " name two different kinds: name the kind once, as explain " + kind,
                    error);
    }
    request->module = kind;
  }
  if (request->wow64) {
    const basetdic::WindowsVersion* windows = basetdic::WindowsByCommandLineName(request->os.c_str());
    if (windows != nullptr && !windows->has64BitEdition) {
      return Refuse("--wow64 needs a 64-bit Windows: use it with --os " + WindowsNameList(true), error);
    }
  }
  return ParseOutcome::Run;
}

ParseOutcome Parser::Parse(HostRequest* request, HostError* error) {
  // A mistake after --help or --version does not matter: they decide the run.
  if (!ReadWords() && decided_ == OptionRole::Setting) return Refuse(mistake_, error);
  mistake_.clear();
  return Finish(request, error);
}

}  // namespace

ParseOutcome ParseCommandLine(int argc, char** argv, HostRequest* request, HostError* error) {
  return Parser(argc, argv).Parse(request, error);
}

}  // namespace host
