// "did you mean install?": the first word of a command line that is not a command where one belongs.
#ifndef BASETDIC_HOST_CLI_UNKNOWN_COMMAND_H
#define BASETDIC_HOST_CLI_UNKNOWN_COMMAND_H

#include <CLI/CLI.hpp>

#include <string>

namespace host {

// "unknown command "instal": did you mean install? The commands are ..." for the first word that names
// none of the commands where a command belongs (before CLI11 would answer only "A subcommand is
// required"); empty when every command word names one. The nearest command is suggested when it is
// within a third of the word's letters.
std::string FindUnknownCommand(const CLI::App& app, int argc, char** argv);

}  // namespace host

#endif
