// winsim's loader: system DLLs and their exports, the search order a bare name goes through, stand-in
// modules for planted files, reference counts and the test controls.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "temp_machine.h"
#include "winsim/modules.h"
#include "winsim/wow64.h"

namespace {

using winsim::testsupport::ConfigFor;
using winsim::testsupport::TempMachine;

constexpr DWORD kSentinel = 0xdeadbeef;

bool EqualNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::string SystemVersionDll() { return winsim::SystemDirectory() + "\\version.dll"; }

template <class Function>
Function* As(FARPROC address) {
  return reinterpret_cast<Function*>(reinterpret_cast<void (*)(void)>(address));
}

class ModulesTest : public ::testing::Test {
 protected:
  TempMachine machine{ConfigFor(winsim::OsWinXp())};

  // A file that is no system DLL, beside the executable (C:\setup) unless told otherwise.
  void Plant(const std::string& windowsPath) { ASSERT_TRUE(winsim::WriteHostFile(windowsPath, "MZ planted")); }
};

TEST_F(ModulesTest, SystemDllsOfTheProcessAreLoadedFromTheStart) {
  HMODULE kernel32 = GetModuleHandleA("Kernel32.dll");
  ASSERT_NE(kernel32, nullptr);
  EXPECT_EQ(GetModuleHandleA("KERNEL32"), kernel32);
  EXPECT_EQ(GetModuleHandleA("kernel32.DLL"), kernel32);
  EXPECT_EQ(GetModuleHandleA((winsim::SystemDirectory() + "\\kernel32.dll").c_str()), kernel32);
  for (const char* dll : {"ntdll.dll", "advapi32.dll", "user32.dll", "shell32.dll"})
    EXPECT_NE(GetModuleHandleA(dll), nullptr) << dll;

  SetLastError(kSentinel);
  EXPECT_EQ(GetModuleHandleA("version.dll"), nullptr) << "version.dll is loaded on demand";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_NE(GetModuleHandleA(nullptr), nullptr) << "the executable";
}

TEST_F(ModulesTest, ExportsAreTheSystemFunctions) {
  HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
  EXPECT_EQ(As<decltype(IsWow64Process)>(GetProcAddress(kernel32, "IsWow64Process")), &IsWow64Process);
  EXPECT_EQ(As<decltype(Wow64DisableWow64FsRedirection)>(GetProcAddress(kernel32, "Wow64DisableWow64FsRedirection")),
            &Wow64DisableWow64FsRedirection);
  EXPECT_EQ(As<decltype(Wow64RevertWow64FsRedirection)>(GetProcAddress(kernel32, "Wow64RevertWow64FsRedirection")),
            &Wow64RevertWow64FsRedirection);
  EXPECT_EQ(As<decltype(RegOpenKeyExA)>(GetProcAddress(GetModuleHandleA("advapi32"), "RegOpenKeyExA")), &RegOpenKeyExA);

  HMODULE version = LoadLibraryA(SystemVersionDll().c_str());
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(As<decltype(GetFileVersionInfoSizeA)>(GetProcAddress(version, "GetFileVersionInfoSizeA")),
            &GetFileVersionInfoSizeA);
  EXPECT_EQ(As<decltype(GetFileVersionInfoA)>(GetProcAddress(version, "GetFileVersionInfoA")), &GetFileVersionInfoA);
  EXPECT_EQ(As<decltype(VerQueryValueA)>(GetProcAddress(version, "VerQueryValueA")), &VerQueryValueA);
  EXPECT_TRUE(FreeLibrary(version));
}

TEST_F(ModulesTest, LookupsThatFindNothing) {
  HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
  struct Row {
    HMODULE module;
    LPCSTR name;
    DWORD error;
  };
  HINSTANCE__ bogus;
  const Row rows[] = {
      {kernel32, "isWow64Process", ERROR_PROC_NOT_FOUND},  // names are case-sensitive
      {kernel32, "GetFileVersionInfoSizeA", ERROR_PROC_NOT_FOUND},
      {kernel32, reinterpret_cast<LPCSTR>(1), ERROR_PROC_NOT_FOUND},  // ordinals are not modelled
      {nullptr, "IsWow64Process", ERROR_PROC_NOT_FOUND},              // the executable exports nothing
      {&bogus, "IsWow64Process", ERROR_MOD_NOT_FOUND},
  };
  for (const Row& row : rows) {
    SetLastError(kSentinel);
    EXPECT_EQ(GetProcAddress(row.module, row.name), nullptr);
    EXPECT_EQ(GetLastError(), row.error);
  }
}

TEST_F(ModulesTest, ReferencesAreCountedAndTheLastFreeUnloads) {
  HMODULE first = LoadLibraryA("version.dll");
  HMODULE second = LoadLibraryA("VERSION");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second);
  EXPECT_EQ(GetModuleHandleA("version.dll"), first) << "GetModuleHandleA adds no reference";
  EXPECT_TRUE(FreeLibrary(first));
  EXPECT_TRUE(winsim::UsageOf("version.dll").loaded);
  EXPECT_TRUE(FreeLibrary(second));
  EXPECT_FALSE(winsim::UsageOf("version.dll").loaded);
  EXPECT_EQ(GetModuleHandleA("version.dll"), nullptr);

  SetLastError(kSentinel);
  EXPECT_FALSE(FreeLibrary(first)) << "a handle of an unloaded module";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  SetLastError(kSentinel);
  EXPECT_FALSE(FreeLibrary(nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

  const winsim::ModuleUsage usage = winsim::UsageOf("version.dll");
  EXPECT_EQ(usage.loads, 2u);
  EXPECT_EQ(usage.frees, 2u) << "failed frees are not counted";

  // Modules of the process stay mapped whatever the count says.
  HMODULE kernel32 = LoadLibraryA("kernel32.dll");
  EXPECT_TRUE(FreeLibrary(kernel32));
  EXPECT_TRUE(FreeLibrary(kernel32));
  EXPECT_EQ(GetModuleHandleA("kernel32.dll"), kernel32);
}

struct SearchCase {
  const char* plantedAt;  // a file planted before the load, or nullptr
  const char* loadName;
  const char* expectedPath;  // module path after the load, or nullptr for a failure
  DWORD error;
};

TEST_F(ModulesTest, BareNamesFollowTheSearchOrder) {
  const SearchCase cases[] = {
      {nullptr, "version.dll", "C:\\WINDOWS\\system32\\version.dll", 0},
      {nullptr, "version", "C:\\WINDOWS\\system32\\version.dll", 0},
      {nullptr, "version.", nullptr, ERROR_MOD_NOT_FOUND},  // the trailing dot asks for no extension
      {nullptr, "nosuch.dll", nullptr, ERROR_MOD_NOT_FOUND},
      {"C:\\setup\\version.dll", "version.dll", "C:\\setup\\version.dll", 0},  // executable's folder first
      {"C:\\setup\\kernel32.dll", "kernel32.dll", "C:\\WINDOWS\\system32\\kernel32.dll", 0},  // KnownDLLs
      {"C:\\WINDOWS\\version.dll", "version.dll", "C:\\WINDOWS\\system32\\version.dll", 0},   // system before Windows
      {"C:\\WINDOWS\\helper.dll", "helper.dll", "C:\\WINDOWS\\helper.dll", 0},
      {"C:\\setup\\Helper.DLL", "HELPER.dll", "C:\\setup\\Helper.DLL", 0},
      {nullptr, "C:\\nowhere\\x.dll", nullptr, ERROR_MOD_NOT_FOUND},
      {"C:\\setup\\version.dll", "C:\\WINDOWS\\system32\\version.dll", "C:\\WINDOWS\\system32\\version.dll", 0},
      {"C:\\setup\\version.dll", "C:\\setup\\VERSION.DLL", "C:\\setup\\version.dll", 0},
  };
  for (const SearchCase& row : cases) {
    SCOPED_TRACE(std::string(row.plantedAt ? row.plantedAt : "-") + " / " + row.loadName);
    TempMachine fresh{ConfigFor(winsim::OsWinXp())};
    if (row.plantedAt) Plant(row.plantedAt);
    SetLastError(kSentinel);
    HMODULE module = LoadLibraryA(row.loadName);
    if (!row.expectedPath) {
      EXPECT_EQ(module, nullptr);
      EXPECT_EQ(GetLastError(), row.error);
      continue;
    }
    ASSERT_NE(module, nullptr);
    EXPECT_TRUE(EqualNoCase(winsim::ModulePathOf(module), row.expectedPath)) << winsim::ModulePathOf(module);
    EXPECT_EQ(winsim::UsageOf(row.expectedPath).loads, 1u);
    EXPECT_TRUE(FreeLibrary(module));
  }
}

TEST_F(ModulesTest, TheCurrentFolderIsSearchedLast) {
  Plant("C:\\work\\helper.dll");
  EXPECT_EQ(LoadLibraryA("helper.dll"), nullptr);
  winsim::SetCurrentDirectory("C:\\work");
  HMODULE helper = LoadLibraryA("helper.dll");
  ASSERT_NE(helper, nullptr);
  EXPECT_EQ(winsim::ModulePathOf(helper), "C:\\work\\helper.dll");
  EXPECT_TRUE(FreeLibrary(helper));
}

TEST_F(ModulesTest, PlantedVersionDllIsAStandInThatRecordsCalls) {
  Plant("C:\\setup\\version.dll");
  HMODULE planted = LoadLibraryA("version.dll");
  ASSERT_NE(planted, nullptr);
  auto size = As<decltype(GetFileVersionInfoSizeA)>(GetProcAddress(planted, "GetFileVersionInfoSizeA"));
  ASSERT_NE(size, nullptr);
  EXPECT_NE(size, &GetFileVersionInfoSizeA);
  DWORD handle = kSentinel;
  EXPECT_EQ(size("C:\\setup\\setup.exe", &handle), 0u);
  EXPECT_EQ(winsim::StandInCalls(), std::vector<std::string>{"GetFileVersionInfoSizeA"});
  EXPECT_EQ(GetProcAddress(planted, "IsWow64Process"), nullptr);

  // The system's own version.dll is a different module, reached by its full path.
  HMODULE system = LoadLibraryA(SystemVersionDll().c_str());
  ASSERT_NE(system, nullptr);
  EXPECT_NE(system, planted);
  EXPECT_EQ(As<decltype(VerQueryValueA)>(GetProcAddress(system, "VerQueryValueA")), &VerQueryValueA);
  EXPECT_TRUE(FreeLibrary(system));
  EXPECT_TRUE(FreeLibrary(planted));
  EXPECT_EQ(winsim::UsageOf("version.dll").loads, 1u);
  EXPECT_EQ(winsim::UsageOf("C:\\setup\\version.dll").loads, 1u);
}

TEST_F(ModulesTest, AModuleAlreadyLoadedWinsOverTheSearch) {
  HMODULE system = LoadLibraryA(SystemVersionDll().c_str());
  Plant("C:\\setup\\version.dll");
  EXPECT_EQ(LoadLibraryA("version.dll"), system);
  EXPECT_TRUE(FreeLibrary(system));
  EXPECT_TRUE(FreeLibrary(system));
  EXPECT_EQ(winsim::UsageOf("C:\\setup\\version.dll").loads, 0u);
}

TEST_F(ModulesTest, ControlsRemoveExportsAndFailLoads) {
  winsim::RemoveExport("kernel32.dll", "Wow64RevertWow64FsRedirection");
  HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
  SetLastError(kSentinel);
  EXPECT_EQ(GetProcAddress(kernel32, "Wow64RevertWow64FsRedirection"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_NE(GetProcAddress(kernel32, "Wow64DisableWow64FsRedirection"), nullptr);

  winsim::FailDllLoad("version.dll", ERROR_ACCESS_DENIED);
  SetLastError(kSentinel);
  EXPECT_EQ(LoadLibraryA(SystemVersionDll().c_str()), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(winsim::UsageOf("version.dll").loads, 0u);
  winsim::FailDllLoad("version.dll", 0);
  HMODULE version = LoadLibraryA(SystemVersionDll().c_str());
  EXPECT_NE(version, nullptr);
  EXPECT_TRUE(FreeLibrary(version));

  // A new machine has every export back.
  TempMachine fresh{ConfigFor(winsim::OsWinXp())};
  EXPECT_NE(GetProcAddress(GetModuleHandleA("kernel32.dll"), "Wow64RevertWow64FsRedirection"), nullptr);
}

TEST_F(ModulesTest, DataFileLoadsHaveNoExports) {
  HMODULE data = LoadLibraryExA(SystemVersionDll().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(GetProcAddress(data, "VerQueryValueA"), nullptr);
  EXPECT_EQ(GetModuleHandleA("version.dll"), nullptr) << "a data mapping is not a loaded module";
  EXPECT_TRUE(FreeLibrary(data));

  SetLastError(kSentinel);
  EXPECT_EQ(LoadLibraryExA("version.dll", reinterpret_cast<HANDLE>(1), 0), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  SetLastError(kSentinel);
  EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(ModulesTest, Wow64ProcessesMapSystemDllsFromSysWow64) {
  TempMachine wow64{ConfigFor(winsim::OsWin7(), true)};
  HMODULE version = LoadLibraryA(SystemVersionDll().c_str());
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(winsim::ModulePathOf(version), "C:\\WINDOWS\\SysWOW64\\version.dll");
  EXPECT_TRUE(FreeLibrary(version));

  // With redirection off the same path reaches the 64-bit DLL, which a 32-bit process cannot map.
  PVOID saved = nullptr;
  ASSERT_TRUE(Wow64DisableWow64FsRedirection(&saved));
  SetLastError(kSentinel);
  EXPECT_EQ(LoadLibraryA(SystemVersionDll().c_str()), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
  EXPECT_TRUE(Wow64RevertWow64FsRedirection(saved));
}

TEST_F(ModulesTest, FaultsInjectedIntoTheLoaderFail) {
  winsim::FailNthCallOf("LoadLibraryA", 1, ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(LoadLibraryA("version.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(winsim::UsageOf("version.dll").loads, 0u);
  winsim::FailNthCallOf("GetProcAddress", 1, ERROR_PROC_NOT_FOUND);
  EXPECT_EQ(GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process"), nullptr);
}

}  // namespace
