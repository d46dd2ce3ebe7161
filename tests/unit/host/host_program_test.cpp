// basetdic-host run as a newcomer or a script runs it: exit codes with their one-line messages, the JSON
// document's shape, and a machine that continues where the last run ended.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "support/temp_folder.h"

#ifdef BASETDIC_HOST_PATH

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

struct RunResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class HostProgramTest : public ::testing::Test {
 protected:

  // Runs the host in this test's folder on its machine folder (or on machine) with the given arguments
  // (shell words).
  RunResult Host(const std::string& arguments, const char* machine = nullptr) {
    fs::path out = dir_ / "stdout", err = dir_ / "stderr";
    std::string command = "cd '" + dir_.string() + "' && '" + BASETDIC_HOST_PATH + "' --machine '" +
                          (machine != nullptr ? machine : (dir_ / "machine").string()) + "' " + arguments + " >'" +
                          out.string() + "' 2>'" + err.string() + "'";
    int status = std::system(command.c_str());
    RunResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadFile(out);
    result.err = ReadFile(err);
    return result;
  }

  json HostJson(const std::string& arguments, int expectedExit) {
    RunResult result = Host(arguments + " --json");
    EXPECT_EQ(result.exitCode, expectedExit) << result.err;
    json document = json::parse(result.out, nullptr, false);
    EXPECT_FALSE(document.is_discarded()) << result.out;
    return document;
  }

  testsupport::TempFolder temp_{"host-program"};
  const fs::path dir_ = temp_.path();
};

bool OneLine(const std::string& text) { return !text.empty() && text.find('\n') == text.size() - 1; }

TEST_F(HostProgramTest, BadUsageExitsTwoWithOneLineSayingWhatToDo) {
  ASSERT_EQ(Host("machine init --os xp").exitCode, 0);
  struct Case {
    const char* arguments;
    const char* says;
  };
  const Case cases[] = {
      {"", "--help"},
      {"frobnicate", "--help"},
      {"--module FwBaseXx install", "FwBaseNt, FwBase2K or FwBaseVt"},
      {"machine init", "--os"},
      {"machine init --os nt5", "--help"},
      {"machine init --os nt4 --wow64", "--os xp, vista or win7"},
      {"--library /nonexistent/libbasetdic.so check", "--library PATH"},
      {"--setup C:\\\\nowhere check", "--setup"},
  };
  for (const Case& usage : cases) {
    SCOPED_TRACE(usage.arguments);
    RunResult result = Host(usage.arguments);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(OneLine(result.err)) << result.err;
    EXPECT_EQ(result.err.rfind("basetdic-host: ", 0), 0u) << result.err;
    EXPECT_NE(result.err.find(usage.says), std::string::npos) << result.err;
  }
}

TEST_F(HostProgramTest, CommandLineFollowsGitAndSystemctlHabits) {
  struct Case {
    const char* arguments;
    int exitCode;
    bool onStdout;
    const char* says;
    const char* machine = nullptr;  // another --machine than the test's
  };
  // The rows run in order on one folder: the machine made by "machine init --os XP" is there for the rows
  // after it.
  const Case cases[] = {
      {"instal", 2, false, "unknown command \"instal\": did you mean install?"},
      {"frobnicate", 2, false, "unknown command \"frobnicate\""},
      {"machine frob", 2, false, "unknown machine command \"frob\""},
      {"cycel", 2, false, "did you mean cycle?"},
      {"machine shwo", 2, false, "did you mean show?"},
      {"--machien m-xp install", 2, false, "unknown option --machien: did you mean --machine?"},
      {"--modul FwBaseNt check", 2, false, "unknown option --modul: did you mean --module?"},
      {"--cycle", 2, false, "cycle is a command, written without dashes"},
      {"machine", 2, false, "machine needs one of its commands, init, show or reboot"},
      {"--machine other check", 2, false, "--machine is given twice"},
      {"--wait abc check", 2, false, "--wait abc: \"abc\" is not a whole number of seconds"},
      {"--wait 1.5 check", 2, false, "\"1.5\" is not a whole number of seconds"},
      {"--wait", 2, false, "--wait needs its SECONDS"},
      {"--trace=yes check", 2, false, "--trace takes no value"},
      {"install --os xp", 2, false, "install does not take --os: --os works only with machine init"},
      {"machine init --os xp --module FwBaseNt --trace --setup C:\\\\setup", 2, false,
       "machine init does not take --module, --trace or --setup"},
      {"--trace explain", 2, false, "--trace works only with install, update, start, remove, check and cycle"},
      {"explain FwBaseNt FwBaseVt", 2, false, "one word too many"},
      {"--module FwBase2x check", 2, false, "(did you mean FwBase2K?)"},
      {"install FwBaseVt", 2, false, "write --module FwBaseVt"},
      {"--setup '' check", 2, false, "--setup was given an empty DIR"},
      {"--version", 0, true, "basetdic-host "},
      {"--version", 0, true, "no version resource: a Linux shared object carries none"},
      {"--json --version", 0, true, "\"loaded\": true"},
      {"--json --help", 0, true, "\"usage\": \"basetdic-host [OPTIONS] COMMAND\""},
      {"help install", 0, true, "Usage: basetdic-host install [OPTIONS]"},
      {"help machine init", 0, true, "Usage: basetdic-host machine init --os VERSION"},
      {"install --help", 0, true, "--module KIND"},
      {"machine init --help", 0, true, "--json"},
      {"--module FwBaseVt explain FwBaseNt", 2, false, "two different kinds"},
      {"machine init --os XP", 0, true, "Windows XP"},
      {"machine init --os xp --force", 0, true, "replaced machine"},
      {"--library libnone.so check", 2, false, "there is no file ./libnone.so"},
      {"--setup 'C:\\setup\\zelbase.sys' check", 2, false, "is a file, not a folder"},
      {"--module fwbase2k check", 0, true, "FwBase2K"},
      {"--help", 0, true, "left from update"},
      {"machine init --os xp", 0, true, "Windows XP", "m\u00fc \u65e5\u672c"},
      {"--json check", 0, true, "\"location\": \"machine m\u00fc \u65e5\u672c\"", "m\u00fc \u65e5\u672c"},
      {"machine init --os xp", 0, true, "Windows XP", "m\xfc"},
      {"--json check", 0, true, "\"location\": \"machine m\\\\xfc\"", "m\xfc"},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.arguments);
    RunResult result = Host(row.arguments, row.machine);
    EXPECT_EQ(result.exitCode, row.exitCode) << result.err;
    const std::string& text = row.onStdout ? result.out : result.err;
    EXPECT_NE(text.find(row.says), std::string::npos) << text;
  }
  // A bare --library name is the file in the current folder.
  fs::copy_file(BASETDIC_LIBRARY_PATH, dir_ / "mylib.so");
  RunResult bare = Host("--library mylib.so check");
  EXPECT_EQ(bare.exitCode, 0) << bare.err;
  EXPECT_NE(bare.out.find("./mylib.so"), std::string::npos) << bare.out;
}

// Notices come with a stable code when an operation took no branch or its gate stopped it, and only then.
TEST_F(HostProgramTest, NoticeSaysWhyAnOperationDidNothing) {
  const std::string longFolder = "C:\\" + std::string(140, 'a') + "\\" + std::string(130, 'b');
  struct Case {
    const char* os;
    std::string arguments;
    const char* code;  // empty: no notice
    const char* says;
  };
  const Case cases[] = {
      {"win7", "--module FwBaseNt install", "no-branch",
       "FwBaseNt deploys only on NT 4.0; this machine is Windows 7, build 7601"},
      {"win9x", "--module FwBase2K install", "not-nt", "only on the NT family"},
      {"xp", "--setup '" + longFolder + "' install", "no-setup-folder", "kept no setup folder"},
      {"win7", "start", "no-branch", "FwBaseVt has no driver"},
      {"xp", "install", "", ""},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.arguments);
    ASSERT_EQ(Host(std::string("machine init --force --os ") + row.os).exitCode, 0);
    const fs::path drive = dir_ / "machine" / "drives" / "C";
    fs::create_directories(drive / std::string(140, 'a') / std::string(130, 'b'));
    for (const auto& file : fs::directory_iterator(drive / "setup"))
      fs::copy(file.path(), drive / std::string(140, 'a') / std::string(130, 'b') / file.path().filename(),
               fs::copy_options::overwrite_existing);
    json run = HostJson(row.arguments, 0);
    const json& notices = run["steps"][1]["notices"];
    if (*row.code == 0) {
      EXPECT_TRUE(notices.empty()) << notices.dump();
      continue;
    }
    ASSERT_EQ(notices.size(), 1u) << run.dump();
    EXPECT_EQ(notices[0]["code"], row.code);
    EXPECT_NE(notices[0]["text"].get<std::string>().find(row.says), std::string::npos) << notices.dump();
  }
  // explain judges from the folder the object kept, not from the one typed.
  RunResult explain = Host("--setup '" + longFolder + "' explain");
  EXPECT_NE(explain.out.find("the library keeps no setup folder"), std::string::npos) << explain.out;
  EXPECT_NE(explain.out.find("[no-setup-folder]"), std::string::npos) << explain.out;
}

TEST_F(HostProgramTest, FailedCallsAndWordsLeftFromEarlierStepsAreShown) {
  ASSERT_EQ(Host("machine init --os nt4").exitCode, 0);
  json run = HostJson("--module FwBaseNt cycle", 0);
  ASSERT_EQ(run["steps"].size(), 5u);
  struct Case {
    size_t step;
    const char* leftWord;  // empty: the step wrote both words
    const char* leftFrom;
  };
  const Case cases[] = {{1, "", ""}, {2, "pending", "install"}, {3, "", ""}, {4, "pending", "update"}};
  for (const Case& row : cases) {
    const json& left = run["steps"][row.step]["leftFrom"];
    SCOPED_TRACE(run["steps"][row.step]["step"].get<std::string>());
    if (*row.leftWord == 0) {
      EXPECT_TRUE(left.empty()) << left.dump();
    } else {
      EXPECT_EQ(left.value(row.leftWord, ""), row.leftFrom) << left.dump();
    }
  }
  EXPECT_NE(Host("--module FwBaseNt cycle").out.find("pending 1, left from update"), std::string::npos);

  // A start with the driver's device absent tries to open it first: that failure is listed, in words.
  // Nothing installed its image, so the driver does not come up: the library's result 1 is not the machine's.
  ASSERT_EQ(Host("machine init --force --os xp --wow64").exitCode, 0);
  json start = HostJson("start", 3);
  EXPECT_EQ(start["verdict"]["notices"][0]["code"], "not-running") << start["verdict"].dump();
  bool sawOpen = false;
  for (const json& call : start["steps"][1]["failedCalls"]) {
    if (call["function"] == "CreateFileA" && call["error"] == 2) {
      sawOpen = true;
      EXPECT_EQ(call["meaning"], "2, the file or key does not exist");
    }
  }
  EXPECT_TRUE(sawOpen) << start["steps"][1].dump();
  EXPECT_TRUE(start["steps"][0]["failedCalls"].empty());
}

TEST_F(HostProgramTest, EachRunIsANewProcessLaterOnTheClock) {
  ASSERT_EQ(Host("machine init --os xp").exitCode, 0);
  json first = HostJson("--deterministic check", 0);
  json second = HostJson("--deterministic check", 0);
  EXPECT_NE(first["machine"]["processId"], second["machine"]["processId"]);
  EXPECT_NE(first["machine"]["localTime"], second["machine"]["localTime"]);
}

TEST_F(HostProgramTest, ExistingMachineIsNotReplacedWithoutForce) {
  ASSERT_EQ(Host("machine init --os xp").exitCode, 0);
  RunResult again = Host("machine init --os win7");
  EXPECT_EQ(again.exitCode, 2);
  EXPECT_NE(again.err.find("--force"), std::string::npos) << again.err;
  EXPECT_EQ(Host("machine init --os win7 --force").exitCode, 0);
}

// Every operation of the XP cycle reports result 1, yet remove cannot take away the driver that start left
// running: the machine disagrees, and says so.
TEST_F(HostProgramTest, CycleReportsEveryStepAndJsonHasItsShape) {
  ASSERT_EQ(Host("machine init --os xp").exitCode, 0);
  json run = HostJson("cycle", 3);
  EXPECT_EQ(run["exitCode"], 3);
  EXPECT_EQ(run["verdict"]["word"], "disagrees");
  ASSERT_EQ(run["verdict"]["notices"].size(), 1u) << run["verdict"].dump();
  EXPECT_EQ(run["verdict"]["notices"][0]["step"], "remove");
  EXPECT_EQ(run["verdict"]["notices"][0]["code"], "left-behind");
  EXPECT_EQ(run["module"], "FwBase2K");
  EXPECT_EQ(run["moduleChosenByHost"], true);
  EXPECT_EQ(run["machine"]["windows"]["major"], 5);
  EXPECT_EQ(run["machine"]["windows"]["build"], 2600);
  EXPECT_EQ(run["setup"]["insertedFiles"].size(), 6u);
  ASSERT_EQ(run["steps"].size(), 5u);
  const char* names[] = {"setup", "install", "start", "update", "remove"};
  for (size_t i = 0; i < 5; ++i) {
    const json& step = run["steps"][i];
    SCOPED_TRACE(names[i]);
    EXPECT_EQ(step["step"], names[i]);
    EXPECT_EQ(step["status"]["result"], 1);
    EXPECT_EQ(step["status"]["words"].size(), 5u);
    for (const char* area : {"files", "registry", "services", "devices", "programs", "trace"})
      EXPECT_TRUE(step["changes"][area].is_array()) << area;
  }
  const json& install = run["steps"][1]["changes"];
  bool sawDriver = false;
  for (const json& file : install["files"]) {
    if (file["after"]["path"] == "C:\\WINDOWS\\system32\\drivers\\zelbase.sys") {
      sawDriver = true;
      EXPECT_EQ(file["change"], "added");
      EXPECT_EQ(file["after"]["version"], "3.1.0.204");
    }
  }
  EXPECT_TRUE(sawDriver) << install.dump(1);
  ASSERT_FALSE(install["devices"].empty());
  EXPECT_EQ(install["devices"][0]["name"], "zelbase");
}

TEST_F(HostProgramTest, MachineContinuesWhereTheLastRunEndedAndShowAgrees) {
  ASSERT_EQ(Host("machine init --os xp").exitCode, 0);
  json install = HostJson("install", 0);
  json shown = HostJson("machine show", 0);
  bool driverShown = false;
  for (const json& file : shown["state"]["files"]) {
    if (file["path"] == "C:\\WINDOWS\\system32\\drivers\\zelbase.sys") {
      driverShown = true;
      EXPECT_EQ(file["version"], "3.1.0.204");
    }
  }
  EXPECT_TRUE(driverShown);
  bool serviceRunning = false;
  for (const json& service : shown["state"]["services"]) serviceRunning |= service["name"] == "ZelBase" && service["state"] == "running";
  EXPECT_TRUE(serviceRunning) << shown["state"]["services"].dump(1);
  EXPECT_EQ(shown["state"]["devices"], json::array({"zelbase"}));

  // The next run's remove finds the driver the install left running: its key goes, its locked image stays.
  json remove = HostJson("remove", 3);
  bool keyRemoved = false;
  for (const json& key : remove["steps"][1]["changes"]["registry"])
    keyRemoved |= key["change"] == "removed" && key["path"] == "HKLM\\SYSTEM\\CurrentControlSet\\Services\\ZelBase";
  EXPECT_TRUE(keyRemoved) << remove["steps"][1]["changes"].dump(1);
  EXPECT_TRUE(remove["steps"][1]["changes"]["files"].empty());
  EXPECT_EQ(remove["verdict"]["notices"][0]["code"], "left-behind");
}

TEST_F(HostProgramTest, OperationReportingResultZeroExitsOne) {
  // An NT 6.x machine whose product data path was taken out of registry.reg by hand: the network component
  // cannot be installed.
  ASSERT_EQ(Host("machine init --os win7").exitCode, 0);
  fs::path reg = dir_ / "machine" / "registry.reg";
  std::string text = ReadFile(reg);
  size_t datapath = text.find("\"datapath\"=");
  ASSERT_NE(datapath, std::string::npos);
  text.erase(datapath, text.find('\n', datapath) + 1 - datapath);
  std::ofstream(reg, std::ios::binary | std::ios::trunc) << text;

  RunResult text_run = Host("install");
  EXPECT_EQ(text_run.exitCode, 1) << text_run.out << text_run.err;
  EXPECT_NE(text_run.out.find("install reported result 0"), std::string::npos) << text_run.out;
  json run = HostJson("install", 1);
  EXPECT_EQ(run["steps"][1]["status"]["result"], 0);
  EXPECT_EQ(run["exitCode"], 1);
}

TEST_F(HostProgramTest, ErrorsUnderJsonStillGiveADocument) {
  json failed = HostJson("--library /nonexistent/libbasetdic.so check", 2);
  EXPECT_EQ(failed["exitCode"], 2);
  EXPECT_TRUE(failed["error"].is_string());
}

TEST_F(HostProgramTest, TextStaysWithinEightyColumns) {
  ASSERT_EQ(Host("machine init --os win7").exitCode, 0);
  for (const char* command : {"--trace cycle", "machine show", "explain FwBaseVt", "machine reboot", "status", "--help"}) {
    RunResult result = Host(command);
    EXPECT_EQ(result.exitCode, 0) << command << result.err;
    std::istringstream lines(result.out);
    std::string line;
    while (std::getline(lines, line)) EXPECT_LE(line.size(), 80u) << command << ": " << line;
  }
}

TEST_F(HostProgramTest, ExplainLeavesTheMachineAsItWas) {
  ASSERT_EQ(Host("machine init --os nt4").exitCode, 0);
  std::string before = ReadFile(dir_ / "machine" / "registry.reg");
  json explained = HostJson("explain FwBaseNt", 0);
  EXPECT_EQ(explained["fits"], true);
  ASSERT_EQ(explained["operations"].size(), 5u);
  EXPECT_EQ(explained["operations"][0]["operation"], "install");
  EXPECT_TRUE(explained["operations"][0]["rehearsed"].get<bool>());
  EXPECT_FALSE(explained["operations"][0]["changes"]["files"].empty());
  EXPECT_EQ(ReadFile(dir_ / "machine" / "registry.reg"), before);
  EXPECT_FALSE(fs::exists(dir_ / "machine" / "drives" / "C" / "WINDOWS" / "system32" / "drivers" / "basetdi.sys"));
}

TEST_F(HostProgramTest, ExplainNamesTheBranchTheLibraryChooses) {
  struct Row {
    const char* os;
    const char* module;
    const char* install;
    const char* start;
    const char* update;
    const char* remove;
  };
  const Row rows[] = {
      {"nt4", "FwBaseNt", "TdiDriver", "FwBaseNt", "TdiDriver", "TdiDriver"},
      {"nt4", "FwBase2K", "None", "None", "None", "None"},
      {"win7", "FwBaseVt", "NetworkComponent", "None", "DriverFile", "NetworkComponent"},
      {"win7", "FwBase2K", "None", "None", "DriverFile", "None"},
      {"win9x", "FwBase2K", "gate closed", "FwBase2K", "gate closed", "gate closed"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.os) + " " + row.module);
    ASSERT_EQ(Host(std::string("machine init --force --os ") + row.os).exitCode, 0);
    json explained = HostJson(std::string("explain ") + row.module, 0);
    const json& operations = explained["operations"];
    ASSERT_EQ(operations.size(), 5u);
    EXPECT_EQ(operations[0]["branch"], row.install);
    EXPECT_EQ(operations[1]["branch"], row.start);
    EXPECT_EQ(operations[2]["branch"], row.update);
    EXPECT_EQ(operations[3]["branch"], row.remove);
  }
}

// The host derives what the object keeps from what it inserted, so a second build of the library (the
// same sources, optimised otherwise) loaded with --library gets the same explain, text and JSON, where
// the setup folder is kept, too long to keep, or not kept because FwBase2K's basetdic.dll is missing.
TEST_F(HostProgramTest, ExplainIsTheSameThroughASecondBuildOfTheLibrary) {
  const std::string first(140, 'a'), second(126, 'b');  // C:\first\second is 270 characters
  const struct {
    const char* os;
    std::string setup;     // empty: the demo setup folder
    const char* kind;
    const char* kept;      // what the library keeps; empty: none
  } cases[] = {
      {"xp", "", "FwBase2K", "C:\\setup"},
      {"xp", "C:\\" + first + "\\" + second, "FwBase2K", ""},
      {"xp", "C:\\nodll", "FwBase2K", ""},
      {"nt4", "C:\\nodll", "FwBaseNt", "C:\\nodll"},
      {"win7", "", "FwBaseVt", "C:\\setup"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(std::string(row.os) + " " + row.kind + " " + row.setup);
    ASSERT_EQ(Host(std::string("machine init --force --os ") + row.os).exitCode, 0);
    const fs::path drive = dir_ / "machine" / "drives" / "C";
    for (const fs::path& folder : {drive / "nodll", drive / first / second}) {
      fs::create_directories(folder);
      for (const auto& file : fs::directory_iterator(drive / "setup"))
        fs::copy(file.path(), folder / file.path().filename(), fs::copy_options::overwrite_existing);
    }
    fs::remove(drive / "nodll" / "basetdic.dll");
    const std::string explain =
        "--deterministic " + (row.setup.empty() ? "" : "--setup '" + row.setup + "' ") + "explain " + row.kind;
    const std::string secondBuild = std::string("--library '") + BASETDIC_SECOND_LIBRARY_PATH + "' ";
    RunResult text = Host(explain);
    EXPECT_EQ(text.exitCode, 0) << text.err;
    EXPECT_EQ(Host(secondBuild + explain).out, text.out);
    json document = HostJson(explain, 0);
    EXPECT_EQ(document["setup"]["keptByLibrary"], row.kept);
    EXPECT_EQ(HostJson(secondBuild + explain, 0), document);
  }
  EXPECT_EQ(HostJson(std::string("--library '") + BASETDIC_SECOND_LIBRARY_PATH + "' check", 0)["library"],
            BASETDIC_SECOND_LIBRARY_PATH) << "the run loads the library it is given";
}

// --calls lists every call of a step, --fail makes the Nth call of a function fail without being made,
// N counted over the library's calls across the run's steps; a failure whose call never comes is said.
TEST_F(HostProgramTest, CallsListsEveryCallAndFailFailsTheNthOne) {
  ASSERT_EQ(Host("machine init --os xp").exitCode, 0);
  const struct {
    const char* arguments;
    int exitCode;
    size_t step;           // the step that lists (or fails) the call
    const char* function;
    unsigned error;        // 0: listed as made
    const char* notice;    // the run's notice code; empty: none
  } cases[] = {
      {"--calls install", 0, 1, "CreateServiceA", 0, ""},
      {"--calls install", 0, 1, "StartServiceA", 0, ""},
      {"--fail CreateServiceA=5 install", 3, 1, "CreateServiceA", 5, ""},
      // XP's remove leaves the running driver's image behind: the cycle ends in 3 with or without --fail.
      {"--fail copyfilea#2=32 cycle", 3, 3, "CopyFileA", 32, ""},
      {"--fail CopyFileA#3 cycle", 3, 0, "", 0, "fail-not-made"},
      // A close that fails leaves the handle open, and the host counts it once the object is released.
      {"--fail CloseServiceHandle install", 0, 1, "CloseServiceHandle", 6, "handles-left"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.arguments);
    ASSERT_EQ(Host("machine init --force --os xp").exitCode, 0);
    json run = HostJson(row.arguments, row.exitCode);
    const bool listed = std::string(row.arguments).find("--calls") != std::string::npos;
    EXPECT_EQ(run["steps"][1].contains("calls"), listed);
    std::string notices;
    for (const json& notice : run["notices"]) {
      const std::string code = notice["code"];
      if (code != "machine-created") notices += code;
    }
    EXPECT_EQ(notices, row.notice) << run["notices"].dump();
    if (*row.function == 0) continue;
    const json& step = run["steps"][row.step];
    bool found = false;
    for (const json& call : step[row.error == 0 ? "calls" : "failedCalls"]) {
      if (call["function"] != row.function) continue;
      found = true;
      EXPECT_EQ(call["error"], row.error);
      EXPECT_EQ(call["injected"], row.error != 0);
    }
    EXPECT_TRUE(found) << step.dump();
    // No other step saw the injected failure.
    for (size_t other = 0; row.error != 0 && other < run["steps"].size(); ++other) {
      for (const json& call : run["steps"][other]["failedCalls"]) EXPECT_TRUE(other == row.step || !call["injected"]);
    }
  }
  ASSERT_EQ(Host("machine init --force --os xp").exitCode, 0);
  RunResult text = Host("--fail CreateServiceA=5 install");
  EXPECT_NE(text.out.find("CreateServiceA #1 fails with 5, access is denied"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("injected fault 5: 5, access"), std::string::npos) << text.out;
  RunResult misspelt = Host("--fail CreateServiceX install");
  EXPECT_EQ(misspelt.exitCode, 2);
  EXPECT_NE(misspelt.err.find("did you mean CreateServiceA?"), std::string::npos) << misspelt.err;
  EXPECT_EQ(Host("--fail CreateServiceA status").exitCode, 2) << "--fail works with the operations only";
}

}  // namespace

#endif
