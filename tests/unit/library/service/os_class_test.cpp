// The Windows families the service installer tells apart, from the version record.
#include <gtest/gtest.h>

#include <cstring>

#include "service/os_class.h"
#include "support/version_record.h"
#include "temp_machine.h"

namespace {

using basetdic::ClassOfVersion;
using basetdic::ClassifyOs;
using basetdic::OsClass;

OSVERSIONINFOA Version(DWORD platform, DWORD major, DWORD minor) {
  return testsupport::VersionRecord(platform, major, minor, 0);
}

TEST(OsClassTable, VersionRecordsMapOntoTheirFamilies) {
  struct Row {
    DWORD platform, major, minor;
    OsClass expected;
  } rows[] = {
      {VER_PLATFORM_WIN32_WINDOWS, 4, 0, basetdic::OsWin95},  {VER_PLATFORM_WIN32_WINDOWS, 3, 95, basetdic::OsWin95},
      {VER_PLATFORM_WIN32_WINDOWS, 4, 10, basetdic::OsWin98}, {VER_PLATFORM_WIN32_WINDOWS, 4, 90, basetdic::OsWinMe},
      {VER_PLATFORM_WIN32_WINDOWS, 5, 0, basetdic::OsWin98},  {VER_PLATFORM_WIN32_WINDOWS, 5, 90, basetdic::OsWinMe},
      {VER_PLATFORM_WIN32_NT, 3, 51, basetdic::OsNt4},        {VER_PLATFORM_WIN32_NT, 4, 0, basetdic::OsNt4},
      {VER_PLATFORM_WIN32_NT, 0, 0, basetdic::OsNt4},         {VER_PLATFORM_WIN32_NT, 5, 0, basetdic::OsNt5},
      {VER_PLATFORM_WIN32_NT, 5, 1, basetdic::OsNt5},         {VER_PLATFORM_WIN32_NT, 6, 0, basetdic::OsNt6},
      {VER_PLATFORM_WIN32_NT, 6, 2, basetdic::OsNt6},         {VER_PLATFORM_WIN32_NT, 7, 0, basetdic::OsUnknown},
      {VER_PLATFORM_WIN32_NT, 10, 0, basetdic::OsUnknown},    {0, 4, 0, basetdic::OsUnknown},
      {3, 5, 1, basetdic::OsUnknown},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ClassOfVersion(Version(row.platform, row.major, row.minor)), row.expected)
        << "platform " << row.platform << " version " << row.major << "." << row.minor;
  }
}

TEST(OsClassOfRunningSystem, ComesFromTheVersionQuery) {
  winsim::testsupport::TempMachine machine{winsim::testsupport::ConfigFor(winsim::OsWin98())};
  EXPECT_EQ(ClassifyOs(), basetdic::OsWin98);
  winsim::SetOsVersion(winsim::OsNt40());
  EXPECT_EQ(ClassifyOs(), basetdic::OsNt4);
  winsim::SetVersionQueryFails(true);
  EXPECT_EQ(ClassifyOs(), basetdic::OsUnknown);
}

}  // namespace
