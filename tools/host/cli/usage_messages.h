// The messages of bad usage, each in the tool's own words saying what is wrong and what to do, made from
// the rows of the command and option tables so that a new row gets them too.
#ifndef BASETDIC_HOST_CLI_USAGE_MESSAGES_H
#define BASETDIC_HOST_CLI_USAGE_MESSAGES_H

#include <string>
#include <vector>

#include "cli/command_table.h"
#include "cli/option_table.h"

namespace host {

// "unknown option --machien: did you mean --machine?"
std::string UnknownOption(const std::string& word);
// "unknown command "cycel": did you mean cycle? The commands are ..."; prefix is the group the word
// follows ("machine") or empty.
std::string UnknownCommand(const std::string& word, const std::string& prefix);
// No command at all (prefix empty), or a group without one of its commands ("machine").
std::string MissingCommand(const std::string& prefix);
// A word the command has no room for.
std::string ExtraWord(const CommandRow& command, const std::string& word);
// "--wait needs SECONDS ..."; before names the option that followed instead of a value, or is empty.
std::string MissingValue(const OptionRow& option, const std::string& before);
// A value the option does not take, with what CheckOptionValue said of it.
std::string BadValue(const OptionRow& option, const std::string& given, const std::string& problem,
                     const std::string& nearest);
// A word that names no module kind where a command takes one (explain KIND).
std::string BadKind(const CommandRow& command, const std::string& given, const std::string& problem,
                    const std::string& nearest);
std::string FlagWithValue(const OptionRow& option, const std::string& value);
std::string GivenTwice(const OptionRow& option, const std::string& first, const std::string& second);
// Options the command does not work with, each with the commands it does.
std::string NotForCommand(const CommandRow& command, const std::vector<const OptionRow*>& options);
// The option the command cannot run without.
std::string MissingRequired(const CommandRow& command, const OptionRow& option);

}  // namespace host

#endif
