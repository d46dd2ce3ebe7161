// What --help says, as data made from the command and option tables, so that the text and the JSON
// help say the same and a new row appears in both.
#ifndef BASETDIC_HOST_CLI_HELP_PAGE_H
#define BASETDIC_HOST_CLI_HELP_PAGE_H

#include <string>
#include <vector>

namespace host {

struct HelpEntry {
  std::string name;  // "machine init", "--wait SECONDS"
  std::string help;
};

struct HelpPage {
  std::string topic;        // "" for the tool, "machine", "machine init"
  std::string usage;        // "basetdic-host machine init --os VERSION [OPTIONS]"
  std::string summary;      // one line
  std::vector<std::string> description;  // paragraphs
  std::vector<HelpEntry> commands;        // the tool's and a group's
  std::vector<HelpEntry> options;         // those that work here
  struct Section {
    std::string title;
    size_t column;                  // where the text of a named line starts
    std::vector<HelpEntry> lines;   // a name and its text, or text alone (an empty name)
  };
  std::vector<Section> sections;  // examples, status words, exit codes: the tool's page only
};

// The page for the command words topic (checked by the parser); empty: the tool's.
HelpPage HelpPageFor(const std::vector<std::string>& topic);

}  // namespace host

#endif
