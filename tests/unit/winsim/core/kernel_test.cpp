// winsim's kernel32 basics: directories and their buffer rules, version, identity, clock and profile
// integers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "temp_machine.h"

namespace {

using winsim::testsupport::ConfigFor;
using winsim::testsupport::TempMachine;

// Too small a buffer is left untouched and the size needed (terminator included) comes back; a buffer
// that fits gets the text and its length.
TEST(KernelDirectories, SmallBuffersAreUntouchedAndTheNeededSizeReturned) {
  TempMachine machine;
  struct Api {
    const char* name;
    UINT (*call)(LPSTR, UINT);
    const char* expected;
  } apis[] = {{"GetSystemDirectoryA", GetSystemDirectoryA, "C:\\WINDOWS\\system32"},
              {"GetWindowsDirectoryA", GetWindowsDirectoryA, "C:\\WINDOWS"}};
  for (const Api& api : apis) {
    UINT length = static_cast<UINT>(strlen(api.expected));
    EXPECT_EQ(api.call(nullptr, 0), length + 1) << api.name;
    for (UINT size : {1u, length}) {
      char buffer[64];
      memset(buffer, 0x5a, sizeof buffer);
      EXPECT_EQ(api.call(buffer, size), length + 1) << api.name << " " << size;
      EXPECT_EQ(buffer[0], 0x5a) << api.name << " " << size;
    }
    char buffer[64];
    memset(buffer, 0x5a, sizeof buffer);
    EXPECT_EQ(api.call(buffer, length + 1), length) << api.name;
    EXPECT_STREQ(buffer, api.expected);
    EXPECT_EQ(buffer[length + 1], 0x5a) << "nothing written past the terminator";
  }
}

TEST(KernelVersion, RecordComesFromTheMachineAndCanFail) {
  winsim::MachineConfig config = ConfigFor(winsim::OsWin98());
  TempMachine machine(config);
  OSVERSIONINFOA info;
  memset(&info, 0xcc, sizeof info);
  info.dwOSVersionInfoSize = sizeof info;
  ASSERT_TRUE(GetVersionExA(&info));
  EXPECT_EQ(sizeof info, 148u);
  EXPECT_EQ(info.dwPlatformId, 1u);
  EXPECT_EQ(info.dwBuildNumber & 0xffff, 2222u);
  EXPECT_EQ(info.dwMajorVersion * 100 + info.dwMinorVersion, 410u);
  EXPECT_STREQ(info.szCSDVersion, " A ");
  info.dwOSVersionInfoSize = sizeof info - 1;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(GetVersionExA(&info));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  info.dwOSVersionInfoSize = sizeof info;
  winsim::SetVersionQueryFails(true);
  EXPECT_FALSE(GetVersionExA(&info));
}

TEST(KernelIdentity, ProcessIdModuleNameAndClock) {
  winsim::MachineConfig config;
  config.clock = {2011, 12, 6, 31, 23, 59, 59, 990};
  config.processId = 4321;
  TempMachine machine(config);
  EXPECT_EQ(GetCurrentProcessId(), 4321u);
  char name[32];
  memset(name, 0x5a, sizeof name);
  EXPECT_EQ(GetModuleFileNameA(nullptr, name, sizeof name), strlen("C:\\setup\\setup.exe"));
  EXPECT_STREQ(name, "C:\\setup\\setup.exe");
  // Too small: cut with its terminator, the full size returned, ERROR_INSUFFICIENT_BUFFER.
  SetLastError(0xdeadbeef);
  EXPECT_EQ(GetModuleFileNameA(nullptr, name, 5), 5u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(name[4], '\0');
  EXPECT_EQ(name[5], 't') << "nothing written past the given size";

  SYSTEMTIME now;
  GetLocalTime(&now);
  EXPECT_EQ(now.wMilliseconds, 990);
  winsim::AdvanceClock(15);  // across midnight and the year's end
  GetLocalTime(&now);
  EXPECT_EQ(now.wYear, 2012);
  EXPECT_EQ(now.wMonth, 1);
  EXPECT_EQ(now.wDay, 1);
  EXPECT_EQ(now.wDayOfWeek, 0);
  EXPECT_EQ(now.wHour * 10000 + now.wMinute * 100 + now.wSecond, 0);
  EXPECT_EQ(now.wMilliseconds, 5);
  winsim::AdvanceClock(30u * 86400000u);  // 2012 is a leap year
  winsim::AdvanceClock(29u * 86400000u);
  GetLocalTime(&now);
  EXPECT_EQ(now.wMonth * 100 + now.wDay, 229);
}

// GetPrivateProfileIntA: a bare name lives in the Windows directory; the value is converted as Windows
// converts it (blanks, sign, lower-case 0x/0o/0b prefixes, digits up to the first that does not belong), and a
// missing or empty value gives the default.
TEST(KernelProfile, IntegersAsWindowsReadsThem) {
  TempMachine machine;
  ASSERT_TRUE(winsim::WriteHostFile("C:\\WINDOWS\\test.ini",
                                    "; comment\r\n"
                                    "[Numbers]\r\n"
                                    "one=1\r\n"
                                    "spaced =  2  \r\n"
                                    "hex=0x10\r\n"
                                    "HEXUP=0X1f\r\n"
                                    "octal=0o17\r\n"
                                    "binary=0b101\r\n"
                                    "negative=-1\r\n"
                                    "plus=+7\r\n"
                                    "letters=abc\r\n"
                                    "trailing=12abc\r\n"
                                    "empty=\r\n"
                                    "quoted=\"5\"\r\n"
                                    "leadingzero=010\r\n"
                                    "duplicate=3\r\n"
                                    "duplicate=4\r\n"
                                    "[Other]\r\n"
                                    "one=9\r\n"));
  struct Row {
    const char* section;
    const char* key;
    UINT expected;
  } rows[] = {
      {"Numbers", "one", 1},         {"numbers", "ONE", 1},         {"Numbers", "spaced", 2},
      {"Numbers", "hex", 16},        {"Numbers", "HEXUP", 0},      {"Numbers", "octal", 15},
      {"Numbers", "binary", 5},      {"Numbers", "negative", 0xffffffffu}, {"Numbers", "plus", 7},
      {"Numbers", "letters", 0},     {"Numbers", "trailing", 12},   {"Numbers", "empty", 77},
      {"Numbers", "quoted", 5},      {"Numbers", "leadingzero", 10}, {"Numbers", "duplicate", 3},
      {"Numbers", "missing", 77},    {"Missing", "one", 77},        {"Other", "one", 9},
  };
  for (const Row& row : rows)
    EXPECT_EQ(GetPrivateProfileIntA(row.section, row.key, 77, "test.ini"), row.expected) << row.key;
  EXPECT_EQ(GetPrivateProfileIntA("Numbers", "one", 77, "absent.ini"), 77u);
  EXPECT_EQ(GetPrivateProfileIntA("Numbers", "one", -5, "absent.ini"), static_cast<UINT>(-5));
  // A name with a path is taken as it is; a bare name never looks beside the executable.
  ASSERT_TRUE(winsim::WriteHostFile("C:\\setup\\local.ini", "[S]\r\nk=3\r\n"));
  EXPECT_EQ(GetPrivateProfileIntA("S", "k", 0, "local.ini"), 0u);
  EXPECT_EQ(GetPrivateProfileIntA("S", "k", 0, "C:\\setup\\local.ini"), 3u);
  EXPECT_EQ(GetPrivateProfileIntA("S", "k", 0, ".\\local.ini"), 3u);
}

}  // namespace
