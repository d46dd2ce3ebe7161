// What the report says in words: every Windows error the library can meet, the registry's predefined
// keys in failed calls, and texts as JSON carries them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>

#include "report/error_words.h"
#include "report/json_text.h"

namespace {

namespace fs = std::filesystem;

// Every error code winsim defines, in its headers and its sources, by name; the fault sweep injects only
// these.
std::map<std::string, DWORD> WinsimErrorCodes() {
  const std::regex define("#define ((ERROR|RPC_S|WAIT)_[A-Z_]+) ([0-9]+)L");
  std::map<std::string, DWORD> codes;
  for (const auto& entry : fs::recursive_directory_iterator(fs::path(BASETDIC_TEST_SOURCE_DIR) / ".." / "winsim")) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path());
    std::string line;
    std::smatch match;
    while (std::getline(in, line)) {
      if (std::regex_search(line, match, define)) codes[match[1]] = static_cast<DWORD>(std::stoul(match[3]));
    }
  }
  return codes;
}

TEST(ErrorWords, EveryErrorTheLibraryCanMeetHasWords) {
  std::map<std::string, DWORD> codes = WinsimErrorCodes();
  ASSERT_GT(codes.size(), 60u);
  codes.erase("ERROR_SUCCESS");  // no error, and a wait's results
  codes.erase("WAIT_ABANDONED");
  codes.erase("WAIT_FAILED");
  // What Windows and Wine give the library's calls besides: a driver that does not load or is blocked, a
  // 64-bit image in a 32-bit process, an unsigned driver, a disabled service.
  for (DWORD code : {1114u, 193u, 577u, 1275u, 1058u}) codes["Windows " + std::to_string(code)] = code;
  for (const auto& code : codes) {
    SCOPED_TRACE(code.first);
    EXPECT_FALSE(host::OwnErrorWords(code.second).empty());
    EXPECT_EQ(host::ErrorWords(code.second).rfind(std::to_string(code.second) + ", ", 0), 0u);
  }
  EXPECT_EQ(host::ErrorWords(2), "2, the file or key does not exist");
  EXPECT_EQ(host::ErrorWords(4000000), "4000000");
}

TEST(CallArguments, PredefinedKeysShowByName) {
  struct Row {
    const char* logged;
    const char* shown;
  };
  const Row rows[] = {
      {"0xffffffff80000002 \"SYSTEM\\x\" sam=0x20019", "HKLM \"SYSTEM\\x\" sam=0x20019"},
      {"0x80000001 \"Software\"", "HKCU \"Software\""},
      {"FFFFFFFF80000000 NULL", "HKCR NULL"},
      {"0000000080000003 \"x\"", "HKU \"x\""},
      // An opened key, a name that looks like one, a number and a value that is no handle stay as they are.
      {"0x10004 \"Parameters\"", "0x10004 \"Parameters\""},
      {"\"0x80000002\"", "\"0x80000002\""},
      {"size=80000002", "size=80000002"},
      {"0x180000002 x", "0x180000002 x"},
      {"0x80000007", "0x80000007"},
  };
  for (const Row& row : rows) EXPECT_EQ(host::ReadableCallArguments(row.logged), row.shown) << row.logged;
}

TEST(JsonText, ValidUtf8StaysAndOtherBytesShowAsEscapes) {
  struct Row {
    std::string bytes;
    std::string text;
  };
  const Row rows[] = {
      {"C:\\setup", "C:\\setup"},
      {"m\xc3\xbc \xe6\x97\xa5\xe6\x9c\xac", "m\xc3\xbc \xe6\x97\xa5\xe6\x9c\xac"},
      {"\xf0\x9f\x98\x80", "\xf0\x9f\x98\x80"},
      {"bad\xfcname", "bad\\xfcname"},
      {"cut \xe6\x97", "cut \\xe6\\x97"},
      {"\xc0\xaf", "\\xc0\\xaf"},          // overlong
      {"\xed\xa0\x80", "\\xed\\xa0\\x80"},  // a surrogate
      {std::string("nul\0x", 5), std::string("nul\0x", 5)},
  };
  for (const Row& row : rows) EXPECT_EQ(host::JsonText(row.bytes), row.text) << row.bytes;
}

}  // namespace
