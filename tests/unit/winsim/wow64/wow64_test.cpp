// winsim's WOW64: IsWow64Process, the per-thread redirection switch with its saved-state word, and where
// file operations on %windir%\system32 land.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "temp_machine.h"
#include "winsim/wow64.h"

namespace {

using winsim::testsupport::ConfigFor;
using winsim::testsupport::TempMachine;

constexpr DWORD kSentinel = 0xdeadbeef;
PVOID const kUntouched = reinterpret_cast<PVOID>(static_cast<uintptr_t>(0x55555555));

// Creates a file through the API and reports where on the disk it landed.
std::string Landing(const std::string& windowsPath) {
  HANDLE file =
      CreateFileA(windowsPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "(failed " + std::to_string(GetLastError()) + ")";
  CloseHandle(file);
  return winsim::HostFileExists(windowsPath) ? "native" : "redirected";
}

TEST(Wow64, IsWow64ProcessAnswersTheMachineSetting) {
  for (bool wow64 : {false, true}) {
    TempMachine machine{ConfigFor(winsim::OsWin7(), wow64)};
    BOOL answer = 7;
    SetLastError(kSentinel);
    EXPECT_TRUE(IsWow64Process(GetCurrentProcess(), &answer));
    EXPECT_EQ(answer, wow64 ? TRUE : FALSE);
    EXPECT_EQ(GetLastError(), kSentinel);

    SetLastError(kSentinel);
    EXPECT_FALSE(IsWow64Process(reinterpret_cast<HANDLE>(0x1234), &answer));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(kSentinel);
    EXPECT_FALSE(IsWow64Process(GetCurrentProcess(), nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOACCESS));
  }
}

TEST(Wow64, RedirectionSwitchFailsOutsideWow64) {
  TempMachine machine{ConfigFor(winsim::OsWinXp(), false)};
  PVOID saved = kUntouched;
  SetLastError(kSentinel);
  EXPECT_FALSE(Wow64DisableWow64FsRedirection(&saved));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FUNCTION));
  EXPECT_EQ(saved, kUntouched);
  SetLastError(kSentinel);
  EXPECT_FALSE(Wow64RevertWow64FsRedirection(nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FUNCTION));
  EXPECT_FALSE(winsim::RedirectionDisabledOnThisThread());
}

TEST(Wow64, SavedStateWordUnwindsNestedPairs) {
  TempMachine machine{ConfigFor(winsim::OsWin7(), true)};
  PVOID outer = kUntouched;
  PVOID inner = kUntouched;
  ASSERT_TRUE(Wow64DisableWow64FsRedirection(&outer));
  EXPECT_EQ(outer, nullptr) << "redirection was on";
  EXPECT_TRUE(winsim::RedirectionDisabledOnThisThread());
  ASSERT_TRUE(Wow64DisableWow64FsRedirection(&inner));
  EXPECT_NE(inner, nullptr) << "redirection was already off";
  EXPECT_TRUE(Wow64RevertWow64FsRedirection(inner));
  EXPECT_TRUE(winsim::RedirectionDisabledOnThisThread()) << "the inner revert restores 'off'";
  EXPECT_TRUE(Wow64RevertWow64FsRedirection(outer));
  EXPECT_FALSE(winsim::RedirectionDisabledOnThisThread());

  SetLastError(kSentinel);
  EXPECT_FALSE(Wow64DisableWow64FsRedirection(nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOACCESS));
  EXPECT_FALSE(winsim::RedirectionDisabledOnThisThread());
}

TEST(Wow64, TheSwitchBelongsToTheCallingThread) {
  TempMachine machine{ConfigFor(winsim::OsWin7(), true)};
  PVOID saved = nullptr;
  ASSERT_TRUE(Wow64DisableWow64FsRedirection(&saved));
  std::string otherThreadLanding;
  std::thread other([&] { otherThreadLanding = Landing("C:\\WINDOWS\\system32\\other.txt"); });
  other.join();
  EXPECT_EQ(otherThreadLanding, "redirected");
  EXPECT_EQ(Landing("C:\\WINDOWS\\system32\\mine.txt"), "native");
  EXPECT_TRUE(Wow64RevertWow64FsRedirection(saved));
}

TEST(Wow64, ANewMachineStartsWithRedirectionOn) {
  {
    TempMachine machine{ConfigFor(winsim::OsWin7(), true)};
    PVOID saved = nullptr;
    ASSERT_TRUE(Wow64DisableWow64FsRedirection(&saved));
  }
  TempMachine machine{ConfigFor(winsim::OsWin7(), true)};
  EXPECT_FALSE(winsim::RedirectionDisabledOnThisThread());
}

struct LandingCase {
  winsim::OsVersion (*os)();
  bool wow64;
  bool redirectionOff;
  const char* path;
  const char* landing;
};

TEST(Wow64, SystemPathsLandWhereWindowsPutsThem) {
  const LandingCase cases[] = {
      {winsim::OsWin7, false, false, "C:\\WINDOWS\\system32\\drivers\\zelbase.sys", "native"},
      {winsim::OsWin7, true, false, "C:\\WINDOWS\\system32\\drivers\\zelbase.sys", "redirected"},
      {winsim::OsWin7, true, true, "C:\\WINDOWS\\system32\\drivers\\zelbase.sys", "native"},
      {winsim::OsWin7, true, false, "c:\\windows\\SYSTEM32\\drivers\\zelbase.sys", "redirected"},
      {winsim::OsWin7, true, false, "C:\\WINDOWS\\system32\\..\\system32\\x.dll", "redirected"},
      {winsim::OsWin7, true, false, "C:\\WINDOWS\\SysWOW64\\x.dll", "native"},
      {winsim::OsWin7, true, false, "C:\\WINDOWS\\win.ini", "native"},
      {winsim::OsWin7, true, false, "C:\\WINDOWS\\system32x.txt", "native"},
      // Folders 32-bit and 64-bit processes share.
      {winsim::OsWin7, true, false, "C:\\WINDOWS\\system32\\drivers\\etc\\hosts", "native"},
      {winsim::OsWin7, true, false, "C:\\WINDOWS\\system32\\catroot\\x.cat", "native"},
      {winsim::OsWin7, true, false, "C:\\WINDOWS\\system32\\catroot2\\x.cat", "native"},
      {winsim::OsWin7, true, false, "C:\\WINDOWS\\system32\\logfiles\\x.log", "native"},
      {winsim::OsWin7, true, false, "C:\\WINDOWS\\system32\\spool\\x.spl", "native"},
      {winsim::OsWin7, true, false, "C:\\WINDOWS\\system32\\DriverStore\\x.inf", "native"},
      {winsim::OsVista, true, false, "C:\\WINDOWS\\system32\\DriverStore\\x.inf", "redirected"},
      {winsim::OsWin7, true, false, "C:\\WINDOWS\\system32\\catroots\\x.cat", "redirected"},
  };
  for (const LandingCase& row : cases) {
    SCOPED_TRACE(row.path);
    TempMachine machine{ConfigFor(row.os(), row.wow64)};
    for (const char* folder : {"drivers\\etc", "catroot", "catroot2", "logfiles", "spool", "DriverStore", "catroots"}) {
      CreateDirectoryA((winsim::SystemDirectory() + "\\" + folder).c_str(), nullptr);
      CreateDirectoryA((winsim::Wow64SystemDirectory() + "\\" + folder).c_str(), nullptr);
    }
    PVOID saved = nullptr;
    if (row.redirectionOff) {
      ASSERT_TRUE(Wow64DisableWow64FsRedirection(&saved));
    }
    EXPECT_EQ(Landing(row.path), row.landing);
    if (row.redirectionOff) {
      EXPECT_TRUE(Wow64RevertWow64FsRedirection(saved));
    }
  }
}

TEST(Wow64, RedirectionAppliesToCopiesBothWays) {
  TempMachine machine{ConfigFor(winsim::OsWin7(), true)};
  ASSERT_TRUE(winsim::WriteHostFile("C:\\setup\\zelbase.sys", "driver"));
  ASSERT_TRUE(CopyFileA("C:\\setup\\zelbase.sys", "C:\\WINDOWS\\system32\\drivers\\zelbase.sys", FALSE));
  EXPECT_TRUE(winsim::HostFileExists("C:\\WINDOWS\\SysWOW64\\drivers\\zelbase.sys"));
  EXPECT_FALSE(winsim::HostFileExists("C:\\WINDOWS\\system32\\drivers\\zelbase.sys"));
  // Reading through the redirected name finds the SysWOW64 copy.
  EXPECT_NE(GetFileAttributesA("C:\\WINDOWS\\system32\\drivers\\zelbase.sys"), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
