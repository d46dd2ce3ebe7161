// The registry as a REGEDIT5 file: every value's type and exact bytes survive a save and a load, the text
// is what regedit writes for the plain cases, and hand edits are read or refused by line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "temp_machine.h"
#include "winsim/persistence.h"
#include "winsim/registry.h"

namespace {

using winsim::RegValue;
using winsim::testsupport::TempMachine;

const std::string kKey = "HKLM\\SOFTWARE\\Probe";

std::string Bytes(const char* text, size_t size) { return std::string(text, size); }

struct ValueCase {
  const char* what;
  std::string name;
  DWORD type;
  std::string data;
  const char* line;  // the line expected in the file, or null when only the round trip matters
};

std::vector<ValueCase> ValueCases() {
  return {
      {"text with terminator", "plain", REG_SZ, Bytes("text\0", 5), "\"plain\"=\"text\""},
      {"text without terminator", "noterm", REG_SZ, "System32\\DRIVERS\\x.sy", nullptr},
      {"text with two terminators", "twozeros", REG_SZ, Bytes("ab\0\0", 4), "\"twozeros\"=hex(1):61,62,00,00"},
      {"text with a byte above 0x7f", "latin", REG_SZ, Bytes("caf\xe9\0", 5), "\"latin\"=hex(1):63,61,66,e9,00"},
      {"empty REG_SZ", "emptysz", REG_SZ, "", "\"emptysz\"=hex(1):"},
      {"terminator only", "zerosz", REG_SZ, Bytes("\0", 1), "\"zerosz\"=\"\""},
      {"quotes and backslashes in text", "quoted", REG_SZ, Bytes("a\"b\\c\0", 6), "\"quoted\"=\"a\\\"b\\\\c\""},
      {"expand text", "expand", REG_EXPAND_SZ, Bytes("%SystemRoot%\\x\0", 15), nullptr},
      {"multi text", "multi", REG_MULTI_SZ, Bytes("Tcpip\0NetBT\0\0", 13), nullptr},
      {"empty multi text", "multiempty", REG_MULTI_SZ, "", "\"multiempty\"=hex(7):"},
      {"multi text of two zeros", "multizeros", REG_MULTI_SZ, Bytes("\0\0", 2), "\"multizeros\"=hex(7):00,00"},
      {"dword", "dword", REG_DWORD, Bytes("\x02\0\0\0", 4), "\"dword\"=dword:00000002"},
      {"dword high bit", "dwordhigh", REG_DWORD, Bytes("\xff\xff\xff\xff", 4), "\"dwordhigh\"=dword:ffffffff"},
      {"dword of three bytes", "short", REG_DWORD, Bytes("\x01\x02\x03", 3), "\"short\"=hex(4):01,02,03"},
      {"dword of no bytes", "nodword", REG_DWORD, "", "\"nodword\"=hex(4):"},
      {"dword of five bytes", "longdword", REG_DWORD, Bytes("\1\2\3\4\5", 5), "\"longdword\"=hex(4):01,02,03,04,05"},
      {"REG_NONE empty", "none", REG_NONE, "", "\"none\"=hex(0):"},
      {"REG_NONE with bytes", "nonebytes", REG_NONE, Bytes("\0\1", 2), "\"nonebytes\"=hex(0):00,01"},
      {"binary", "binary", REG_BINARY, Bytes("\xde\xad\xbe\xef", 4), "\"binary\"=hex:de,ad,be,ef"},
      {"long binary over several lines", "long", REG_BINARY, std::string(100, '\x5a'), nullptr},
      {"qword", "qword", REG_QWORD, Bytes("\1\0\0\0\0\0\0\0", 8), "\"qword\"=hex(b):01,00,00,00,00,00,00,00"},
      {"unknown type", "odd", 0x12345678, "xy", "\"odd\"=hex(12345678):78,79"},
      {"default value", "", REG_SZ, Bytes("dflt\0", 5), "@=\"dflt\""},
      {"value named @", "@", REG_SZ, Bytes("at\0", 3), "\"@\"=\"at\""},
      {"name with quotes and backslashes", "a\"b\\c", REG_DWORD, Bytes("\7\0\0\0", 4), "\"a\\\"b\\\\c\"=dword:00000007"},
      {"name that looks like data", "x\"=hex:00", REG_BINARY, Bytes("\1", 1), "\"x\\\"=hex:00\"=hex:01"},
      {"name with = and ]", "k=v]", REG_SZ, Bytes("v\0", 2), nullptr},
  };
}

void PutAll(const std::vector<ValueCase>& cases) {
  for (const ValueCase& value : cases) winsim::RegPutValue(kKey, value.name, value.type, value.data);
}

// Boots a fresh machine, loads text and checks every case survived with type and exact bytes.
void ExpectAllBack(const std::string& text, const std::vector<ValueCase>& cases) {
  TempMachine fresh;
  std::string error;
  ASSERT_TRUE(winsim::RegistryFromRegText(text, &error)) << error;
  std::vector<RegValue> values = winsim::RegValues(kKey);
  ASSERT_EQ(values.size(), cases.size());
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].what);
    EXPECT_EQ(values[i].name, cases[i].name);  // names and their order
    EXPECT_EQ(values[i].type, cases[i].type);
    EXPECT_EQ(values[i].data, cases[i].data);
  }
}

TEST(RegFile, EveryTypeAndExactBytesSurviveSaveAndLoad) {
  std::vector<ValueCase> cases = ValueCases();
  std::string text;
  {
    TempMachine machine;
    PutAll(cases);
    text = winsim::RegistryToRegText();
  }
  ExpectAllBack(text, cases);
}

TEST(RegFile, WritesRegeditLinesForThePlainCases) {
  TempMachine machine;
  std::vector<ValueCase> cases = ValueCases();
  PutAll(cases);
  std::string text = winsim::RegistryToRegText();
  EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\n\n", 0), 0u);
  EXPECT_NE(text.find("\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Probe]\n"), std::string::npos);
  for (const ValueCase& value : cases) {
    if (value.line) EXPECT_NE(text.find(std::string("\n") + value.line + "\n"), std::string::npos) << value.what;
  }
  // A 22-byte text without terminator is not mistaken for text: it goes out as hex(1) bytes.
  EXPECT_NE(text.find("\"noterm\"=hex(1):53,79,73,74,65,6d,33,32,5c"), std::string::npos);
}

TEST(RegFile, LongHexWrapsLikeRegeditAndNoLinePassesEightyColumns) {
  TempMachine machine;
  winsim::RegPutValue(kKey, "long", REG_BINARY, std::string(100, '\x5a'));
  std::string text = winsim::RegistryToRegText();
  EXPECT_NE(text.find(",\\\n  5a,"), std::string::npos);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    EXPECT_LE(end - start, 80u) << text.substr(start, end - start);
    start = end + 1;
  }
}

TEST(RegFile, EmptyKeysAndKeyNamesSurvive) {
  std::string text;
  {
    TempMachine machine;
    winsim::RegPutKey("HKLM\\SOFTWARE\\Empty Key [1]\\Leaf");
    winsim::RegPutKey("HKCU\\Software\\MixedCase");
    winsim::RegRemoveTree("HKLM\\SOFTWARE\\Microsoft");  // a standard key that is gone stays gone
    text = winsim::RegistryToRegText();
  }
  TempMachine fresh;
  std::string error;
  ASSERT_TRUE(winsim::RegistryFromRegText(text, &error)) << error;
  EXPECT_TRUE(winsim::RegKeyExists("HKLM\\SOFTWARE\\Empty Key [1]\\Leaf"));
  EXPECT_EQ(winsim::RegSubkeys("HKCU\\Software"), std::vector<std::string>{"MixedCase"});
  EXPECT_FALSE(winsim::RegKeyExists("HKLM\\SOFTWARE\\Microsoft"));
}

TEST(RegFile, ReadsWhatAPersonEdits) {
  TempMachine machine;
  winsim::RegPutDword("HKLM\\SOFTWARE\\Old", "gone", 1);
  std::string text =
      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
      "\r\n"
      "; a comment\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Edited]\r\n"
      "\"list\"=hex(7):41,00,\\\r\n"
      "   42,00,00\r\n"
      "\"number\" = dword:2a\r\n"
      "\"removed\"=-\r\n"
      "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Edited\\Sub]\r\n";
  std::string error;
  ASSERT_TRUE(winsim::RegistryFromRegText(text, &error)) << error;
  RegValue value;
  ASSERT_TRUE(winsim::RegGetValue("HKLM\\SOFTWARE\\Edited", "list", &value));
  EXPECT_EQ(value.type, static_cast<DWORD>(REG_MULTI_SZ));
  EXPECT_EQ(value.data, Bytes("A\0B\0\0", 5));
  ASSERT_TRUE(winsim::RegGetValue("HKLM\\SOFTWARE\\Edited", "number", &value));
  EXPECT_EQ(winsim::DwordOf(value.data), 42u);
  // The file is the whole registry: what it does not hold is gone.
  EXPECT_FALSE(winsim::RegKeyExists("HKLM\\SOFTWARE\\Old"));
}

TEST(RegFile, ReadsUtf16ExportsAndRegedit4) {
  TempMachine machine;
  std::string narrow = "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\W]\r\n\"v\"=\"w\"\r\n";
  std::string wide = "\xFF\xFE";
  for (char c : narrow) wide += std::string{c, '\0'};
  std::string error;
  ASSERT_TRUE(winsim::RegistryFromRegText(wide, &error)) << error;
  RegValue value;
  ASSERT_TRUE(winsim::RegGetValue("HKCU\\Software\\W", "v", &value));
  EXPECT_EQ(value.data, Bytes("w\0", 2));
}

TEST(RegFile, RefusesMalformedLinesAndKeepsTheRegistry) {
  struct Bad {
    const char* text;
    const char* line;  // "line N" expected in the message
  };
  const Bad cases[] = {
      {"no header\n", "line 1"},
      {"Windows Registry Editor Version 5.00\n\"v\"=\"orphan\"\n", "line 2"},
      {"Windows Registry Editor Version 5.00\n[HKEY_NOWHERE\\x]\n", "line 2"},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\x]\n\"v\"=dword:123456789\n", "line 3"},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\x]\n\"v\"=hex:1,zz\n", "line 3"},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\x]\n\"v\"=hex(7:00\n", "line 3"},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\x]\n\"v\"=\"unclosed\n", "line 3"},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\x]\n\"v\"=text\n", "line 3"},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\x]\nv=\"w\"\n", "line 3"},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\x]\n\"v\"=hex:00,\n", "line 3"},
  };
  for (const Bad& bad : cases) {
    SCOPED_TRACE(bad.text);
    TempMachine machine;
    winsim::RegPutDword("HKLM\\SOFTWARE\\Kept", "v", 5);
    std::string error = "unset";
    EXPECT_FALSE(winsim::RegistryFromRegText(bad.text, &error));
    EXPECT_NE(error.find(bad.line), std::string::npos) << error;
    RegValue value;
    EXPECT_TRUE(winsim::RegGetValue("HKLM\\SOFTWARE\\Kept", "v", &value));
  }
}

}  // namespace
