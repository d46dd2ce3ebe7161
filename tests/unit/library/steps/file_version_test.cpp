// GetFileVersionNumber: the packing rule, the translation fall-backs, where version.dll comes from, and
// that every call releases what it took.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "pe_image_writer.h"
#include "temp_machine.h"
#include "steps/file_version.h"
#include "winsim/modules.h"

namespace {

using basetdic::GetFileVersionNumber;
using basetdic::PackVersionText;
using namespace winsim::testsupport;

struct PackCase {
  const char* text;
  uint32_t number;
};

// The worked values, then cases at the edges of the rule.
const PackCase kPackCases[] = {
    {"7, 0, 0, 26", 0x0700001A},
    {"1.0.3.5", 0x01000305},
    {"1.0.0.0", 0x01000000},
    {"5.1.2600.0", 0x050B2800},
    {"300.1.1.1", 0x2C010101},
    {"1, 2, 3, 4, 5", 0x02030405},
    {"Ver 2.1 beta", 0x00000201},
    {"3.0 (build 7)", 0x00000307},
    {"abc", 0},
    {"", 0},
    {"5.12.0.0", 0x050C0000},
    {"7", 7},
    {"1.2.", 0x00010200},
    {"4294967295", 0xFFFFFFFF},  // a field wraps modulo 2^32, it is not clipped
    {"4294967296", 0},           // 2^32 wraps to 0
    {"1..2", 0x00010002},        // an empty field is 0
    {"1,,2", 0x00010002},
    {"\xB2.\xB3", 0x00000000},       // superscript digits are no digits
    {"6.0.6002.18005", 0x0617B855},  // fields above 255 carry into the bytes above
};

TEST(PackVersionText, FollowsThePackingRule) {
  for (const PackCase& row : kPackCases) EXPECT_EQ(PackVersionText(row.text, 1000), row.number) << row.text;
  EXPECT_LT(PackVersionText("5.1.2600.0", 100), PackVersionText("5.12.0.0", 100));
  EXPECT_EQ(PackVersionText("1.2.3.4", 3), 0x00000102u) << "reads no further than told";
  EXPECT_EQ(PackVersionText(nullptr, 10), 0u);
}

class FileVersionTest : public ::testing::Test {
 protected:
  TempMachine machine{ConfigFor(winsim::OsWinXp())};

  static bool Put(const std::string& windowsPath, const VersionInfoSpec& spec) {
    const auto image = BuildPeImage(ImageWithVersion(spec, PeMachine::I386, PeKind::Driver));
    return winsim::WriteHostFile(windowsPath, std::string(image.begin(), image.end()));
  }

  // Every call loads version.dll and frees it again, and keeps no handle or heap block.
  void TearDown() override {
    const winsim::ModuleUsage usage = winsim::UsageOf("version.dll");
    EXPECT_EQ(usage.loads, usage.frees);
    EXPECT_FALSE(usage.loaded);
    EXPECT_EQ(winsim::OpenHandles(), 0u);
    size_t allocations = 0, releases = 0;
    for (const winsim::CallRecord& call : winsim::CallLog()) {
      const bool faulted = call.arguments.find("injected fault") != std::string::npos;
      allocations += call.function == "HeapAlloc" && !faulted;
      releases += call.function == "HeapFree";
    }
    EXPECT_EQ(allocations, releases);
  }
};

TEST_F(FileVersionTest, WorkedValuesReadFromFiles) {
  for (const PackCase& row : kPackCases) {
    ASSERT_TRUE(Put("C:\\setup\\zelbase.sys", SimpleVersionInfo(row.text)));
    EXPECT_EQ(GetFileVersionNumber("C:\\setup\\zelbase.sys"), row.number) << row.text;
  }
}

// The number the copy compares, and the text and pair a reader of linked functions (as the host's) hands
// over for the same file: the host shows what the library compared.
TEST_F(FileVersionTest, TranslationFallBacks) {
  struct Row {
    const char* what;
    std::vector<std::pair<uint16_t, uint16_t>> pairs;
    std::vector<VersionStringTable> tables;
    uint32_t number;
    const char* text;  // null: no pair supplies one
    int pair;
  };
  const VersionStringTable us = {0x0409, 0x04E4, {{"FileVersion", "1.0.3.5"}}, {}};
  const VersionStringTable german = {0x0407, 0x04B0, {{"FileVersion", "2.0.0.0"}}, {}};
  const VersionStringTable germanWithout = {0x0407, 0x04B0, {{"ProductVersion", "9.9.9.9"}}, {}};
  const VersionStringTable neutral = {0x8000, 0x0000, {{"FileVersion", "3.0.0.0"}}, {}};
  const Row rows[] = {
      {"0x8000 reads the US English 1252 table", {{0x8000, 0x0000}}, {us, neutral}, 0x01000305, "1.0.3.5", 0},
      {"any id from 0x8000 up", {{0xFFFF, 0x1234}}, {us}, 0x01000305, "1.0.3.5", 0},
      {"the first pair with the string wins", {{0x0407, 0x04B0}, {0x0409, 0x04E4}}, {us, german}, 0x02000000,
       "2.0.0.0", 0},
      {"a table without the string is passed over",
       {{0x0407, 0x04B0}, {0x0409, 0x04E4}},
       {germanWithout, us},
       0x01000305,
       "1.0.3.5",
       1},
      {"a pair without a table is passed over", {{0x0411, 0x03A4}, {0x0407, 0x04B0}}, {german}, 0x02000000,
       "2.0.0.0", 1},
      {"no pair finds the string", {{0x0407, 0x04B0}}, {us, germanWithout}, 0, nullptr, -1},
      {"0x8000 without a US English table", {{0x8000, 0x0000}}, {neutral}, 0, nullptr, -1},
      {"an empty table", {}, {us}, 0, nullptr, -1},
  };
  const basetdic::VersionReader linked({&GetFileVersionInfoSizeA, &GetFileVersionInfoA, &VerQueryValueA});
  for (const Row& row : rows) {
    VersionInfoSpec spec;
    spec.translations = row.pairs;
    spec.stringTables = row.tables;
    ASSERT_TRUE(Put("C:\\setup\\zelbase.sys", spec));
    EXPECT_EQ(GetFileVersionNumber("C:\\setup\\zelbase.sys"), row.number) << row.what;
    const basetdic::FileVersion version = linked.ReadVersion("C:\\setup\\zelbase.sys");
    EXPECT_TRUE(version.HasResource()) << row.what;
    EXPECT_EQ(version.Packed(), row.number) << row.what;
    EXPECT_EQ(version.Pair(), row.pair) << row.what;
    EXPECT_EQ(version.Text() ? std::string(version.Text(), strnlen(version.Text(), version.TextLength())) : "(none)",
              row.text ? row.text : "(none)")
        << row.what;
    DWORD ms = 0, ls = 0;
    EXPECT_TRUE(version.FixedFileVersion(&ms, &ls)) << row.what;
  }
}

TEST_F(FileVersionTest, FilesWithoutAUsableVersion) {
  VersionInfoSpec noTranslation = SimpleVersionInfo("1.0.0.0");
  noTranslation.withVarFileInfo = false;
  ASSERT_TRUE(Put("C:\\setup\\notranslation.sys", noTranslation));
  PeImageSpec plain;
  plain.withCode = true;
  const auto plainImage = BuildPeImage(plain);
  ASSERT_TRUE(winsim::WriteHostFile("C:\\setup\\plain.sys", std::string(plainImage.begin(), plainImage.end())));
  ASSERT_TRUE(winsim::WriteHostFile("C:\\setup\\readme.txt", "1.2.3.4"));
  for (const char* path : {"C:\\setup\\notranslation.sys", "C:\\setup\\plain.sys", "C:\\setup\\readme.txt",
                           "C:\\setup\\missing.sys", "", "C:\\setup"})
    EXPECT_EQ(GetFileVersionNumber(path), 0u) << path;
  EXPECT_EQ(GetFileVersionNumber(nullptr), 0u);
}

// Text of 127 characters and more: the whole text is packed, so its last four fields decide.
TEST_F(FileVersionTest, LongFileVersionTextsArePackedWhole) {
  struct Row {
    std::string text;
    uint32_t number;
  };
  std::string ones;
  while (ones.size() < 200) ones += "1.";
  const Row rows[] = {
      {std::string(123, ' ') + "1.2.3.4", 0x01020304},    // 130 characters
      {"9.8.7.6" + std::string(120, ' '), 0x09080706},    // exactly 127
      {"9.8.7.6" + std::string(121, 'x'), 0x09080706},    // exactly 128
      {ones + "5.6.7.8", 0x05060708},                     // the leading fields are shifted out
      {std::string(126, '0') + "5", 5},                   // one field of 127 digits
      {std::string(20000, '.') + "4.3.2.1", 0x04030201},  // as long as a resource string gets
  };
  for (const Row& row : rows) {
    ASSERT_TRUE(Put("C:\\setup\\zelbase.sys", SimpleVersionInfo(row.text)));
    EXPECT_EQ(GetFileVersionNumber("C:\\setup\\zelbase.sys"), row.number) << row.text.size() << " characters";
  }
}

TEST_F(FileVersionTest, VersionDllComesFromTheSystemFolderNotBesideTheHost) {
  ASSERT_TRUE(winsim::WriteHostFile("C:\\setup\\version.dll", "MZ planted"));
  ASSERT_TRUE(Put("C:\\setup\\zelbase.sys", SimpleVersionInfo("7, 0, 0, 26")));
  EXPECT_EQ(GetFileVersionNumber("C:\\setup\\zelbase.sys"), 0x0700001Au);
  EXPECT_TRUE(winsim::StandInCalls().empty());
  EXPECT_EQ(winsim::UsageOf("C:\\setup\\version.dll").loads, 0u);
  EXPECT_EQ(winsim::UsageOf("version.dll").loads, 1u);
  bool loadedByPath = false;
  for (const winsim::CallRecord& call : winsim::CallLog())
    if (call.function == "LoadLibraryA") loadedByPath = call.arguments == "\"C:\\WINDOWS\\system32\\version.dll\"";
  EXPECT_TRUE(loadedByPath);
}

TEST_F(FileVersionTest, MissingVersionFunctionsGiveNoVersion) {
  ASSERT_TRUE(Put("C:\\setup\\zelbase.sys", SimpleVersionInfo("7, 0, 0, 26")));
  for (const char* function : {"GetFileVersionInfoSizeA", "GetFileVersionInfoA", "VerQueryValueA"}) {
    TempMachine fresh{ConfigFor(winsim::OsWinXp())};
    ASSERT_TRUE(Put("C:\\setup\\zelbase.sys", SimpleVersionInfo("7, 0, 0, 26")));
    winsim::RemoveExport("version.dll", function);
    winsim::ClearCallLog();
    EXPECT_EQ(GetFileVersionNumber("C:\\setup\\zelbase.sys"), 0u) << function;
    for (const winsim::CallRecord& call : winsim::CallLog())
      EXPECT_NE(call.function, "GetFileVersionInfoSizeA") << "nothing is called until all three are found";
    const winsim::ModuleUsage usage = winsim::UsageOf("version.dll");
    EXPECT_EQ(usage.loads, 1u);
    EXPECT_EQ(usage.frees, 1u);
  }
}

TEST_F(FileVersionTest, FailuresOnTheWayGiveNoVersion) {
  ASSERT_TRUE(Put("C:\\setup\\zelbase.sys", SimpleVersionInfo("7, 0, 0, 26")));
  struct Row {
    const char* function;
    unsigned nth;
  };
  const Row rows[] = {
      {"GetSystemDirectoryA", 1}, {"LoadLibraryA", 1},        {"GetFileVersionInfoSizeA", 1},
      {"HeapAlloc", 1},           {"GetFileVersionInfoA", 1}, {"VerQueryValueA", 1},
  };
  for (const Row& row : rows) {
    winsim::FailNthCallOf(row.function, row.nth, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(GetFileVersionNumber("C:\\setup\\zelbase.sys"), 0u) << row.function;
    winsim::ClearFaults();
  }
  // With the FileVersion query alone failing, the next pair is tried.
  VersionInfoSpec twoPairs = SimpleVersionInfo("1.0.0.0");
  twoPairs.stringTables.push_back({0x0407, 0x04B0, {{"FileVersion", "2.0.0.0"}}, {}});
  twoPairs.translations.push_back({0x0407, 0x04B0});
  ASSERT_TRUE(Put("C:\\setup\\zelbase.sys", twoPairs));
  winsim::FailNthCallOf("VerQueryValueA", 2, ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(GetFileVersionNumber("C:\\setup\\zelbase.sys"), 0x02000000u);

  winsim::FailDllLoad("version.dll", ERROR_MOD_NOT_FOUND);
  EXPECT_EQ(GetFileVersionNumber("C:\\setup\\zelbase.sys"), 0u);
}

}  // namespace
