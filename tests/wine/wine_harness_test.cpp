// The Wine harness checked on its own: the handle fingerprint sees each kind of leaked handle, the facade
// deploys what it promises and removes what a case left, the tool's requests read back as recorded, and
// a Wine-gap mark fails once its gap is gone.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <vector>

#include "generic/win_handles.h"
#include "wine_facade.h"
#include "wine_files.h"
#include "wine_gap.h"

namespace {

using basetdic::UniqueFile;
using basetdic::UniqueKernelHandle;
using basetdic::UniqueKey;
using basetdic::UniqueServiceHandle;

// ---- handle fingerprint -------------------------------------------------------------------------

// A kind of handle an operation could leave open: how to open one (returning a closer).
struct LeakCase {
  const char* kind;
  std::function<std::function<void()>()> open;
};

std::vector<LeakCase> LeakCases() {
  return {
      {"file",
       [] {
         auto file = std::make_shared<UniqueFile>(CreateFileA("C:\\basetdic-harness-leak.txt", GENERIC_WRITE, 0,
                                                              nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
         EXPECT_TRUE(file->valid()) << GetLastError();
         return [file] {
           file->reset();
           DeleteFileA("C:\\basetdic-harness-leak.txt");
         };
       }},
      {"registry key",
       [] {
         auto key = std::make_shared<UniqueKey>();
         EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft", 0, KEY_READ, key->put()), ERROR_SUCCESS);
         return [key] { key->reset(); };
       }},
      {"service manager",
       [] {
         auto manager = std::make_shared<UniqueServiceHandle>(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
         EXPECT_TRUE(manager->valid()) << GetLastError();
         return [manager] { manager->reset(); };
       }},
      {"service",
       [] {
         UniqueServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
         auto service = std::make_shared<UniqueServiceHandle>(
             OpenServiceA(manager.get(), "PlugPlay", SERVICE_QUERY_STATUS));
         EXPECT_TRUE(service->valid()) << GetLastError();
         return [service] { service->reset(); };
       }},
      {"process",
       [] {
         auto process = std::make_shared<UniqueKernelHandle>(
             OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, GetCurrentProcessId()));
         EXPECT_TRUE(process->valid()) << GetLastError();
         return [process] { process->reset(); };
       }},
  };
}

TEST(WineHarnessFingerprint, IsStableWhileNothingIsLeftOpen) {
  winetest::WineFacade machine;
  const scenarios::HandleFingerprint first = machine.TakeHandleFingerprint();
  ASSERT_EQ(first.values.size(), 64u);
  EXPECT_EQ(machine.TakeHandleFingerprint(), first);
  EXPECT_EQ(machine.TakeHandleFingerprint(), first);
}

TEST(WineHarnessFingerprint, ChangesWhileAHandleIsLeftOpenAndReturnsWhenItCloses) {
  winetest::WineFacade machine;
  for (const LeakCase& leak : LeakCases()) {
    SCOPED_TRACE(leak.kind);
    // Once through first, so a library's one-time handles (caches, connections) already exist.
    leak.open()();
    const scenarios::HandleFingerprint before = machine.TakeHandleFingerprint();
    std::function<void()> close = leak.open();
    EXPECT_NE(machine.TakeHandleFingerprint().values, before.values) << "a leaked " << leak.kind << " handle went unseen";
    close();
    EXPECT_EQ(machine.TakeHandleFingerprint(), before) << "closing the " << leak.kind << " handle did not restore it";
  }
}

// ---- setup folder and files ---------------------------------------------------------------------

// The "FileVersion" string of a file; "(none)" when it has no version resource.
std::string FileVersionOf(const std::string& path) {
  DWORD ignored = 0;
  SetLastError(0xdeadbeef);
  DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  if (size == 0) return "(none)";
  std::vector<char> data(size);
  if (!GetFileVersionInfoA(path.c_str(), 0, size, data.data())) return "(unreadable)";
  char* text = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(data.data(), "\\StringFileInfo\\040904e4\\FileVersion", reinterpret_cast<void**>(&text),
                      &length))
    return "(no FileVersion)";
  return text;
}

TEST(WineHarnessSetupFolder, HoldsTheModuleFilesWithTheAskedVersions) {
  struct Row {
    std::string basetdi, zelbase;
    bool withTool;
  };
  const Row rows[] = {{"1.0.0.1", "2.0.0.0", true}, {"", "7.0.0.26", false}, {"3.1.4.1", "", true}};
  winetest::WineFacade machine;
  for (const Row& row : rows) {
    SCOPED_TRACE("basetdi \"" + row.basetdi + "\", zelbase \"" + row.zelbase + "\"");
    const std::string folder = machine.MakeSetupFolder(row.basetdi, row.zelbase, row.withTool);
    ASSERT_EQ(folder.rfind("C:\\", 0), 0u) << folder;
    EXPECT_NE(folder.back(), '\\');
    EXPECT_EQ(FileVersionOf(folder + "\\Basetdi.nt4"), row.basetdi.empty() ? "(none)" : row.basetdi);
    EXPECT_EQ(FileVersionOf(folder + "\\zelbase.sys"), row.zelbase.empty() ? "(none)" : row.zelbase);
    for (const char* name : {"zelbase.inf", "zelbase.cat", "basetdic.dll"})
      EXPECT_TRUE(winetest::FileExists(folder + "\\" + name)) << name;
    EXPECT_EQ(winetest::FileExists(folder + "\\snetcfg.exe"), row.withTool);
  }
}

TEST(WineHarnessSetupFolder, PutVersionedFileWritesADriverImageWithThatVersion) {
  winetest::WineFacade machine;
  const std::string folder = machine.MakeSetupFolder("1.0.0.1", "1.0.0.1");
  machine.PutVersionedFile(folder + "\\newer\\zelbase.sys", "9.0.0.0");
  EXPECT_EQ(FileVersionOf(folder + "\\newer\\zelbase.sys"), "9.0.0.0");
  machine.PutVersionedFile(folder + "\\plain.sys", "");
  EXPECT_EQ(FileVersionOf(folder + "\\plain.sys"), "(none)");
}

// ---- tool, data path, clean-up ------------------------------------------------------------------

TEST(WineHarnessToolLog, ParsesOneRequestPerLine) {
  const auto requests = winetest::ParseToolLog(" -u QD_ZelBase\tC:\\setup\r\nsnetcfg -l a b\tC:\\x y\r\n\tC:\\");
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].commandLine, " -u QD_ZelBase");
  EXPECT_EQ(requests[0].workingDirectory, "C:\\setup");
  EXPECT_EQ(requests[1].commandLine, "snetcfg -l a b");
  EXPECT_EQ(requests[1].workingDirectory, "C:\\x y");
  EXPECT_EQ(requests[2].commandLine, "");
  EXPECT_EQ(requests[2].workingDirectory, "C:\\");
  EXPECT_TRUE(winetest::ParseToolLog("").empty());
}

// Runs the setup folder's tool the way the library does: no program name, a blank-led command line.
DWORD RunTool(const std::string& folder, const char* commandLine) {
  std::string line = commandLine;
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA((folder + "\\snetcfg.exe").c_str(), &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      folder.c_str(), &startup, &process))
    return 0xdeadbeef;
  UniqueKernelHandle thread(process.hThread), owned(process.hProcess);
  WaitForSingleObject(owned.get(), 10000);
  DWORD code = 0xdeadbeef;
  GetExitCodeProcess(owned.get(), &code);
  return code;
}

TEST(WineHarnessTool, RecordsEachRequestAndExitsAsTold) {
  winetest::WineFacade machine;
  const std::string folder = machine.MakeSetupFolder("1.0.0.1", "1.0.0.1");
  EXPECT_TRUE(machine.ToolRequests().empty());
  EXPECT_EQ(RunTool(folder, " -u QD_ZelBase"), 0u);
  machine.SetToolBehaviour(1062, 300);
  const DWORD started = GetTickCount();
  EXPECT_EQ(RunTool(folder, " -l zelbase.inf -c s -i QD_ZelBase"), 1062u);
  EXPECT_GE(GetTickCount() - started, 300u);
  const auto requests = machine.ToolRequests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].commandLine, " -u QD_ZelBase");
  EXPECT_EQ(requests[1].commandLine, " -l zelbase.inf -c s -i QD_ZelBase");
  EXPECT_EQ(requests[1].workingDirectory, folder);
}

TEST(WineHarnessDataPath, IsAStringValueWithItsTerminatorAndAnExistingFolder) {
  winetest::WineFacade machine;
  machine.SetProductDataPath("C:\\basetdic-harness-data\\zel");
  char value[64];
  memset(value, 0x5a, sizeof(value));
  DWORD size = sizeof(value);
  DWORD type = 0;
  ASSERT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Qandor\\zel", "datapath", RRF_RT_ANY | RRF_NOEXPAND, &type,
                         value, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, sizeof("C:\\basetdic-harness-data\\zel"));
  EXPECT_STREQ(value, "C:\\basetdic-harness-data\\zel");
  EXPECT_TRUE(winetest::FileExists("C:\\basetdic-harness-data\\zel"));
}

// A driver a case started from a version-stamped copy: it loads, and the next machine no longer has it.
TEST(WineHarnessCleanup, RemovesAStartedDriverServiceAndTheCaseFolders) {
  std::string folder;
  {
    winetest::WineFacade machine;
    folder = machine.MakeSetupFolder("1.0.0.1", "2.0.0.0");
    machine.SetProductDataPath("C:\\basetdic-harness-data");
    UniqueServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    ASSERT_TRUE(manager.valid());
    UniqueServiceHandle service(CreateServiceA(manager.get(), "zelbase", "zelbase", SERVICE_ALL_ACCESS,
                                               SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                               (folder + "\\zelbase.sys").c_str(), nullptr, nullptr, nullptr,
                                               nullptr, nullptr));
    ASSERT_TRUE(service.valid()) << GetLastError();
    // Wine's service manager marks a driver service that a WOW64 process creates as 32-bit and loads
    // it so; Windows loads every kernel driver natively. The x86_64 image then does not start.
    EXPECT_WINE_GAP(winetest::ProcessIsWow64(), "a WOW64 process's driver service is loaded as 32-bit (1114)", {
      EXPECT_TRUE(StartServiceA(service.get(), 0, nullptr)) << GetLastError();
      UniqueFile device(CreateFileA("\\\\.\\zelbase", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                    nullptr));
      EXPECT_TRUE(device.valid()) << "the version-stamped driver did not create its device: " << GetLastError();
    });
  }
  winetest::WineFacade next;
  UniqueServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  SetLastError(0xdeadbeef);
  UniqueServiceHandle service(OpenServiceA(manager.get(), "zelbase", SERVICE_QUERY_STATUS));
  EXPECT_FALSE(service.valid());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
  UniqueKey key;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\zelbase", 0, KEY_READ, key.put()),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Qandor", 0, KEY_READ, key.put()), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(winetest::FileExists(folder));
  EXPECT_FALSE(winetest::FileExists("C:\\basetdic-harness-data"));
  UniqueFile device(CreateFileA("\\\\.\\zelbase", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(device.valid());
}

// ---- Wine-gap mark ------------------------------------------------------------------------------

TEST(WineHarnessGapMark, SwallowsTheKnownFailureOnWine) {
  EXPECT_WINE_GAP(true, "a check that fails", EXPECT_EQ(1, 2));
}

TEST(WineHarnessGapMark, FailsWhenTheGapIsGone) {
  EXPECT_NONFATAL_FAILURE(EXPECT_WINE_GAP(true, "a check that passes", EXPECT_EQ(1, 1)), "did not show");
}

TEST(WineHarnessGapMark, ReportsTheChecksAsUsualElsewhere) {
  EXPECT_NONFATAL_FAILURE(EXPECT_WINE_GAP(false, "a check that fails", EXPECT_EQ(1, 2)), "Expected equality");
}

}  // namespace
