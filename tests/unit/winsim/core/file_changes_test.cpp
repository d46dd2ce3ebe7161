// The file-change watcher: told before each change the machine makes on its drives, with the host path,
// never for a read; a refused change fails as on a file the caller may not write, and changes nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "temp_machine.h"
#include "winsim/file_changes.h"

namespace {

namespace fs = std::filesystem;
using winsim::testsupport::TempMachine;

HANDLE Open(const char* path, DWORD access, DWORD disposition) {
  return CreateFileA(path, access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool Opened(HANDLE handle) {
  if (handle == INVALID_HANDLE_VALUE) return false;
  CloseHandle(handle);
  return true;
}

// Every entry below root with its bytes ("/" for a folder).
std::vector<std::string> Tree(const std::string& root) {
  std::vector<std::string> entries;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    std::string bytes = "/";
    if (!entry.is_directory()) winsim::ReadHostFile("C:\\" + fs::relative(entry.path(), root).string(), &bytes);
    entries.push_back(fs::relative(entry.path(), root).generic_string() + "=" + bytes);
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

TEST(FileChangesTest, WatcherHearsOfEachChangeAndCanRefuseIt) {
  struct Row {
    const char* name;
    std::function<bool()> call;
    std::vector<std::string> told;  // host paths below drive C:, in order
    bool succeeds;                  // when the watcher allows it
  };
  const Row rows[] = {
      {"create a file", [] { return Opened(Open("C:\\d\\new.txt", GENERIC_WRITE, CREATE_NEW)); }, {"d/new.txt"}, true},
      {"open for writing", [] { return Opened(Open("C:\\d\\f.txt", GENERIC_WRITE, OPEN_EXISTING)); }, {"d/f.txt"}, true},
      {"replace", [] { return Opened(Open("C:\\d\\f.txt", GENERIC_READ, CREATE_ALWAYS)); }, {"d/f.txt"}, true},
      {"open for reading", [] { return Opened(Open("C:\\d\\f.txt", GENERIC_READ, OPEN_ALWAYS)); }, {}, true},
      {"truncate without write access", [] { return Opened(Open("C:\\d\\f.txt", GENERIC_READ, TRUNCATE_EXISTING)); },
       {}, false},
      {"copy over", [] { return CopyFileA("C:\\d\\f.txt", "C:\\d\\g.txt", FALSE) != FALSE; }, {"d/g.txt"}, true},
      {"delete", [] { return DeleteFileA("C:\\d\\g.txt") != FALSE; }, {"d/g.txt"}, true},
      {"make a folder", [] { return CreateDirectoryA("C:\\d\\sub", nullptr) != FALSE; }, {"d/sub"}, true},
      {"remove a folder", [] { return RemoveDirectoryA("C:\\d\\empty") != FALSE; }, {"d/empty"}, true},
      {"write a file in new folders", [] { return winsim::WriteHostFile("C:\\e\\f\\x.txt", "x"); },
       {"e", "e/f", "e/f/x.txt"}, true},
  };
  for (const Row& row : rows) {
    for (bool allow : {false, true}) {
      SCOPED_TRACE(std::string(row.name) + (allow ? ", allowed" : ", refused"));
      TempMachine machine;
      ASSERT_TRUE(winsim::WriteHostFile("C:\\d\\f.txt", "old"));
      ASSERT_TRUE(winsim::WriteHostFile("C:\\d\\g.txt", "other"));
      ASSERT_TRUE(CreateDirectoryA("C:\\d\\empty", nullptr));
      const std::string driveC = winsim::HostPath("C:\\");
      const std::vector<std::string> before = Tree(driveC);
      std::vector<std::string> told;
      winsim::WatchFileChanges([&](const std::string& host) {
        told.push_back(fs::relative(host, driveC).generic_string());
        return allow;
      });
      SetLastError(0xdeadbeef);
      bool succeeded = row.call();
      DWORD error = GetLastError();
      winsim::WatchFileChanges(nullptr);
      // A refusal stops at the first change: only a folder made for a file is told before the file.
      std::vector<std::string> expected = row.told;
      if (!allow && !expected.empty()) expected.resize(1);
      EXPECT_EQ(told, expected);
      if (allow || expected.empty()) {
        EXPECT_EQ(succeeded, row.succeeds);
        continue;
      }
      EXPECT_FALSE(succeeded);
      EXPECT_EQ(Tree(driveC), before);
      // WriteHostFile is the host's own convenience, outside the API: it sets no error.
      if (std::string(row.name) != "write a file in new folders") EXPECT_EQ(error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    }
  }
}

}  // namespace
