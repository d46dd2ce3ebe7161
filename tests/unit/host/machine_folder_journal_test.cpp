// The machine folder's rollback journal on its own: every kind of change a run makes to the drives is put
// back exactly, a rollback cut short anywhere is finished by the next one, and a path the journal cannot
// answer for is refused with its name.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/sim/run_journal.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using host::platform::RunJournal;

std::map<std::string, std::string> Tree(const fs::path& root) {
  std::map<std::string, std::string> tree;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    std::ostringstream bytes;
    if (entry.is_directory()) {
      bytes << "/";
    } else {
      bytes << std::ifstream(entry.path(), std::ios::binary).rdbuf();
    }
    tree[fs::relative(entry.path(), root).generic_string()] = bytes.str();
  }
  return tree;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line + "\n");
  return lines;
}

class MachineFolderJournalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(drive_ / "folder");
    fs::create_directories(drive_ / "empty");
    fs::create_directories(drive_ / "becomes-file");
    for (const char* name : {"edited", "deleted", "becomes-folder", "folder/inside"}) std::ofstream(drive_ / name) << name;
  }

  // A change as the machine makes it: the journal hears of each path it touches first.
  void Change(RunJournal& journal, const std::vector<std::string>& paths, const std::function<void()>& change) {
    for (const std::string& path : paths) ASSERT_TRUE(journal.NoteBeforeChange((drive_ / path).string())) << journal.Problem();
    change();
  }

  testsupport::TempFolder temp_{"machine-folder-journal"};
  const fs::path folder_ = temp_.path() / "m";
  const fs::path staging_ = folder_ / "machine.staging";
  const fs::path drive_ = folder_ / "drives" / "C";
};

TEST_F(MachineFolderJournalTest, EveryKindOfChangeGoesBackAndARollbackCutShortIsFinished) {
  const auto before = Tree(folder_);
  {
    RunJournal journal(folder_.string(), staging_);
    Change(journal, {"new"}, [&] { std::ofstream(drive_ / "new") << "new"; });
    Change(journal, {"edited"}, [&] { std::ofstream(drive_ / "edited", std::ios::app) << " and more"; });
    Change(journal, {"edited"}, [&] { std::ofstream(drive_ / "edited") << "again"; });
    Change(journal, {"deleted"}, [&] { fs::remove(drive_ / "deleted"); });
    Change(journal, {"made"}, [&] { fs::create_directory(drive_ / "made"); });
    Change(journal, {"made/deep"}, [&] { fs::create_directory(drive_ / "made" / "deep"); });
    Change(journal, {"made/deep/file"}, [&] { std::ofstream(drive_ / "made" / "deep" / "file") << "x"; });
    Change(journal, {"empty"}, [&] { fs::remove(drive_ / "empty"); });
    Change(journal, {"folder/inside", "folder"}, [&] { fs::remove_all(drive_ / "folder"); });
    Change(journal, {"becomes-folder"}, [&] {
      fs::remove(drive_ / "becomes-folder");
      fs::create_directory(drive_ / "becomes-folder");
    });
    Change(journal, {"becomes-folder/x"}, [&] { std::ofstream(drive_ / "becomes-folder" / "x") << "x"; });
    Change(journal, {"becomes-file"}, [&] {
      fs::remove(drive_ / "becomes-file");
      std::ofstream(drive_ / "becomes-file") << "file";
    });
  }
  std::ostringstream text;
  text << std::ifstream(staging_ / RunJournal::kFileName).rdbuf();
  const std::vector<std::string> lines = Lines(text.str());
  ASSERT_EQ(lines.size(), 12u) << text.str();
  const fs::path changed = temp_.path() / "changed";
  fs::copy(folder_, changed, fs::copy_options::recursive);

  // A rollback killed after it had put back the last k paths, then a whole one.
  for (size_t done = 0; done <= lines.size(); ++done) {
    SCOPED_TRACE("cut short after " + std::to_string(done) + " paths");
    fs::remove_all(folder_);
    fs::copy(changed, folder_, fs::copy_options::recursive);
    std::string error;
    std::string last;
    for (size_t i = lines.size() - done; i < lines.size(); ++i) last += lines[i];
    std::ofstream(staging_ / RunJournal::kFileName, std::ios::trunc) << last;
    ASSERT_TRUE(RunJournal::RollBack(folder_.string(), staging_, &error)) << error;
    std::ofstream(staging_ / RunJournal::kFileName, std::ios::trunc) << text.str() << "absent\tdrives/C/cut sh";
    ASSERT_TRUE(RunJournal::RollBack(folder_.string(), staging_, &error)) << error;
    ASSERT_TRUE(RunJournal::RollBack(folder_.string(), staging_, &error)) << error;
    fs::remove_all(staging_);
    EXPECT_EQ(Tree(folder_), before);
  }
}

TEST_F(MachineFolderJournalTest, WhatTheJournalCannotAnswerForIsRefusedAndNamed) {
  struct Case {
    const char* name;
    std::string journalText;  // written before a rollback; empty: a change is noted instead
    fs::path changed;
    const char* says;
  };
  const Case cases[] = {
      {"a change outside the drives", "", folder_ / "registry.reg", "not on the machine's drives"},
      {"a change above the machine", "", temp_.path() / "elsewhere", "not on the machine's drives"},
      {"a journal line climbing out", "absent\tdrives/../../x\n", {}, "did not write"},
      {"a journal line of another kind", "moved\tdrives/C/x\n", {}, "did not write"},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    const auto before = Tree(temp_.path());
    std::string said;
    if (row.journalText.empty()) {
      RunJournal journal(folder_.string(), staging_);
      EXPECT_FALSE(journal.NoteBeforeChange(row.changed.string()));
      said = journal.Problem();
      EXPECT_FALSE(journal.NoteBeforeChange((drive_ / "new").string())) << "a refused run keeps nothing more";
    } else {
      fs::create_directories(staging_);
      std::ofstream(staging_ / RunJournal::kFileName) << row.journalText;
      EXPECT_FALSE(RunJournal::RollBack(folder_.string(), staging_, &said));
      fs::remove_all(staging_);
    }
    EXPECT_NE(said.find(row.says), std::string::npos) << said;
    EXPECT_EQ(Tree(temp_.path()), before);
  }
}

}  // namespace
