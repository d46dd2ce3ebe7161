// ReadProductDataPath: the backslash rule, and values that are missing, unreadable or too long.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "temp_machine.h"
#include "steps/product_data_path.h"
#include "winsim/registry.h"

namespace {

using basetdic::ReadProductDataPath;
using winsim::testsupport::TempMachine;

const char kKey[] = "HKLM\\SOFTWARE\\Qandor\\zel";
constexpr char kFiller = '#';
constexpr size_t kGuard = 16;  // filler bytes behind the capacity that nothing may touch

// A caller's buffer: capacity bytes starting as given, then guard bytes.
struct Buffer {
  Buffer(int32_t capacity, char initial) : capacity(capacity), bytes(capacity + kGuard, kFiller) {
    std::memset(bytes.data(), initial, capacity);
  }
  char* data() { return bytes.data(); }
  std::string Text() const { return std::string(bytes.data(), strnlen(bytes.data(), capacity)); }
  bool Terminated() const { return strnlen(bytes.data(), capacity) < static_cast<size_t>(capacity); }
  bool GuardIntact() const {
    for (size_t i = capacity; i < bytes.size(); ++i)
      if (bytes[i] != kFiller) return false;
    return true;
  }
  int32_t capacity;
  std::vector<char> bytes;
};

class ProductDataPathTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(winsim::OpenHandles(winsim::HandleKind::Key), 0u); }
  TempMachine machine;
};

struct ValueCase {
  const char* what;
  DWORD type;
  std::string data;  // the exact bytes stored
  int32_t capacity;
  std::string text;  // the buffer's text afterwards
};

TEST_F(ProductDataPathTest, AppendsOneBackslashToWhatFits) {
  const std::string long258(258, 'x');
  const std::string long259(259, 'x');
  const ValueCase cases[] = {
      {"a folder", REG_SZ, std::string("C:\\Data\0", 8), 260, "C:\\Data\\"},
      {"a folder ending in a backslash", REG_SZ, std::string("C:\\Data\\\0", 9), 260, "C:\\Data\\\\"},
      {"stored without terminator", REG_SZ, "C:\\Data", 260, "C:\\Data\\"},
      {"expandable text is taken as it is", REG_EXPAND_SZ, std::string("%DATA%\0", 7), 260, "%DATA%\\"},
      {"the type is not examined", REG_BINARY, "D:\\x", 260, "D:\\x\\"},
      {"258 characters: the backslash fits", REG_SZ, long258 + '\0', 260, long258 + "\\"},
      {"259 characters: no room for the backslash", REG_SZ, long259 + '\0', 260, ""},
      {"longer than the buffer", REG_SZ, std::string(300, 'y') + '\0', 260, ""},
      {"exactly the buffer without terminator", REG_BINARY, std::string(16, 'z'), 16, ""},
      {"empty text", REG_SZ, std::string(1, '\0'), 260, ""},
      {"no data at all", REG_SZ, "", 260, ""},
      {"a small buffer", REG_SZ, std::string("C:\\D\0", 5), 6, "C:\\D\\"},
      {"one byte short", REG_SZ, std::string("C:\\D\0", 5), 5, ""},
  };
  for (const ValueCase& row : cases) {
    SCOPED_TRACE(row.what);
    winsim::RegPutValue(kKey, "datapath", row.type, row.data);
    for (char initial : {'\0', 'Q'}) {
      Buffer buffer(row.capacity, initial);
      EXPECT_EQ(ReadProductDataPath("zel", buffer.data(), row.capacity), static_cast<int32_t>(row.text.size()));
      EXPECT_EQ(buffer.Text(), row.text);
      EXPECT_TRUE(buffer.Terminated());
      EXPECT_TRUE(buffer.GuardIntact());
    }
  }
}

TEST_F(ProductDataPathTest, AMissingValueCountsAsMissing) {
  winsim::RegPutKey(kKey);
  winsim::RegPutString(kKey, "other", "C:\\Other");
  Buffer buffer(260, 'Q');
  EXPECT_EQ(ReadProductDataPath("zel", buffer.data(), 260), 0);
  EXPECT_EQ(buffer.Text(), "");
  EXPECT_TRUE(buffer.GuardIntact());
}

TEST_F(ProductDataPathTest, AKeyThatCannotBeOpenedLeavesTheBufferAsItWas) {
  winsim::RegPutString("HKLM\\SOFTWARE\\Qandor\\other", "datapath", "C:\\Other");
  Buffer zeroed(260, '\0');
  EXPECT_EQ(ReadProductDataPath("zel", zeroed.data(), 260), 0);
  EXPECT_EQ(zeroed.Text(), "");

  Buffer handedIn(260, '\0');
  std::strcpy(handedIn.data(), "kept");
  EXPECT_EQ(ReadProductDataPath("zel", handedIn.data(), 260), 4);
  EXPECT_EQ(handedIn.Text(), "kept");

  // A product key too long for the key path is never looked up.
  winsim::ClearCallLog();
  Buffer longKey(260, '\0');
  EXPECT_EQ(ReadProductDataPath(std::string(244, 'k').c_str(), longKey.data(), 260), 0);
  for (const winsim::CallRecord& call : winsim::CallLog()) EXPECT_NE(call.function, "RegOpenKeyExA");
  EXPECT_EQ(ReadProductDataPath(std::string(243, 'k').c_str(), longKey.data(), 260), 0);
  bool opened = false;
  for (const winsim::CallRecord& call : winsim::CallLog()) opened |= call.function == "RegOpenKeyExA";
  EXPECT_TRUE(opened) << "243 characters still make a key path of 259";
}

TEST_F(ProductDataPathTest, NullArgumentsTouchNothing) {
  winsim::RegPutString(kKey, "datapath", "C:\\Data");
  winsim::ClearCallLog();
  Buffer buffer(260, 'Q');
  EXPECT_EQ(ReadProductDataPath(nullptr, buffer.data(), 260), 0);
  EXPECT_EQ(ReadProductDataPath("zel", nullptr, 260), 0);
  EXPECT_EQ(ReadProductDataPath("zel", buffer.data(), 0), 0);
  EXPECT_EQ(ReadProductDataPath("zel", buffer.data(), -5), 0);
  EXPECT_TRUE(winsim::CallLog().empty());
  EXPECT_EQ(buffer.bytes, Buffer(260, 'Q').bytes);
}

TEST_F(ProductDataPathTest, OpensTheKeyForReadingAndReadsTheValueWithTheCapacity) {
  winsim::RegPutString(kKey, "datapath", "C:\\Data");
  winsim::ClearCallLog();
  Buffer buffer(100, '\0');
  EXPECT_EQ(ReadProductDataPath("zel", buffer.data(), 100), 8);
  std::vector<std::string> calls;
  for (const winsim::CallRecord& call : winsim::CallLog())
    if (call.function.rfind("Reg", 0) == 0) calls.push_back(call.function);
  EXPECT_EQ(calls, (std::vector<std::string>{"RegOpenKeyExA", "RegQueryValueExA", "RegCloseKey"}));
}

TEST_F(ProductDataPathTest, AFailedQueryCountsAsMissing) {
  winsim::RegPutString(kKey, "datapath", "C:\\Data");
  winsim::FailNthCallOf("RegQueryValueExA", 1, ERROR_ACCESS_DENIED);
  Buffer buffer(260, 'Q');
  EXPECT_EQ(ReadProductDataPath("zel", buffer.data(), 260), 0);
  EXPECT_EQ(buffer.Text(), "");
}

}  // namespace
