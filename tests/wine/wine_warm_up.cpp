#include "wine_warm_up.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <string>

#include "generic/win_handles.h"
#include "wine_files.h"
#include "wine_library.h"

namespace winetest {
namespace {

using basetdic::UniqueKernelHandle;
using basetdic::UniqueKey;
using basetdic::UniqueModule;
using basetdic::UniqueServiceHandle;

void TouchRegistryAndServices() {
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    UniqueKey key;
    RegOpenKeyExA(root, "Software", 0, KEY_READ, key.put());
  }
  UniqueServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  UniqueServiceHandle service(OpenServiceA(manager.get(), "basetdic-warm-up", SERVICE_QUERY_STATUS));
  // The first named object a process makes opens Wine's object directory, which stays open.
  for (const char* name : {"Global\\basetdic-warm-up", "basetdic-warm-up"}) {
    basetdic::UniqueKernelHandle mutex(CreateMutexA(nullptr, FALSE, name));
  }
}

void TouchProfileAndVersionFunctions() {
  GetPrivateProfileIntA("DEBUG", "ZEL", 0, "zel.ini");
  char system[MAX_PATH];
  UINT length = GetSystemDirectoryA(system, sizeof(system));
  if (length == 0 || length >= sizeof(system)) return;
  const std::string versionDll = std::string(system) + "\\version.dll";
  UniqueModule version(LoadLibraryA(versionDll.c_str()));
  DWORD ignored = 0;
  GetFileVersionInfoSizeA(versionDll.c_str(), &ignored);
  UniqueModule advapi(LoadLibraryA("advapi32.dll"));
}

// Starts the payload's tool once each way the library can (CreateProcessA, ShellExecuteA, WinExec), with
// its record going to a scratch log.
void TouchProcessCreation() {
  const std::string tool = PayloadDirectory() + "\\snetcfg.exe";
  const std::string log = ProgramDirectory() + "\\" + UniqueName("warm-up-") + ".log";
  SetEnvironmentVariableA("SNETCFG_LOG", log.c_str());

  std::string line = " -u warm-up";
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started = {};
  if (CreateProcessA(tool.c_str(), &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                     &started)) {
    UniqueKernelHandle thread(started.hThread), process(started.hProcess);
    WaitForSingleObject(process.get(), 10000);
  }
  SHELLEXECUTEINFOA execute = {};
  execute.cbSize = sizeof(execute);
  execute.fMask = SEE_MASK_NOCLOSEPROCESS;
  execute.lpVerb = "open";
  execute.lpFile = tool.c_str();
  execute.lpParameters = "-u warm-up";
  execute.nShow = SW_HIDE;
  if (ShellExecuteExA(&execute) && execute.hProcess != nullptr) {
    UniqueKernelHandle process(execute.hProcess);
    WaitForSingleObject(process.get(), 10000);
  }
  ShellExecuteA(nullptr, "Open", tool.c_str(), "-u warm-up", nullptr, SW_HIDE);
  WinExec(("\"" + tool + "\" -u warm-up").c_str(), SW_HIDE);
  // The last two give no process handle; wait until their records are in, so no instance outlives this.
  for (int waited = 0; waited < 100; ++waited) {
    std::string records;
    if (ReadWholeFile(log, &records) && records.size() > 0 &&
        std::count(records.begin(), records.end(), '\n') >= 4)
      break;
    Sleep(50);
  }
  SetEnvironmentVariableA("SNETCFG_LOG", nullptr);
  DeleteTree(log);
}

// GoogleTest's per-thread state on Windows (the trace stack of SCOPED_TRACE, the current thread's failure
// reporter that a Wine-gap mark swaps) is made on first use, with a duplicated thread handle and a thread
// watching it.
void TouchTestFrameworkThreadState() {
  SCOPED_TRACE("warm-up");
  ::testing::TestPartResultArray ignored;
  ::testing::ScopedFakeTestPartResultReporter reporter(
      ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &ignored);
}

}  // namespace

void WarmUpProcessOnce() {
  static const bool done = [] {
    TouchTestFrameworkThreadState();
    TouchRegistryAndServices();
    TouchProfileAndVersionFunctions();
    TouchProcessCreation();
    BasetdicLibrary();
    return true;
  }();
  (void)done;
}

}  // namespace winetest
