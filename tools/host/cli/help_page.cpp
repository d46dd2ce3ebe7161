#include "cli/help_page.h"

#include "cli/command_table.h"
#include "cli/option_table.h"

namespace host {
namespace {

const char* const kDescription[] = {
    "Drives the library's module object the way a setup program does and shows, after each operation, its "
    "status words and what changed on the machine. On Linux the machine is a simulated Windows kept in a "
    "folder; on Windows it is the running system.",
    "On a live Windows use the i686 basetdic-host.exe, the package's support tool (support\\basetdic-host.exe): "
    "the shipping basetdic.dll is 32-bit and a 64-bit process cannot load it. Run it from the setup folder "
    "beside basetdic.dll; it sees the library's calls through the DLL's import table. The x86_64 "
    "basetdic-host.exe is for the library's x86_64 twin.",
};

const HelpPage::Section kToolSections[] = {
    {"Examples",
     40,
     {{"basetdic-host machine init --os win7", ""},
      {"basetdic-host cycle", "install, start, update, remove"},
      {"basetdic-host --module FwBaseVt --trace install", ""},
      {"basetdic-host explain FwBase2K", ""},
      {"basetdic-host help machine init", "what a command takes (or --help)"}}},
    {"Status words (the object's ModuleStatus, read after every call)",
     11,
     {{"result", "1 success, 0 failure; written by every call that acts, 1 on a new object"},
      {"pending", "0 on a new object; written only by install, update and remove once past their gate (NT and a "
                  "setup folder): 1 from every update, from remove's FwBase2K and FwBaseVt branches, from install "
                  "under WOW64 or on FwBaseVt; 0 from the others"},
      {"", "A word a call did not write keeps the last value written: the report marks it (\"pending 1, left from "
           "update\") and a notice says why an operation did nothing."}}},
    {"Exit code",
     2,
     {{"0", "every operation reported result 1 and the machine agrees; status: the product is running, or not "
            "installed at all"},
      {"1", "an operation reported result 0"},
      {"2", "bad usage, no library, or no machine in the folder named"},
      {"3", "the library reported success but the machine disagrees; status: the product is installed but not "
            "running, or something is left behind"}}},
    {"Verdict",
     2,
     {{"", "After each operation the host checks what its branch is meant to leave (image, service, state, device, "
           "count, component, data path) and notes each expectation that fails (not-running, image-missing, "
           "left-behind, ...; the README lists them)."}}},
};

std::string OptionUsage(const OptionRow& option) {
  std::string name = option.alias != nullptr ? std::string(option.alias) + ", " + option.name : option.name;
  return option.value != nullptr ? name + " " + option.value : name;
}

// The options that work with a command in mask; one that does not work with all of them says which
// (help and --version aside).
std::vector<HelpEntry> OptionsFor(unsigned mask) {
  unsigned commands = 0;
  for (const CommandRow& row : CommandRows()) commands |= CommandBit(row.command) & mask;
  commands &= ~CommandBit(Command::Help);
  std::vector<HelpEntry> entries;
  for (const OptionRow& option : OptionRows()) {
    if (!(option.commands & mask)) continue;
    std::string help = option.help;
    unsigned works = option.commands & commands;
    if (option.role == OptionRole::Setting && works != commands) help += "; for " + CommandsIn(works);
    entries.push_back({OptionUsage(option), help});
  }
  return entries;
}

std::string Joined(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) text += (text.empty() ? "" : " ") + word;
  return text;
}

}  // namespace

HelpPage HelpPageFor(const std::vector<std::string>& topic) {
  HelpPage page;
  page.topic = Joined(topic);
  if (const CommandRow* command = FindCommand(page.topic)) {
    page.summary = command->help;
    page.usage = "basetdic-host " + command->words;
    if (command->required != nullptr) {
      page.usage += std::string(" ") + command->required + " " + FindOption(command->required)->value;
    }
    if (command->argument != nullptr) page.usage += std::string(" [") + command->argument + "]";
    page.usage += " [OPTIONS]";
    page.options = OptionsFor(CommandBit(command->command));
    return page;
  }
  if (const CommandGroupRow* group = FindGroup(page.topic)) {
    page.summary = group->help;
    page.usage = "basetdic-host " + page.topic + " COMMAND [OPTIONS]";
    unsigned mask = 0;
    for (const CommandRow& row : CommandRows()) {
      if (row.words.rfind(page.topic + " ", 0) != 0) continue;
      page.commands.push_back({row.words, row.help});
      mask |= CommandBit(row.command);
    }
    page.options = OptionsFor(mask);
    return page;
  }
  page.summary = "the library's support tool";
  page.usage = "basetdic-host [OPTIONS] COMMAND";
  page.description.assign(std::begin(kDescription), std::end(kDescription));
  for (const CommandRow& row : CommandRows()) page.commands.push_back({row.words, row.help});
  page.options = OptionsFor(~0u);
  page.sections.assign(std::begin(kToolSections), std::end(kToolSections));
  return page;
}

}  // namespace host
