// The bounded text helpers: every write fits with its terminator or is refused leaving the buffer empty;
// the truncating forms say so in their name; filler bytes behind the buffer are never touched.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "generic/bounded_text.h"
#include "generic/win_handles.h"
#include "temp_machine.h"

namespace {

using namespace basetdic;

// An 8-byte buffer with four filler bytes behind it.
struct Guarded {
  char bytes[12];
  Guarded() { memset(bytes, 0x5a, sizeof bytes); }
  char* buffer() { return bytes; }
  std::string text() const { return std::string(bytes, strnlen(bytes, 8)); }
  bool zeroBehindText() const {
    for (size_t i = strnlen(bytes, 8); i < 8; ++i)
      if (bytes[i] != 0) return false;
    return true;
  }
  bool fillerIntact() const { return memcmp(bytes + 8, "\x5a\x5a\x5a\x5a", 4) == 0; }
};

TEST(BoundedText, CopyAppendAndFormatFitOrLeaveTheBufferEmpty) {
  struct Row {
    const char* label;
    bool (*write)(char*);
    bool fits;
    const char* text;
  } rows[] = {
      {"copy 7", [](char* b) { return CopyText(b, 8, "1234567"); }, true, "1234567"},
      {"copy 8", [](char* b) { return CopyText(b, 8, "12345678"); }, false, ""},
      {"copy null", [](char* b) { return CopyText(b, 8, nullptr); }, true, ""},
      {"append to fit", [](char* b) { return CopyText(b, 8, "abc") && AppendText(b, 8, "defg"); }, true, "abcdefg"},
      {"append past", [](char* b) { return CopyText(b, 8, "abc") && AppendText(b, 8, "defgh"); }, false, ""},
      {"format fits", [](char* b) { return FormatText(b, 8, "%s\\%d", "ab", 123); }, true, "ab\\123"},
      {"format past", [](char* b) { return FormatText(b, 8, "%s%s", "abcd", "efgh"); }, false, ""},
      {"prefix", [](char* b) { return CopyTextPrefix(b, 8, "C:\\setup\\x", 7); }, true, "C:\\setu"},
      {"prefix past", [](char* b) { return CopyTextPrefix(b, 8, "C:\\setup\\x", 8); }, false, ""},
      {"prefix of short", [](char* b) { return CopyTextPrefix(b, 8, "ab", 7); }, true, "ab"},
      {"zero capacity", [](char* b) { return CopyText(b, 0, ""); }, false, "\x5a\x5a\x5a\x5a\x5a\x5a\x5a\x5a"},
  };
  for (const Row& row : rows) {
    Guarded guarded;
    EXPECT_EQ(row.write(guarded.buffer()), row.fits) << row.label;
    EXPECT_EQ(guarded.text(), row.text) << row.label;
    if (strcmp(row.label, "zero capacity") != 0) EXPECT_TRUE(guarded.zeroBehindText()) << row.label;
    EXPECT_TRUE(guarded.fillerIntact()) << row.label;
  }
}

TEST(BoundedText, TruncatingFormsKeepWhatFits) {
  Guarded copy;
  CopyTextTruncated(copy.buffer(), 8, "123456789");
  EXPECT_EQ(copy.text(), "1234567");
  EXPECT_TRUE(copy.fillerIntact());
  Guarded empty;
  CopyTextTruncated(empty.buffer(), 8, nullptr);
  EXPECT_EQ(empty.text(), "");
  EXPECT_TRUE(empty.zeroBehindText());
  char message[8];
  struct Local {
    static void Format(char* buffer, const char* format, ...) {
      va_list args;
      va_start(args, format);
      FormatTextTruncatedV(buffer, 8, format, args);
      va_end(args);
    }
  };
  Local::Format(message, "%d-%s", 42, "abcdefgh");
  EXPECT_STREQ(message, "42-abcd");
}

TEST(BoundedText, TextBufferReportsFitAndSize) {
  TextBuffer<8> buffer;
  EXPECT_TRUE(buffer.empty());
  EXPECT_TRUE(buffer.Assign("abc"));
  EXPECT_TRUE(buffer.Append("defg"));
  EXPECT_EQ(buffer.size(), 7u);
  EXPECT_FALSE(buffer.Append("h"));
  EXPECT_TRUE(buffer.empty()) << "a refused write leaves nothing behind";
  EXPECT_TRUE(buffer.Format("%03d", 7));
  EXPECT_STREQ(buffer.c_str(), "007");
  buffer.AssignTruncated("0123456789");
  EXPECT_STREQ(buffer.c_str(), "0123456");
  EXPECT_EQ(PathBuffer::kCapacity, 260u);
}

// Closing a handle keeps the error of the call that failed before it; moving hands ownership over once.
TEST(WinHandles, CloseOnScopeEndKeepsTheLastErrorAndMovesOwnership) {
  winsim::testsupport::TempMachine machine;
  ASSERT_TRUE(winsim::WriteHostFile("C:\\f.txt", "x"));
  {
    UniqueFile file(CreateFileA("C:\\f.txt", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file.valid());
    UniqueFile moved(std::move(file));
    EXPECT_FALSE(file.valid());
    EXPECT_EQ(winsim::OpenHandles(winsim::HandleKind::File), 1u);
    SetLastError(1234);
  }
  EXPECT_EQ(GetLastError(), 1234u);
  EXPECT_EQ(winsim::OpenHandles(), 0u);
  UniqueFile invalid(INVALID_HANDLE_VALUE);
  EXPECT_FALSE(invalid);
  UniqueKey key;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, key.put()), ERROR_SUCCESS);
  EXPECT_EQ(winsim::OpenHandles(winsim::HandleKind::Key), 1u);
  HKEY raw = key.release();
  EXPECT_FALSE(key.valid());
  key.reset(raw);
  key.reset();
  EXPECT_EQ(winsim::OpenHandles(), 0u);
}

}  // namespace
