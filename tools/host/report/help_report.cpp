#include "report/help_report.h"

#include "cli/host_error.h"
#include "report/json_output.h"
#include "report/text_layout.h"

namespace host {
namespace {

constexpr size_t kHelpColumn = 20;

// Under the title, each entry's name indented by two and its text from column on (a line of its own for a
// name without text, a paragraph for text without a name).
void PrintEntries(const std::string& title, const std::vector<HelpEntry>& entries, size_t column, std::ostream& out) {
  if (entries.empty()) return;
  out << '\n' << title << ":\n";
  for (const HelpEntry& entry : entries) {
    std::string name = "  " + entry.name;
    if (entry.name.empty()) {
      WriteWrapped(out, "  ", entry.help, 2);
    } else if (entry.help.empty()) {
      out << name << '\n';
    } else {
      WriteWrapped(out, name.size() + 2 <= column ? Padded(name, column) : name + "  ", entry.help, column);
    }
  }
}

void PrintHelpText(const HelpPage& page, std::ostream& out) {
  WriteWrapped(out, "", "basetdic-host" + (page.topic.empty() ? "" : " " + page.topic) + ": " + page.summary, 2);
  WriteWrapped(out, "Usage: ", page.usage, 7);
  for (const std::string& paragraph : page.description) {
    out << '\n';
    WriteWrapped(out, "", paragraph, 0);
  }
  PrintEntries("Commands", page.commands, kHelpColumn, out);
  PrintEntries("Options", page.options, kHelpColumn, out);
  for (const HelpPage::Section& section : page.sections) PrintEntries(section.title, section.lines, section.column, out);
  if (page.topic.empty()) {
    out << "\nbasetdic-host help COMMAND, or COMMAND --help, says what a command takes.\n";
  }
}

nlohmann::json EntriesJson(const std::vector<HelpEntry>& entries) {
  nlohmann::json list = nlohmann::json::array();
  for (const HelpEntry& entry : entries) list.push_back({{"name", entry.name}, {"help", entry.help}});
  return list;
}

void PrintHelpJson(const HelpPage& page, std::ostream& out) {
  nlohmann::json sections = nlohmann::json::array();
  for (const HelpPage::Section& section : page.sections) {
    sections.push_back({{"title", section.title}, {"lines", EntriesJson(section.lines)}});
  }
  PrintJson({{"topic", page.topic},
             {"usage", page.usage},
             {"summary", page.summary},
             {"description", page.description},
             {"commands", EntriesJson(page.commands)},
             {"options", EntriesJson(page.options)},
             {"sections", sections},
             {"exitCode", kExitSuccess}},
            out);
}

}  // namespace

void PrintHelp(const HelpPage& page, bool json, std::ostream& out) {
  if (json) {
    PrintHelpJson(page, out);
  } else {
    PrintHelpText(page, out);
  }
}

}  // namespace host
