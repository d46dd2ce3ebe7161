// The debug trace: its INI switch, the file beside the host executable, the record format and the ways a
// record is skipped.
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <string>

#include "temp_machine.h"
#include "trace/trace_log.h"

namespace {

using basetdic::TraceLog;
using winsim::testsupport::ConfigFor;
using winsim::testsupport::TempMachine;

const char kIni[] = "C:\\WINDOWS\\zel.ini";
const char kTrace[] = "C:\\setup\\setup.exe.baseTdic.txt";

std::string Contents(const std::string& path = kTrace) {
  std::string bytes;
  return winsim::ReadHostFile(path, &bytes) ? bytes : std::string("<missing>");
}

void SwitchOn(bool on) {
  ASSERT_TRUE(winsim::WriteHostFile(kIni, on ? "[DEBUG]\r\nZEL=1\r\n" : "[DEBUG]\r\nZEL=0\r\n"));
}

class TraceLogTest : public ::testing::Test {
 protected:
  TempMachine machine;
  void SetUp() override { SwitchOn(true); }
};

// The switch as GetPrivateProfileIntA reads it: any value that reads non-zero is on.
TEST(TraceSwitch, IniContentsDecideWhetherARecordIsWritten) {
  struct Row {
    const char* ini;  // null: no zel.ini at all
    bool on;
  } rows[] = {
      {"[DEBUG]\r\nZEL=1\r\n", true},       {"[DEBUG]\nZEL= 2 \n", true},       {"[DEBUG]\nZEL=0x10\n", true},
      {"[DEBUG]\nZEL=-1\n", true},          {"[debug]\nzel=1\n", true},         {"[DEBUG]\nZEL=7abc\n", true},
      {"[DEBUG]\nZEL=abc\n", false},        {"[DEBUG]\nZEL=\n", false},         {"[DEBUG]\nZEL=0\n", false},
      {"[DEBUG]\nOTHER=1\n", false},        {"[TRACE]\nZEL=1\n", false},        {"ZEL=1\n[DEBUG]\n", false},
      {"[OTHER]\nZEL=1\n[DEBUG]\nX=1\n", false}, {nullptr, false},
  };
  TempMachine machine;
  for (const Row& row : rows) {
    std::remove(winsim::HostPath(kIni).c_str());
    std::remove(winsim::HostPath(kTrace).c_str());
    if (row.ini) ASSERT_TRUE(winsim::WriteHostFile(kIni, row.ini));
    EXPECT_EQ(TraceLog("probe\n"), 1) << (row.ini ? row.ini : "no file");
    EXPECT_EQ(winsim::HostFileExists(kTrace), row.on) << (row.ini ? row.ini : "no file");
  }
}

TEST_F(TraceLogTest, SwitchIsReadAgainOnEveryCall) {
  SwitchOn(false);
  EXPECT_EQ(TraceLog("first\n"), 1);
  EXPECT_FALSE(winsim::HostFileExists(kTrace));
  SwitchOn(true);
  EXPECT_EQ(TraceLog("second\n"), 1);
  SwitchOn(false);
  winsim::ClearCallLog();
  EXPECT_EQ(TraceLog("third\n"), 1);
  ASSERT_EQ(winsim::CallLog().size(), 1u) << "switched off, nothing but the switch is read";
  EXPECT_EQ(winsim::CallLog()[0].function, "GetPrivateProfileIntA");
  std::string trace = Contents();
  EXPECT_EQ(trace.find("first"), std::string::npos);
  EXPECT_NE(trace.find("second"), std::string::npos);
  EXPECT_EQ(trace.find("third"), std::string::npos);
}

TEST_F(TraceLogTest, ZelIniIsLookedUpInTheWindowsDirectoryOnly) {
  SwitchOn(false);
  ASSERT_TRUE(winsim::WriteHostFile("C:\\setup\\zel.ini", "[DEBUG]\r\nZEL=1\r\n"));  // the host's own folder
  EXPECT_EQ(TraceLog("x\n"), 1);
  EXPECT_FALSE(winsim::HostFileExists(kTrace));
}

TEST_F(TraceLogTest, RecordPrefixAndEndings) {
  winsim::MachineConfig config = ConfigFor(winsim::OsWinXp());
  config.clock = {2011, 9, 6, 3, 4, 5, 6, 15};
  config.processId = 4242;
  TempMachine machine(config);
  SwitchOn(true);
  EXPECT_EQ(TraceLog("CopyFile, SrcPath:%s, DstPath:%s\n", "C:\\a", "C:\\b"), 1);
  EXPECT_EQ(TraceLog("Copyfile, ret:%d, errcode:%d\n", 0, 32), 1);
  EXPECT_EQ(TraceLog("no newline"), 1);
  EXPECT_EQ(Contents(),
            "[4242] 2011-09-03 04:05:06:015 : CopyFile, SrcPath:C:\\a, DstPath:C:\\b\n\r\n"
            "[4242] 2011-09-03 04:05:06:015 : Copyfile, ret:0, errcode:32\n\r\n"
            "[4242] 2011-09-03 04:05:06:015 : no newline\r\n");
}

TEST_F(TraceLogTest, YearIsBlankPaddedToFourPlaces) {
  winsim::MachineConfig config;
  config.clock = {987, 12, 0, 31, 23, 59, 59, 999};
  TempMachine machine(config);
  SwitchOn(true);
  TraceLog("y\n");
  EXPECT_EQ(Contents(), "[1234]  987-12-31 23:59:59:999 : y\n\r\n");
}

TEST_F(TraceLogTest, RecordsAreAppendedInCallOrderWithProcessIdAndNonDecreasingTime) {
  ASSERT_TRUE(winsim::WriteHostFile(kTrace, "earlier content\n"));
  winsim::SetProcessId(77);
  TraceLog("one\n");
  TraceLog("two\n");
  winsim::AdvanceClock(1500);
  TraceLog("three\n");
  winsim::AdvanceClock(86400000);  // into the next day
  TraceLog("four\n");
  std::string trace = Contents();
  ASSERT_EQ(trace.rfind("earlier content\n", 0), 0u) << "an existing file is extended, never overwritten";
  std::regex record(R"(\[(\d+)\] (\d{4})-(\d\d)-(\d\d) (\d\d):(\d\d):(\d\d):(\d{3}) : (\w+)\n\r\n)");
  std::vector<std::string> messages, stamps;
  for (std::sregex_iterator it(trace.begin(), trace.end(), record), end; it != end; ++it) {
    EXPECT_EQ((*it)[1], "77");
    stamps.push_back((*it)[2].str() + (*it)[3].str() + (*it)[4].str() + (*it)[5].str() + (*it)[6].str() +
                     (*it)[7].str() + (*it)[8].str());
    messages.push_back((*it)[9]);
  }
  EXPECT_EQ(messages, (std::vector<std::string>{"one", "two", "three", "four"}));
  ASSERT_EQ(stamps.size(), 4u);
  EXPECT_EQ(stamps[0], "20111103140507015");
  EXPECT_EQ(stamps[1], stamps[0]);
  EXPECT_EQ(stamps[2], "20111103140508515");
  EXPECT_EQ(stamps[3], "20111104140508515");
}

TEST_F(TraceLogTest, FileNameIsTheExecutablePathWithSuffix) {
  ASSERT_TRUE(winsim::WriteHostFile("C:\\Program Files\\Host Dir\\keep.txt", ""));
  winsim::SetExecutablePath("C:\\Program Files\\Host Dir\\Inst.EXE");
  EXPECT_EQ(TraceLog("n\n"), 1);
  EXPECT_TRUE(winsim::HostFileExists("C:\\Program Files\\Host Dir\\Inst.EXE.baseTdic.txt"));
  bool opened = false;
  for (const winsim::CallRecord& record : winsim::CallLog())
    opened |= record.function == "CreateFileA" &&
              record.arguments.rfind("\"C:\\Program Files\\Host Dir\\Inst.EXE.baseTdic.txt\"", 0) == 0;
  EXPECT_TRUE(opened);
}

// 246 characters of executable path and the 13 of the suffix fill the 260-byte name buffer; one more and
// the record is skipped rather than written to a cut name.
TEST_F(TraceLogTest, ExecutablePathTooLongForTheNameSkipsTheRecord) {
  std::string folder = "C:\\" + std::string(100, 'd') + "\\" + std::string(100, 'e');
  for (size_t length : {246u, 247u, 259u, 300u}) {
    std::string exe = folder + "\\" + std::string(length - folder.size() - 1, 'x');
    ASSERT_EQ(exe.size(), length);
    winsim::SetExecutablePath(exe);
    ASSERT_TRUE(winsim::WriteHostFile(folder + "\\keep.txt", ""));
    EXPECT_EQ(TraceLog("long\n"), length == 246 ? 1 : 0) << length;
    EXPECT_EQ(winsim::HostFileExists(exe + ".baseTdic.txt"), length == 246) << length;
    EXPECT_EQ(winsim::OpenHandles(), 0u);
  }
}

TEST_F(TraceLogTest, FailuresToNameOrOpenTheFileReturnZeroAndWriteNothing) {
  ASSERT_TRUE(winsim::WriteHostFile(kTrace, "before\n"));
  winsim::FailNthCallOf("GetModuleFileNameA", 1, ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(TraceLog("a\n"), 0);
  winsim::FailNthCallOf("CreateFileA", 1, ERROR_ACCESS_DENIED);
  EXPECT_EQ(TraceLog("b\n"), 0);
  winsim::SetExecutablePath("");
  EXPECT_EQ(TraceLog("c\n"), 0);
  winsim::SetExecutablePath("C:\\missing\\setup.exe");
  EXPECT_EQ(TraceLog("d\n"), 0) << "the folder does not exist";
  EXPECT_EQ(Contents(), "before\n");
  EXPECT_EQ(winsim::OpenHandles(), 0u);
}

// The trace opens its file for writing, sharing read and write: another holder decides by its own share
// mode whether the record can be written.
TEST_F(TraceLogTest, FileHeldOpenByAnotherHolder) {
  ASSERT_TRUE(winsim::WriteHostFile(kTrace, "held\n"));
  struct Row {
    DWORD access, share;
    int result;
  } rows[] = {
      {GENERIC_READ, FILE_SHARE_READ, 0},
      {GENERIC_WRITE, 0, 0},
      {GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 1},
      {GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, 1},
  };
  for (const Row& row : rows) {
    HANDLE holder = CreateFileA(kTrace, row.access, row.share, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    std::string before = Contents();
    EXPECT_EQ(TraceLog("r\n"), row.result) << row.access << "/" << row.share;
    EXPECT_EQ(Contents().size() > before.size(), row.result == 1);
    CloseHandle(holder);
  }
  EXPECT_EQ(winsim::OpenHandles(), 0u);
}

// Each record is an open, a move to the end, three writes, a flush and a close: nothing stays open.
TEST_F(TraceLogTest, EachRecordIsFlushedAndClosed) {
  winsim::ClearCallLog();
  TraceLog("x\n");
  std::vector<std::string> calls;
  for (const winsim::CallRecord& record : winsim::CallLog()) calls.push_back(record.function);
  EXPECT_EQ(calls, (std::vector<std::string>{"GetPrivateProfileIntA", "GetModuleFileNameA", "CreateFileA",
                                             "SetFilePointer", "GetCurrentProcessId", "GetLocalTime", "WriteFile",
                                             "WriteFile", "WriteFile", "FlushFileBuffers", "CloseHandle"}));
  EXPECT_EQ(winsim::OpenHandles(), 0u);
}

TEST_F(TraceLogTest, LongMessageIsCutTo1023Characters) {
  std::string text(2000, 'm');
  EXPECT_EQ(TraceLog("%s", text.c_str()), 1);
  std::string trace = Contents();
  size_t start = trace.find(" : ") + 3;
  EXPECT_EQ(trace.substr(start), std::string(1023, 'm') + "\r\n");
}

}  // namespace
