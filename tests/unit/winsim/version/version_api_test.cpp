// winsim's version.dll functions over files on the simulated disk: sizes, errors, the filled block,
// queries through the API, and how they meet the file layer (redirection, sharing, handles, the call log).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "pe_image_writer.h"
#include "temp_machine.h"

namespace {

using namespace winsim::testsupport;

constexpr DWORD kSentinel = 0xdeadbeef;
constexpr DWORD kResourceDataNotFound = 1812;
constexpr DWORD kResourceTypeNotFound = 1813;
constexpr DWORD kInvalidData = 13;

bool Put(const std::string& windowsPath, const std::vector<uint8_t>& bytes) {
  return winsim::WriteHostFile(windowsPath, std::string(bytes.begin(), bytes.end()));
}

class VersionApiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    spec = SimpleVersionInfo("7, 0, 0, 26");
    tree = BuildVersionInfo(spec);
    ASSERT_TRUE(Put("C:\\setup\\zelbase.sys", BuildPeImage(ImageWithVersion(spec))));
  }
  TempMachine machine{ConfigFor(winsim::OsWinXp())};
  VersionInfoSpec spec;
  std::vector<uint8_t> tree;
};

TEST_F(VersionApiTest, SizeIsReportedForTheResourceAndTheHandleWordCleared) {
  DWORD handle = 0x55555555;
  SetLastError(kSentinel);
  EXPECT_EQ(GetFileVersionInfoSizeA("C:\\setup\\zelbase.sys", &handle), 2 * tree.size() + 4);
  EXPECT_EQ(handle, 0u);
  EXPECT_EQ(GetLastError(), 0u);
  EXPECT_EQ(GetFileVersionInfoSizeA("c:\\SETUP\\ZelBase.sys", nullptr), 2 * tree.size() + 4);
  EXPECT_EQ(GetFileVersionInfoSizeA("zelbase.sys", nullptr), 2 * tree.size() + 4) << "relative to C:\\setup";
}

TEST_F(VersionApiTest, FilesWithoutVersionInformation) {
  PeImageSpec plain;
  plain.withCode = true;
  ASSERT_TRUE(Put("C:\\setup\\plain.dll", BuildPeImage(plain)));
  ASSERT_TRUE(winsim::WriteHostFile("C:\\setup\\readme.txt", "hello\n"));
  ASSERT_TRUE(CreateDirectoryA("C:\\setup\\folder", nullptr));
  struct Row {
    const char* path;
    DWORD error;
  };
  const Row rows[] = {
      {nullptr, ERROR_INVALID_PARAMETER},
      {"", ERROR_BAD_PATHNAME},
      {"C:\\setup\\missing.sys", ERROR_FILE_NOT_FOUND},
      {"C:\\nowhere\\missing.sys", ERROR_PATH_NOT_FOUND},
      {"C:\\setup\\plain.dll", kResourceDataNotFound},
      {"C:\\setup\\readme.txt", kResourceDataNotFound},
      {"C:\\setup\\folder", ERROR_ACCESS_DENIED},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path ? row.path : "(null)");
    DWORD handle = 0x55555555;
    SetLastError(kSentinel);
    EXPECT_EQ(GetFileVersionInfoSizeA(row.path, &handle), 0u);
    EXPECT_EQ(GetLastError(), row.error);
    EXPECT_EQ(handle, 0u);
    std::vector<uint8_t> block(64, 0xCC);
    SetLastError(kSentinel);
    EXPECT_FALSE(GetFileVersionInfoA(row.path, 0, 64, block.data()));
    EXPECT_EQ(block, std::vector<uint8_t>(64, 0xCC));
  }
}

TEST_F(VersionApiTest, InfoFillsTheTreeAndItsEndMark) {
  const DWORD size = GetFileVersionInfoSizeA("C:\\setup\\zelbase.sys", nullptr);
  std::vector<uint8_t> block(size + 16, 0xCC);
  SetLastError(kSentinel);
  ASSERT_TRUE(GetFileVersionInfoA("C:\\setup\\zelbase.sys", 0, size, block.data()));
  EXPECT_EQ(GetLastError(), 0u);
  EXPECT_EQ(0, std::memcmp(block.data(), tree.data(), tree.size()));
  EXPECT_EQ(0, std::memcmp(block.data() + tree.size(), "FE2X", 4));
  for (size_t i = size; i < block.size(); ++i) EXPECT_EQ(block[i], 0xCC) << i;

  // A short block takes what fits; nothing is written past it.
  std::vector<uint8_t> shortBlock(64, 0xCC);
  ASSERT_TRUE(GetFileVersionInfoA("C:\\setup\\zelbase.sys", 0, 32, shortBlock.data()));
  EXPECT_EQ(0, std::memcmp(shortBlock.data(), tree.data(), 32));
  for (size_t i = 32; i < shortBlock.size(); ++i) EXPECT_EQ(shortBlock[i], 0xCC) << i;

  SetLastError(kSentinel);
  EXPECT_FALSE(GetFileVersionInfoA("C:\\setup\\zelbase.sys", 0, size, nullptr));
  EXPECT_EQ(GetLastError(), kInvalidData);
}

TEST_F(VersionApiTest, QueriesThroughTheApi) {
  const DWORD size = GetFileVersionInfoSizeA("C:\\setup\\zelbase.sys", nullptr);
  std::vector<uint8_t> block(size, 0);
  ASSERT_TRUE(GetFileVersionInfoA("C:\\setup\\zelbase.sys", 0, size, block.data()));

  LPVOID value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904E4\\FileVersion", &value, &length));
  EXPECT_STREQ(static_cast<const char*>(value), "7, 0, 0, 26");
  EXPECT_EQ(length, 12u);
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length));
  EXPECT_EQ(length, 4u);
  EXPECT_EQ(static_cast<const WORD*>(value)[0], 0x0409);
  EXPECT_EQ(static_cast<const WORD*>(value)[1], 0x04E4);

  value = reinterpret_cast<LPVOID>(0x1234);
  length = kSentinel;
  SetLastError(kSentinel);
  EXPECT_FALSE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904E4\\ProductName", &value, &length));
  EXPECT_EQ(value, reinterpret_cast<LPVOID>(0x1234)) << "the caller's pointer stays as it was";
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(GetLastError(), kResourceTypeNotFound);

  length = kSentinel;
  EXPECT_FALSE(VerQueryValueA(nullptr, "\\", &value, &length));
  EXPECT_EQ(length, kSentinel) << "no block, nothing touched";
}

// A block the API did not fill, with a tree claiming more than the block holds: the query stays inside.
TEST_F(VersionApiTest, QueriesStayInsideBlocksTheyKnow) {
  const DWORD size = GetFileVersionInfoSizeA("C:\\setup\\zelbase.sys", nullptr);
  std::vector<uint8_t> block(size + 64, 0xCC);
  ASSERT_TRUE(GetFileVersionInfoA("C:\\setup\\zelbase.sys", 0, size, block.data()));
  block[1] = 0x7F;  // root length now far beyond the block
  LPVOID value = nullptr;
  UINT length = kSentinel;
  EXPECT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904e4\\FileVersion", &value, &length));
  EXPECT_EQ(length, 0u);
  for (size_t i = size; i < block.size(); ++i) EXPECT_EQ(block[i], 0xCC) << i;
}

TEST_F(VersionApiTest, FilesAreReachedThroughTheFileLayer) {
  // Redirection: a 32-bit process under WOW64 reads SysWOW64 when it names system32.
  TempMachine wow64{ConfigFor(winsim::OsWin7(), true)};
  ASSERT_TRUE(Put("C:\\WINDOWS\\SysWOW64\\drivers\\zelbase.sys", BuildPeImage(ImageWithVersion(spec))));
  EXPECT_NE(GetFileVersionInfoSizeA("C:\\WINDOWS\\system32\\drivers\\zelbase.sys", nullptr), 0u);
  PVOID saved = nullptr;
  ASSERT_TRUE(Wow64DisableWow64FsRedirection(&saved));
  SetLastError(kSentinel);
  EXPECT_EQ(GetFileVersionInfoSizeA("C:\\WINDOWS\\system32\\drivers\\zelbase.sys", nullptr), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  ASSERT_TRUE(Wow64RevertWow64FsRedirection(saved));

  // Sharing: a file held open without read sharing cannot be read.
  ASSERT_TRUE(Put("C:\\setup\\held.sys", BuildPeImage(ImageWithVersion(spec))));
  HANDLE held = CreateFileA("C:\\setup\\held.sys", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  SetLastError(kSentinel);
  EXPECT_EQ(GetFileVersionInfoSizeA("C:\\setup\\held.sys", nullptr), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  CloseHandle(held);
}

TEST_F(VersionApiTest, EachCallIsOneLoggedCallAndLeavesNoHandle) {
  const size_t handlesBefore = winsim::OpenHandles();
  winsim::ClearCallLog();
  const DWORD size = GetFileVersionInfoSizeA("C:\\setup\\zelbase.sys", nullptr);
  std::vector<uint8_t> block(size, 0);
  ASSERT_TRUE(GetFileVersionInfoA("C:\\setup\\zelbase.sys", 0, size, block.data()));
  LPVOID value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", &value, &length));
  ASSERT_EQ(winsim::CallLog().size(), 3u);
  EXPECT_EQ(winsim::CallLog()[0].function, "GetFileVersionInfoSizeA");
  EXPECT_EQ(winsim::CallLog()[1].function, "GetFileVersionInfoA");
  EXPECT_EQ(winsim::CallLog()[2].function, "VerQueryValueA");
  EXPECT_EQ(winsim::OpenHandles(), handlesBefore);
}

TEST_F(VersionApiTest, InjectedFaultsFailTheCall) {
  winsim::FailNthCallOf("GetFileVersionInfoSizeA", 1, ERROR_NOT_ENOUGH_MEMORY);
  DWORD handle = 0x55555555;
  EXPECT_EQ(GetFileVersionInfoSizeA("C:\\setup\\zelbase.sys", &handle), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_NE(GetFileVersionInfoSizeA("C:\\setup\\zelbase.sys", &handle), 0u) << "only the first call";
}

}  // namespace
