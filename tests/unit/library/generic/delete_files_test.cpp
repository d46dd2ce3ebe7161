// DeleteMatchingFiles and DeleteFileIfNamed: what goes, what stays, and that the search is closed.
#include <gtest/gtest.h>

#include <string>

#include "support/launch_checks.h"
#include "temp_machine.h"
#include "generic/delete_files.h"

namespace {

using namespace runner_checks;
using basetdic::DeleteFileIfNamed;
using basetdic::DeleteMatchingFiles;
using winsim::testsupport::ConfigFor;
using winsim::testsupport::TempMachine;

class DeleteFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* file : {"C:\\d\\a.tmp", "C:\\d\\B.TMP", "C:\\d\\c.txt", "C:\\d\\sub.tmp\\inner.tmp",
                             "C:\\d\\sub\\deep.tmp"}) {
      ASSERT_TRUE(winsim::WriteHostFile(file, "x"));
    }
  }
  void TearDown() override { EXPECT_EQ(winsim::OpenHandles(), 0u); }

  std::string Remaining() {
    std::string names;
    for (const char* file : {"C:\\d\\a.tmp", "C:\\d\\B.TMP", "C:\\d\\c.txt", "C:\\d\\sub.tmp\\inner.tmp",
                             "C:\\d\\sub\\deep.tmp"}) {
      if (winsim::HostFileExists(file)) names += std::string(file + 5) + " ";
    }
    return names;
  }

  TempMachine machine{ConfigFor(winsim::OsWinXp())};
};

struct PatternCase {
  const char* what;
  const char* directory;
  const char* pattern;
  const char* remaining;
};

class DeleteMatchingFilesTest : public DeleteFilesTest, public ::testing::WithParamInterface<PatternCase> {};

TEST_P(DeleteMatchingFilesTest, DeletesMatchingFilesOfTheDirectoryOnly) {
  DeleteMatchingFiles(GetParam().directory, GetParam().pattern);
  EXPECT_EQ(Remaining(), GetParam().remaining);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, DeleteMatchingFilesTest,
    ::testing::Values(
        // "sub.tmp" is a directory: it matches, is handed to DeleteFileA, and stays with its contents.
        PatternCase{"Extension", "C:\\d", "*.tmp", "c.txt sub.tmp\\inner.tmp sub\\deep.tmp "},
        PatternCase{"Everything", "C:\\d", "*", "sub.tmp\\inner.tmp sub\\deep.tmp "},
        PatternCase{"OneName", "C:\\d", "a.tmp", "B.TMP c.txt sub.tmp\\inner.tmp sub\\deep.tmp "},
        PatternCase{"NoMatch", "C:\\d", "*.log", "a.tmp B.TMP c.txt sub.tmp\\inner.tmp sub\\deep.tmp "},
        PatternCase{"MissingDirectory", "C:\\nowhere", "*", "a.tmp B.TMP c.txt sub.tmp\\inner.tmp sub\\deep.tmp "},
        PatternCase{"NoDirectory", nullptr, "*", "a.tmp B.TMP c.txt sub.tmp\\inner.tmp sub\\deep.tmp "},
        PatternCase{"NoPattern", "C:\\d", nullptr, "a.tmp B.TMP c.txt sub.tmp\\inner.tmp sub\\deep.tmp "}),
    [](const ::testing::TestParamInfo<PatternCase>& info) { return std::string(info.param.what); });

TEST_F(DeleteFilesTest, EveryEntryIsHandedToDeleteFileIncludingDotEntries) {
  winsim::ClearCallLog();
  DeleteMatchingFiles("C:\\d", "*");
  std::vector<std::string> deleted;
  for (const winsim::CallRecord& call : winsim::CallLog()) {
    if (call.function == "DeleteFileA") deleted.push_back(call.arguments);
  }
  EXPECT_EQ(deleted, (std::vector<std::string>{"\"C:\\d\\.\"", "\"C:\\d\\..\"", "\"C:\\d\\a.tmp\"",
                                               "\"C:\\d\\B.TMP\"", "\"C:\\d\\c.txt\"", "\"C:\\d\\sub\"",
                                               "\"C:\\d\\sub.tmp\""}));
  EXPECT_EQ(CallsOf("FindClose"), 1u);
}

TEST_F(DeleteFilesTest, DeleteFileIfNamedDeletesOnlyWhenNamed) {
  winsim::ClearCallLog();
  DeleteFileIfNamed(nullptr);
  EXPECT_EQ(CallsOf("DeleteFileA"), 0u);
  DeleteFileIfNamed("C:\\d\\c.txt");
  EXPECT_FALSE(winsim::HostFileExists("C:\\d\\c.txt"));
  DeleteFileIfNamed("C:\\d\\c.txt");
  EXPECT_EQ(CallsOf("DeleteFileA"), 2u);
}

}  // namespace
