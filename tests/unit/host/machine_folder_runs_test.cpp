// The machine folder as user data, seen from basetdic-host runs: concurrent runs all count, a run killed
// at any step of its journal, save or recovery leaves the machine from before it or after it, commands
// that only read write nothing, a folder a run cannot write is named, the record of digests is believed
// only for the same file, and nothing that is not the machine's is created, replaced or removed.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/temp_folder.h"

#ifdef BASETDIC_HOST_PATH

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Every entry under folder (path -> bytes, "/" for a folder), a machine's lock file and its record of file
// digests (a cache of what the files hold) left out: what "the same machine folder" means here.
using FolderState = std::map<std::string, std::string>;

FolderState StateOf(const fs::path& folder) {
  FolderState state;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    std::string name = fs::relative(entry.path(), folder).generic_string();
    bool machines = fs::exists(entry.path().parent_path() / "machine.json");
    if (machines && (entry.path().filename() == "machine.lock" || entry.path().filename() == "machine.digests")) continue;
    std::string content = entry.is_directory() ? "/" : ReadFile(entry.path());
    // The wall-clock time of the save differs between any two runs; the machine's own clock does not.
    if (entry.path().filename() == "machine.json")
      content = std::regex_replace(content, std::regex("\"savedAtUnixMs\": *[0-9]+"), "");
    state[name] = content;
  }
  return state;
}

struct Outcome {
  bool killed = false;
  int exitCode = -1;
  std::string err;
};

class MachineFolderRunsTest : public ::testing::Test {
 protected:

  // Starts the host in this test's folder; crashAt sets the host's step at which to die (0: none).
  pid_t Start(const std::vector<std::string>& arguments, int crashAt = 0, const std::string& tag = "run",
              const fs::path& out = "/dev/null") {
    fs::path err = dir_ / (tag + ".err");
    pid_t child = fork();
    if (child == 0) {
      if (chdir(dir_.c_str()) != 0) _exit(126);
      if (crashAt > 0) setenv("BASETDIC_HOST_CRASH_AT", std::to_string(crashAt).c_str(), 1);
      int quiet = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      int errors = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(quiet, 1);
      dup2(errors, 2);
      // A fixed clock step between runs, so that two runs of the same command leave the same machine.
      std::vector<char*> argv{const_cast<char*>(BASETDIC_HOST_PATH), const_cast<char*>("--deterministic")};
      for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
      argv.push_back(nullptr);
      execv(BASETDIC_HOST_PATH, argv.data());
      _exit(127);
    }
    return child;
  }

  Outcome Finish(pid_t child, const std::string& tag = "run") {
    int status = 0;
    waitpid(child, &status, 0);
    Outcome outcome;
    outcome.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.err = ReadFile(dir_ / (tag + ".err"));
    return outcome;
  }

  Outcome Host(const std::vector<std::string>& arguments, int crashAt = 0, const std::string& tag = "run",
               const fs::path& out = "/dev/null") {
    return Finish(Start(arguments, crashAt, tag, out), tag);
  }

  void Replace(const fs::path& folder, const fs::path& with) {
    fs::remove_all(folder);
    fs::copy(with, folder, fs::copy_options::recursive);
  }

  testsupport::TempFolder temp_{"machine-folder-runs"};
  const fs::path dir_ = temp_.path();
};

TEST_F(MachineFolderRunsTest, ConcurrentInstallsAllCountAndAllSucceed) {
  const int kRuns = 20;
  ASSERT_EQ(Host({"--machine", "m", "machine", "init", "--os", "nt4"}).exitCode, 0);
  std::vector<pid_t> runs;
  for (int i = 0; i < kRuns; ++i) runs.push_back(Start({"--machine", "m", "--wait", "300", "install"}, 0, std::to_string(i)));
  for (int i = 0; i < kRuns; ++i) {
    Outcome outcome = Finish(runs[static_cast<size_t>(i)], std::to_string(i));
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
  }
  EXPECT_NE(ReadFile(dir_ / "m" / "registry.reg").find("\"nSon\"=dword:00000014"), std::string::npos)
      << ReadFile(dir_ / "m" / "registry.reg");
}

std::vector<std::string> Args(std::vector<std::string> first, const std::vector<std::string>& then) {
  first.insert(first.end(), then.begin(), then.end());
  return first;
}

uintmax_t BytesUnder(const fs::path& folder) {
  uintmax_t bytes = 0;
  std::error_code none;
  for (fs::recursive_directory_iterator it(folder, none), end; !none && it != end; it.increment(none)) {
    if (it->is_regular_file()) bytes += it->file_size();
  }
  return bytes;
}

// Every step of the run's journal, its commit and a recovery: a run killed at any of them, and the next
// run's recovery of that folder killed again at any of its own steps, leaves a folder that loads (machine
// show succeeds) as the machine from before the run or after it. What a killed run leaves behind is
// what it changed, not a copy of the drives.
TEST_F(MachineFolderRunsTest, RunKilledAtAnyStepLeavesTheMachineBeforeOrAfter) {
  const fs::path machine = dir_ / "m", before = dir_ / "before", after = dir_ / "after";
  // A cycle with the trace on, after an install: it creates a file (zel.ini), appends to one (the trace),
  // replaces one and deletes it (the driver), so the journal notes each kind of file.
  const std::vector<std::string> run = {"--trace", "cycle"};
  ASSERT_EQ(Host({"--machine", "before", "machine", "init", "--os", "nt4"}).exitCode, 0);
  ASSERT_EQ(Host({"--machine", "before", "--trace", "install"}).exitCode, 0);
  const uintmax_t kFiller = 2000000;
  std::ofstream(before / "drives" / "C" / "filler.bin") << std::string(kFiller, 'f');
  fs::copy(before, after, fs::copy_options::recursive);
  ASSERT_EQ(Host(Args({"--machine", "after"}, run)).exitCode, 0);
  const FolderState stateBefore = StateOf(before), stateAfter = StateOf(after);
  ASSERT_NE(stateBefore, stateAfter);

  int crashPoints = 0, recoveryCrashPoints = 0;
  for (int crashAt = 1; crashAt < 100; ++crashAt) {
    SCOPED_TRACE("run killed at step " + std::to_string(crashAt));
    Replace(machine, before);
    Outcome install = Host(Args({"--machine", "m"}, run), crashAt);
    if (!install.killed) {
      EXPECT_EQ(install.exitCode, 0) << install.err;
      EXPECT_EQ(StateOf(machine), stateAfter);
      break;
    }
    ++crashPoints;
    EXPECT_LT(BytesUnder(machine / "machine.staging"), kFiller / 2);
    const fs::path crashed = dir_ / "crashed";
    Replace(crashed, machine);
    for (int recoveryCrashAt = 0; recoveryCrashAt < 50; ++recoveryCrashAt) {
      SCOPED_TRACE("recovery killed at step " + std::to_string(recoveryCrashAt));
      Replace(machine, crashed);
      bool killedAgain = recoveryCrashAt > 0 && Host({"--machine", "m", "machine", "show"}, recoveryCrashAt).killed;
      Outcome show = Host({"--machine", "m", "machine", "show"});
      ASSERT_EQ(show.exitCode, 0) << show.err;
      FolderState state = StateOf(machine);
      EXPECT_TRUE(state == stateBefore || state == stateAfter);
      if (recoveryCrashAt > 0 && !killedAgain) break;
      recoveryCrashPoints += killedAgain;
    }
  }
  EXPECT_GE(crashPoints, 12);
  EXPECT_GE(recoveryCrashPoints, 2 * crashPoints);
}

// Makes folders (each one given, and with recursive everything below it) impossible to write for this
// process while it lives: read-only permissions, or for root, who passes those, the immutable attribute.
// Works() is false where neither takes effect.
class Unwritable {
 public:
  Unwritable(std::vector<fs::path> folders, bool recursive) : folders_(std::move(folders)), recursive_(recursive) {
    Apply(true);
    std::ofstream probe(folders_.front() / "probe");
    works_ = !probe;
    if (!works_) fs::remove(folders_.front() / "probe");
  }
  ~Unwritable() { Apply(false); }
  bool Works() const { return works_; }

 private:
  void Apply(bool on) {
    for (const fs::path& folder : folders_) {
      std::string command = geteuid() == 0 ? std::string("chattr ") + (recursive_ ? "-R " : "") + (on ? "+i" : "-i")
                                           : std::string("chmod ") + (recursive_ ? "-R " : "") + (on ? "a-w" : "u+w");
      int status = std::system((command + " '" + folder.string() + "' 2>/dev/null").c_str());
      (void)status;
    }
  }
  std::vector<fs::path> folders_;
  bool recursive_;
  bool works_ = false;
};

// The commands that only look at the machine need nothing of the folder but to read it.
TEST_F(MachineFolderRunsTest, ReadingCommandsWorkOnAFolderTheyCannotWrite) {
  ASSERT_EQ(Host({"--machine", "m", "machine", "init", "--os", "win7"}).exitCode, 0);
  ASSERT_EQ(Host({"--machine", "m", "install"}).exitCode, 0);
  const FolderState was = StateOf(dir_ / "m");
  Unwritable frozen({dir_ / "m"}, true);
  if (!frozen.Works()) GTEST_SKIP() << "this file system lets this user write everywhere";
  for (const std::vector<std::string>& command : {std::vector<std::string>{"machine", "show"},
                                                 std::vector<std::string>{"explain"},
                                                 std::vector<std::string>{"machine", "show", "--json"}}) {
    SCOPED_TRACE(command.front() + " " + command.back());
    Outcome outcome = Host(Args({"--machine", "m"}, command));
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(StateOf(dir_ / "m"), was);
  }
}

// A run that cannot change what it has to on the drives is not kept, and the message names the folder.
TEST_F(MachineFolderRunsTest, FolderTheRunCannotWriteIsNamedAndNothingIsKept) {
  struct Case {
    const char* os;
    const char* folder;  // below drives/C
  };
  const Case cases[] = {{"nt4", "WINNT/system32/drivers"}, {"xp", "WINDOWS/system32/drivers"}};
  for (const Case& row : cases) {
    SCOPED_TRACE(row.os);
    ASSERT_EQ(Host({"--machine", "m", "machine", "init", "--os", row.os, "--force"}).exitCode, 0);
    const FolderState was = StateOf(dir_ / "m");
    Outcome install;
    {
      Unwritable frozen({dir_ / "m" / "drives" / "C" / row.folder}, false);
      if (!frozen.Works()) GTEST_SKIP() << "this file system lets this user write everywhere";
      install = Host({"--machine", "m", "install"});
    }
    EXPECT_EQ(install.exitCode, 2);
    EXPECT_NE(install.err.find((fs::path("m") / "drives" / "C" / row.folder).string() + ":"), std::string::npos)
        << install.err;
    EXPECT_NE(install.err.find("make that folder writable"), std::string::npos) << install.err;
    EXPECT_NE(install.err.find("nothing of this run was kept"), std::string::npos) << install.err;
    EXPECT_EQ(StateOf(dir_ / "m"), was);
  }
}

// machine.digests spares a run reading files that did not change, and is believed only for the very file
// it describes: a file rewritten by hand with its size and modification time put back is read again, and
// a damaged record counts as none.
TEST_F(MachineFolderRunsTest, RecordedDigestsHoldOnlyForTheSameFile) {
  const fs::path machine = dir_ / "m", note = machine / "drives" / "C" / "note.txt";
  ASSERT_EQ(Host({"--machine", "m", "machine", "init", "--os", "xp"}).exitCode, 0);
  std::ofstream(note) << "first";
  std::this_thread::sleep_for(std::chrono::milliseconds(3100));  // older than the file system's time step
  ASSERT_EQ(Host({"--machine", "m", "check"}).exitCode, 0);
  const std::string record = ReadFile(machine / "machine.digests");
  auto shown = [&] {
    std::string out = ReadFile(dir_ / "show.out");
    nlohmann::json files = nlohmann::json::parse(out, nullptr, false)["state"]["files"];
    for (const auto& file : files) {
      if (file["path"] == "C:\\note.txt") return file["digest"].get<std::string>();
    }
    return std::string("none");
  };
  auto show = [&] {
    Outcome outcome = Host({"--machine", "m", "machine", "show", "--json"}, 0, "show", dir_ / "show.out");
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    return shown();
  };
  const std::string read = show();
  const std::string recorded = nlohmann::json::parse(record)["files"]["c:\\note.txt"]["digest"].get<std::string>();
  ASSERT_EQ(recorded, read);

  // The record is what the run believes for an unchanged file...
  std::string planted = record;
  planted.replace(planted.find(recorded), recorded.size(), "0123456789abcdef");
  std::ofstream(machine / "machine.digests", std::ios::trunc) << planted;
  EXPECT_EQ(show(), "0123456789abcdef");
  // ...but not once the record is damaged,
  std::ofstream(machine / "machine.digests", std::ios::trunc) << planted.substr(0, planted.size() / 2);
  EXPECT_EQ(show(), read);
  // nor for a file rewritten with the same size and its old modification time.
  std::ofstream(machine / "machine.digests", std::ios::trunc) << planted;
  fs::file_time_type written = fs::last_write_time(note);
  std::ofstream(note, std::ios::trunc) << "other";
  fs::last_write_time(note, written);
  const std::string rewritten = show();
  EXPECT_NE(rewritten, read);
  EXPECT_NE(rewritten, "0123456789abcdef");
  fs::remove(machine / "machine.digests");
  EXPECT_EQ(show(), rewritten);
}

TEST_F(MachineFolderRunsTest, WhatIsNotTheMachinesIsLeftAsItWas) {
  struct Case {
    const char* name;
    std::vector<std::string> arguments;
    const char* says;
  };
  ASSERT_EQ(Host({"--machine", "m", "machine", "init", "--os", "xp"}).exitCode, 0);
  std::ofstream(dir_ / "m" / "notes.txt") << "mine";
  fs::create_directories(dir_ / "tree");
  std::ofstream(dir_ / "tree" / "registry.reg") << "REGEDIT4\n";
  std::ofstream(dir_ / "tree" / "CMakeLists.txt") << "project(x)\n";
  std::ofstream(dir_ / "plain") << "a file";
  fs::create_directories(dir_ / "empty");
  const Case cases[] = {
      {"force beside a foreign file", {"--machine", "m", "machine", "init", "--os", "win7", "--force"}, "notes.txt"},
      {"force on a folder that is no machine", {"--machine", "tree", "machine", "init", "--os", "xp", "--force"},
       "CMakeLists.txt"},
      {"run on a folder that is no machine", {"--machine", "tree", "install"}, "holds no machine"},
      {"empty folder name", {"--machine", "", "install"}, "--machine"},
      {"folder under a file", {"--machine", "plain/m", "machine", "init", "--os", "xp"}, "cannot create"},
      {"bad usage on a new folder", {"--machine", "new/folders", "--module", "FwBaseXx", "install"}, "FwBaseNt"},
      {"bad usage on an empty folder", {"--machine", "empty", "--setup", "C:\\nowhere", "check"}, "--setup"},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    FolderState was = StateOf(dir_);
    Outcome outcome = Host(row.arguments);
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_NE(outcome.err.find(row.says), std::string::npos) << outcome.err;
    FolderState now = StateOf(dir_);
    now.erase("run.err");
    was.erase("run.err");
    EXPECT_EQ(now, was);
  }
}

TEST_F(MachineFolderRunsTest, RunThatCannotGetTheFolderWaitsSaysForWhomAndChangesNothing) {
  ASSERT_EQ(Host({"--machine", "m", "machine", "init", "--os", "nt4"}).exitCode, 0);
  FolderState was = StateOf(dir_ / "m");
  int lock = open((dir_ / "m" / "machine.lock").c_str(), O_RDWR);
  ASSERT_EQ(flock(lock, LOCK_EX), 0);
  std::string pid = std::to_string(getpid()) + "\n";
  ASSERT_EQ(pwrite(lock, pid.data(), pid.size(), 0), static_cast<ssize_t>(pid.size()));
  Outcome install = Host({"--machine", "m", "--wait", "0", "install"});
  close(lock);
  EXPECT_EQ(install.exitCode, 2);
  EXPECT_NE(install.err.find("waiting"), std::string::npos) << install.err;
  EXPECT_NE(install.err.find("process " + std::to_string(getpid())), std::string::npos) << install.err;
  EXPECT_NE(install.err.find("nothing was changed"), std::string::npos) << install.err;
  EXPECT_EQ(StateOf(dir_ / "m"), was);
}

// A damaged machine folder: the message names the file, what is wrong in it and what to do next.
TEST_F(MachineFolderRunsTest, DamagedMachineFilesAreNamedWithTheFix) {
  struct Case {
    const char* file;
    const char* text;
    const char* says;
  };
  const Case cases[] = {
      {"machine.json", "{\"format\": \"winsim machine 1\", \"os\": {", "not complete JSON"},
      {"machine.json", "{\"format\": \"winsim machine 1\"}", "the key 'os' is missing"},
      {"registry.reg", "Windows Registry Editor Version 5.00\n\n[HKEY_NOWHERE]\n", "line 3"},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.says);
    ASSERT_EQ(Host({"--machine", "m", "machine", "init", "--os", "xp", "--force"}).exitCode, 0);
    std::ofstream(dir_ / "m" / row.file, std::ios::trunc) << row.text;
    Outcome show = Host({"--machine", "m", "machine", "show"});
    EXPECT_EQ(show.exitCode, 2);
    EXPECT_NE(show.err.find((fs::path("m") / row.file).string()), std::string::npos) << show.err;
    EXPECT_NE(show.err.find(row.says), std::string::npos) << show.err;
    EXPECT_NE(show.err.find("machine init"), std::string::npos) << show.err;
    EXPECT_EQ(show.err.find('\n'), show.err.size() - 1) << show.err;
  }
}

}  // namespace

#endif
