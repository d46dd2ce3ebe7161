// What the host tells a person: registry data as text, lines that fit 80 columns, the comparison of two
// snapshots, and the collapsing of key paths in the change report.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "observe/changes.h"
#include "report/changes_text.h"
#include "report/text_layout.h"
#include "report/value_text.h"

namespace {

using host::ChangeKind;
using host::Changes;
using host::Compare;
using host::FileState;
using host::RegistryKeyState;
using host::RegistryValueState;
using host::ServiceState;
using host::Snapshot;

std::string Bytes(const char* text, size_t size) { return std::string(text, size); }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

TEST(RegistryDataText, ShowsWhatTheBytesAre) {
  struct Row {
    DWORD type;
    std::string data;
    const char* shown;
  };
  const Row rows[] = {
      {REG_SZ, Bytes("abc\0", 4), "\"abc\""},
      {REG_SZ, "abc", "\"abc\" (3 bytes, no terminator)"},
      {REG_EXPAND_SZ, Bytes("%x%\0", 4), "\"%x%\""},
      {REG_SZ, Bytes("a\0b\0", 4), "61 00 62 00 (4 bytes)"},
      {REG_SZ, Bytes("tab\there\0", 9), "\"tab\\x09here\""},
      {REG_MULTI_SZ, Bytes("Tcpip\0NDIS\0\0", 12), "\"Tcpip\", \"NDIS\""},
      {REG_MULTI_SZ, "", "(empty list, 0 bytes)"},
      {REG_MULTI_SZ, Bytes("\0", 1), "(empty list, 1 byte)"},
      {REG_MULTI_SZ, Bytes("Tcpip\0", 6), "54 63 70 69 70 00 (6 bytes)"},
      {REG_DWORD, Bytes("\x02\0\0\0", 4), "0x00000002 (2)"},
      {REG_DWORD, Bytes("\x00\x00\x00\x80", 4), "0x80000000 (2147483648)"},
      {REG_DWORD, Bytes("\x02\0\0", 3), "02 00 00 (3 bytes)"},
      {REG_BINARY, "", "(no data)"},
      {REG_NONE, Bytes("\xff", 1), "ff (1 byte)"},
  };
  for (const Row& row : rows) EXPECT_EQ(host::RegistryDataText(row.type, row.data), row.shown);
}

TEST(TextLayout, WrapsAtBlanksUnderAHangingIndentAndCutsOnlyWordsTooLongForALine) {
  std::string words;
  for (int i = 0; i < 40; ++i) words += "word" + std::to_string(i) + " ";
  words += std::string(120, 'x');
  std::ostringstream out;
  host::WriteWrapped(out, "  label     ", words, 12);
  std::vector<std::string> lines = Lines(out.str());
  ASSERT_GT(lines.size(), 3u);
  EXPECT_EQ(lines[0].rfind("  label     word0 ", 0), 0u);
  std::string rejoined;
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_LE(lines[i].size(), host::kScreenWidth) << lines[i];
    EXPECT_NE(lines[i].back(), ' ') << "trailing blank: " << lines[i];
    if (i > 0) EXPECT_EQ(lines[i].rfind(std::string(12, ' '), 0), 0u) << lines[i];
    rejoined += lines[i].substr(12);
  }
  std::string compact;
  for (char c : words) compact += c == ' ' ? "" : std::string(1, c);
  std::string rejoinedCompact;
  for (char c : rejoined) rejoinedCompact += c == ' ' ? "" : std::string(1, c);
  EXPECT_EQ(rejoinedCompact, compact);  // nothing lost, nothing repeated
}

TEST(TextLayout, RightTextEndsInTheLastColumnOrFollowsWhenItCannot) {
  EXPECT_EQ(host::LeftRight("install", "slot 9").size(), host::kScreenWidth);
  EXPECT_EQ(host::LeftRight(std::string(78, 'a'), "slot 9"), std::string(78, 'a') + "  slot 9");
  std::ostringstream out;
  host::WriteHeadAndData(out, std::string(60, 'h') + "  ", std::string(30, 'd'), 20);
  EXPECT_EQ(out.str(), std::string(60, 'h') + "\n" + std::string(20, ' ') + std::string(30, 'd') + "\n");
}

Snapshot Base() {
  Snapshot snapshot;
  snapshot.files["c:\\a.sys"] = FileState{"C:\\a.sys", 10, 111, "1.0.0.1"};
  snapshot.files["c:\\b.sys"] = FileState{"C:\\b.sys", 10, 222, ""};
  snapshot.keys["hklm\\k"] = RegistryKeyState{"HKLM\\k", {{"Start", REG_DWORD, Bytes("\3\0\0\0", 4)}}};
  ServiceState service;
  service.name = "ZelBase";
  service.state = SERVICE_STOPPED;
  snapshot.services["zelbase"] = service;
  snapshot.devices = {"zelbase"};
  snapshot.traceRecords = {"one", "two"};
  return snapshot;
}

TEST(CompareSnapshots, ReportsOnlyWhatDiffers) {
  Snapshot before = Base();
  Snapshot after = Base();
  EXPECT_TRUE(Compare(before, after).Empty());

  after.files["c:\\a.sys"].digest = 999;                          // same size and version, other bytes
  after.files.erase("c:\\b.sys");                                 // removed
  after.files["c:\\n.sys"] = FileState{"C:\\n.sys", 1, 1, "2.0"};  // added
  after.keys["hklm\\k"].values[0] = {"START", REG_SZ, Bytes("\3\0\0\0", 4)};  // same name in other case, new type
  after.keys["hklm\\k\\sub"] = RegistryKeyState{"HKLM\\k\\sub", {}};
  after.services["zelbase"].state = SERVICE_RUNNING;
  after.devices = {"ZELBASE", "baseTdi"};  // names compare without case
  after.traceRecords.push_back("three");

  Changes changes = Compare(before, after);
  ASSERT_EQ(changes.files.size(), 3u);
  EXPECT_EQ(changes.files[0].kind, ChangeKind::Changed);
  EXPECT_EQ(changes.files[1].kind, ChangeKind::Removed);
  EXPECT_EQ(changes.files[2].kind, ChangeKind::Added);
  ASSERT_EQ(changes.keys.size(), 2u);
  ASSERT_EQ(changes.keys[0].values.size(), 1u);
  EXPECT_EQ(changes.keys[0].values[0].kind, ChangeKind::Changed);
  EXPECT_EQ(changes.keys[0].values[0].after.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(changes.keys[1].kind, ChangeKind::Added);
  ASSERT_EQ(changes.services.size(), 1u);
  EXPECT_EQ(changes.services[0].after.state, static_cast<DWORD>(SERVICE_RUNNING));
  ASSERT_EQ(changes.devices.size(), 1u);
  EXPECT_EQ(changes.devices[0].name, "baseTdi");
  EXPECT_EQ(changes.traceRecords, std::vector<std::string>{"three"});
}

TEST(CompareSnapshots, ATraceFileStartedAfreshCountsWhole) {
  Snapshot before = Base();
  Snapshot after = Base();
  after.traceRecords = {"fresh"};
  EXPECT_EQ(Compare(before, after).traceRecords, std::vector<std::string>{"fresh"});
}

TEST(ChangeReport, NewPathsShowTheirDeepestKeyAndRemovedTreesTheirTop) {
  Snapshot before;
  before.keys["hklm\\old"] = RegistryKeyState{"HKLM\\old", {{"a", REG_SZ, Bytes("x\0", 2)}}};
  before.keys["hklm\\old\\one"] = RegistryKeyState{"HKLM\\old\\one", {{"b", REG_SZ, Bytes("x\0", 2)}}};
  before.keys["hklm\\old\\one\\two"] = RegistryKeyState{"HKLM\\old\\one\\two", {}};
  before.keys["hklm\\older"] = RegistryKeyState{"HKLM\\older", {}};  // a sibling, not below "old"
  Snapshot after;
  after.keys["hklm\\new"] = RegistryKeyState{"HKLM\\new", {}};
  after.keys["hklm\\new\\path"] = RegistryKeyState{"HKLM\\new\\path", {}};
  after.keys["hklm\\new\\path\\leaf"] = RegistryKeyState{"HKLM\\new\\path\\leaf", {{"v", REG_DWORD, Bytes("\1\0\0\0", 4)}}};
  std::ostringstream out;
  host::PrintChanges(Compare(before, after), out);
  std::string text = out.str();
  EXPECT_NE(text.find("+ HKLM\\new\\path\\leaf\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("+ HKLM\\new\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("+ HKLM\\new\\path\n"), std::string::npos) << text;
  EXPECT_NE(text.find("- HKLM\\old  (2 values, 2 subkeys)"), std::string::npos) << text;
  EXPECT_NE(text.find("- HKLM\\older  (0 values)"), std::string::npos) << text;
  for (const std::string& line : Lines(text)) EXPECT_LE(line.size(), host::kScreenWidth) << line;
}

TEST(ChangeReport, SaysSoWhenNothingChanged) {
  std::ostringstream out;
  host::PrintChanges(Changes{}, out);
  EXPECT_EQ(out.str(), "  nothing changed on the machine\n");
}

}  // namespace
