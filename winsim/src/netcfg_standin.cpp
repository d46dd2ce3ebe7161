// A stand-in for the network-configuration tool "snetcfg.exe": it installs and uninstalls network
// components by name, keeping them as registry keys a person can look at, and logs each request the same
// way the Wine-side stand-in (tools/netcfg) does.
#include <string>
#include <vector>

#include "machine_state.h"
#include "winsim/processes.h"
#include "winsim/registry.h"

namespace winsim {
namespace {

constexpr DWORD kDone = 0;
constexpr DWORD kUsage = 1;
constexpr DWORD kInfMissing = 2;
constexpr DWORD kNotInstalled = 3;

// Splits a command line as the C runtime builds argv: the program name runs to the first blank (or its
// closing quote) and may be empty, as it is for " -u ID"; the arguments follow, quotes grouping blanks.
std::vector<std::string> ArgumentsOf(const std::string& line) {
  std::vector<std::string> arguments;
  size_t at = 0;
  std::string program;
  if (at < line.size() && line[at] == '"') {
    size_t close = line.find('"', at + 1);
    program = line.substr(at + 1, close == std::string::npos ? std::string::npos : close - at - 1);
    at = close == std::string::npos ? line.size() : close + 1;
  } else {
    while (at < line.size() && line[at] != ' ' && line[at] != '\t') program += line[at++];
  }
  arguments.push_back(program);
  for (;;) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    if (at >= line.size()) break;
    std::string argument;
    bool quoted = false;
    while (at < line.size() && (quoted || (line[at] != ' ' && line[at] != '\t'))) {
      if (line[at] == '"') {
        quoted = !quoted;
      } else {
        argument += line[at];
      }
      ++at;
    }
    arguments.push_back(argument);
  }
  return arguments;
}

void AppendRequest(const std::string& log, const LaunchRecord& launch) {
  if (log.empty()) return;
  std::string text;
  ReadHostFile(log, &text);
  text += launch.programCommandLine + "\t" + launch.workingDirectory + "\r\n";
  WriteHostFile(log, text);
}

DWORD Perform(const std::vector<std::string>& arguments, const LaunchRecord& launch) {
  std::string inf, componentClass, installId, uninstallId;
  for (size_t i = 1; i < arguments.size(); ++i) {
    if (i + 1 >= arguments.size()) return kUsage;
    const std::string& option = arguments[i];
    const std::string& value = arguments[++i];
    if (option == "-l") {
      inf = value;
    } else if (option == "-c") {
      componentClass = value;
    } else if (option == "-i") {
      installId = value;
    } else if (option == "-u") {
      uninstallId = value;
    } else {
      return kUsage;
    }
  }
  std::string key = NetCfgComponentsKey() + "\\";
  if (!installId.empty() && !inf.empty() && uninstallId.empty()) {
    if (!HostFileExists(inf)) return kInfMissing;
    key += installId;
    RegPutKey(key);
    RegPutString(key, "InfPath", inf);
    RegPutString(key, "Class", componentClass);
    RegPutString(key, "CommandLine", launch.programCommandLine);
    RegPutString(key, "WorkingDirectory", launch.workingDirectory);
    return kDone;
  }
  if (!uninstallId.empty() && installId.empty() && inf.empty()) {
    key += uninstallId;
    if (!RegKeyExists(key)) return kNotInstalled;
    RegRemoveTree(key);
    return kDone;
  }
  return kUsage;
}

}  // namespace

std::string NetCfgComponentsKey() { return "HKLM\\SOFTWARE\\winsim\\NetCfg\\Components"; }

std::vector<std::string> NetCfgComponents() { return RegSubkeys(NetCfgComponentsKey()); }

void InstallNetCfgStandIn(const std::string& imagePath, const NetCfgStandInOptions& options) {
  ProgramBehaviour behaviour;
  behaviour.runMilliseconds = options.runMilliseconds;
  std::string log = options.requestLog;
  behaviour.atExit = [log](LaunchRecord& launch) {
    AppendRequest(log, launch);
    launch.exitCode = Perform(ArgumentsOf(launch.programCommandLine), launch);
  };
  SetProgramBehaviour(imagePath, std::move(behaviour));
}

}  // namespace winsim
