// AppendBounded: a byte-counted append that never splits a double-byte character of the code page.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "temp_machine.h"
#include "generic/append_bounded.h"

namespace {

using basetdic::AppendBounded;
using winsim::testsupport::ConfigFor;
using winsim::testsupport::TempMachine;

// In code page 932, 0x82 is a lead byte ("\x82\xA0" is one character); in 1252 every byte is a character.
struct AppendCase {
  const char* what;
  UINT codePage;
  const char* destination;
  const char* source;
  size_t count;
  const char* expected;
};

class AppendBoundedTest : public ::testing::TestWithParam<AppendCase> {
 protected:
  TempMachine machine{ConfigFor(winsim::OsWinXp())};
};

TEST_P(AppendBoundedTest, AppendsWholeCharactersWithinTheByteCount) {
  const AppendCase& c = GetParam();
  winsim::SetCodePage(c.codePage);
  char buffer[32];
  memset(buffer, 0xCC, sizeof buffer);
  strcpy(buffer, c.destination);
  EXPECT_EQ(AppendBounded(buffer, c.source, c.count), buffer);
  EXPECT_EQ(std::string(buffer), c.expected);
  // Nothing is written past the terminator.
  size_t end = strlen(c.expected) + 1;
  size_t untouched = std::max(end, strlen(c.destination) + 1);
  for (size_t i = untouched; i < sizeof buffer; ++i) EXPECT_EQ(static_cast<unsigned char>(buffer[i]), 0xCC) << i;
}

INSTANTIATE_TEST_SUITE_P(
    CodePages, AppendBoundedTest,
    ::testing::Values(
        AppendCase{"CountLimitsBytes", 1252, "abc", "defgh", 3, "abcdef"},
        AppendCase{"CountZeroLeavesDestination", 1252, "abc", "def", 0, "abc"},
        AppendCase{"ShortSourceAppendedWhole", 1252, "abc", "de", 10, "abcde"},
        AppendCase{"EmptyDestination", 1252, "", "xyz", 2, "xy"},
        AppendCase{"SingleByteSplitsFreely", 1252, "ab", "\x82\xA0\x82\xA2", 3, "ab\x82\xA0\x82"},
        AppendCase{"SingleByteKeepsTrailing82", 1252, "ab\x82", "cd", 2, "ab\x82" "cd"},
        AppendCase{"DoubleByteCountsBytes", 932, "ab", "\x82\xA0\x82\xA2", 4, "ab\x82\xA0\x82\xA2"},
        AppendCase{"LeadWithoutRoomForTrailIsLeftOut", 932, "ab", "\x82\xA0\x82\xA2", 3, "ab\x82\xA0"},
        AppendCase{"CountOneBeforeLeadCopiesNothing", 932, "ab", "\x82\xA0", 1, "ab"},
        AppendCase{"DanglingLeadIsOverwritten", 932, "ab\x82", "cd", 2, "abcd"},
        AppendCase{"WholeCharacterAtEndStays", 932, "a\x82\xA0", "cd", 2, "a\x82\xA0" "cd"},
        AppendCase{"LeadBeforeTerminatorInSourceIsDropped", 932, "a", "x\x82", 5, "ax"},
        AppendCase{"AsciiUnchangedUnderDoubleByte", 932, "abc", "defgh", 3, "abcdef"}),
    [](const ::testing::TestParamInfo<AppendCase>& info) { return std::string(info.param.what); });

}  // namespace
