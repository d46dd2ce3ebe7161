// basetdic-host.exe as a support engineer runs it on a live Windows: the payload's host (on the i686
// build the package's support tool) copied into a setup folder beside the library and the module's files,
// run as its own process under Windows XP (Wine's per-program version), its report and exit code checked.
// The library's calls come through the import-table interposer the host installs on the DLL it loads.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "generic/win_handles.h"
#include "scenario_checks.h"
#include "wine_gap.h"
#include "wine_facade.h"
#include "wine_files.h"
#include "wine_library.h"

namespace winetest {
namespace {

const char kHost[] = "basetdic-host.exe";
const char kAppDefaults[] = "Software\\Wine\\AppDefaults\\basetdic-host.exe";
// Exit code of a run whose library reported success while the machine disagrees. The verdict says so.
constexpr DWORD kMachineDisagrees = 3;

struct HostRun {
  DWORD exitCode = 0xFFFFFFFFu;
  std::string out;
};

// The host sees Windows XP whatever this run of the suite shows, so its branch is FwBase2K's; the setting
// goes when the test ends.
class HostSeesWindowsXp {
 public:
  HostSeesWindowsXp() {
    basetdic::UniqueKey key;
    const char version[] = "winxp";
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kAppDefaults, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr) !=
            ERROR_SUCCESS ||
        RegSetValueExA(key.get(), "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version), sizeof version) !=
            ERROR_SUCCESS)
      ADD_FAILURE() << "cannot set HKCU\\" << kAppDefaults << " Version";
  }
  ~HostSeesWindowsXp() { RegDeleteKeyA(HKEY_CURRENT_USER, kAppDefaults); }
  HostSeesWindowsXp(const HostSeesWindowsXp&) = delete;
  HostSeesWindowsXp& operator=(const HostSeesWindowsXp&) = delete;
};

// One case's machine: the product removed before and after (by the harness's facade), a setup folder
// holding the module's files, the library and the host, and the host run from there.
class HostCase {
 public:
  HostCase() : setup_(machine_.MakeSetupFolder("1.0.0.1", "1.0.0.1")) {
    const std::string host = PayloadDirectory() + "\\" + kHost;
    if (!CopyFileA(host.c_str(), (setup_ + "\\" + kHost).c_str(), FALSE))
      ADD_FAILURE() << "cannot copy " << host << ": error " << GetLastError();
  }

  // Runs the host from the setup folder with arguments (its library and setup folder are the ones
  // beside it) and collects what it printed.
  HostRun Run(const std::string& arguments) {
    const std::string output = setup_ + "\\host-output.txt";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HostRun run;
    {
      basetdic::UniqueFile out(CreateFileA(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!out) {
        ADD_FAILURE() << "cannot create " << output << ": error " << GetLastError();
        return run;
      }
      STARTUPINFOA startup = {};
      startup.cb = sizeof startup;
      startup.dwFlags = STARTF_USESTDHANDLES;
      startup.hStdOutput = out.get();
      startup.hStdError = out.get();
      startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
      std::string command = "\"" + setup_ + "\\" + kHost + "\" " + arguments;
      PROCESS_INFORMATION process = {};
      if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, setup_.c_str(), &startup,
                          &process)) {
        ADD_FAILURE() << "cannot start " << command << ": error " << GetLastError();
        return run;
      }
      basetdic::UniqueKernelHandle processHandle(process.hProcess), threadHandle(process.hThread);
      EXPECT_EQ(WaitForSingleObject(process.hProcess, 300000), WAIT_OBJECT_0) << command;
      GetExitCodeProcess(process.hProcess, &run.exitCode);
    }
    ReadWholeFile(output, &run.out);
    return run;
  }

 private:
  WineFacade machine_;
  HostSeesWindowsXp version_;
  std::string setup_;
};

bool Says(const HostRun& run, const std::string& text) { return run.out.find(text) != std::string::npos; }

// --calls lists the library's calls as winsim's call log names them, the service functions it binds at
// run time included; --fail fails one without making it, and the verdict says what that left.
TEST(WineHost, CallsListsTheLibrarysServiceCallsAndFailMakesOneFail) {
  const struct {
    const char* arguments;
    DWORD exitCode;  // 0xFFFFFFFF: not checked here (Wine cannot start what install registers, 1114)
    const char* says[3];
  } cases[] = {
      {"--calls install", 0xFFFFFFFFu, {"call      OpenSCManagerA", "call      CreateServiceA \"ZelBase\"", "call      StartServiceA"}},
      {"--fail CreateServiceA=5 install", kMachineDisagrees,
       {"fail      CreateServiceA #1 fails with 5, access is denied", "failed    CreateServiceA \"ZelBase\"",
        "-> injected fault 5"}},
      // A close that fails leaves the handle open: the interposer's ledger still holds it after ReleaseObj.
      {"--fail CloseServiceHandle install", 0xFFFFFFFFu,
       {"fail      CloseServiceHandle #1 fails with 6", "service handle", "[handles-left]"}},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.arguments);
    HostCase host;
    HostRun run = host.Run(row.arguments);
    if (row.exitCode != 0xFFFFFFFFu) {
      EXPECT_EQ(run.exitCode, row.exitCode) << run.out;
    }
    for (const char* text : row.says) EXPECT_TRUE(Says(run, text)) << text << "\n" << run.out;
    const bool leavesHandles = std::string(row.arguments).find("Close") != std::string::npos;
    EXPECT_EQ(Says(run, "[handles-left]"), leavesHandles) << run.out;
    EXPECT_FALSE(Says(run, "[calls-not-seen]")) << run.out;
  }
}

// What only a simulated machine has is refused on a live Windows, naming each option, before the
// library is loaded: a folder, a wait or a clock the engineer gave would otherwise go unused unsaid.
TEST(WineHost, RefusesTheOptionsOfASimulatedMachine) {
  HostCase host;
  const HostRun run = host.Run("--machine elsewhere --wait 5 --deterministic status");
  EXPECT_EQ(run.exitCode, 2u) << run.out;
  EXPECT_TRUE(Says(run, "basetdic-host: --machine, --wait and --deterministic work on the simulated machine only"))
      << run.out;
  EXPECT_FALSE(Says(run, "driver")) << run.out;
}

// status after the operations: healthy where the driver came up, broken with a code where it did not or
// its image is gone.
TEST(WineHost, StatusSaysWhetherTheDriverIsUpAndWhyNot) {
  const char kRemoveImage[] = "(image removed)";  // a running driver's image cannot be deleted
  const struct {
    std::vector<const char*> steps;
    DWORD exitCode;
    const char* says;
  } cases[] = {
      // update puts the image in place; start, finding no device, registers zelbase by its full path.
      {{"update", "start"}, 0, "is installed and running"},
      {{"update", kRemoveImage, "start"}, kMachineDisagrees, "[image-missing]"},
  };
  for (const auto& row : cases) {
    std::string steps;
    for (const char* step : row.steps) steps += std::string(step) + " ";
    SCOPED_TRACE(steps);
    HostCase host;
    std::string earlier;  // what the steps before status printed, for a failure's message
    for (const char* step : row.steps) {
      if (step != kRemoveImage) {
        earlier += host.Run(step).out;
        continue;
      }
      char system[MAX_PATH] = {};
      ASSERT_GT(GetSystemDirectoryA(system, sizeof system), 0u);
      const std::string image = std::string(system) + "\\drivers\\zelbase.sys";
      scenarios::NativeFileView native;  // under WOW64 the image is in the native driver folder
      ASSERT_TRUE(DeleteFileA(image.c_str())) << image << ": error " << GetLastError();
    }
    HostRun status = host.Run("status");
    EXPECT_WINE_GAP(row.exitCode == 0 && ProcessIsWow64(), "a WOW64 process's driver service is loaded as 32-bit (1114)",
                    EXPECT_EQ(status.exitCode, row.exitCode) << earlier << status.out;
                    EXPECT_TRUE(Says(status, row.says)) << status.out);
  }
  // On Windows install and start bring the driver up; Wine cannot start the relative ImagePath install
  // registers, and the host says so.
  HostCase host;
  host.Run("install");
  host.Run("start");
  HostRun status = host.Run("status");
  EXPECT_TRUE(Says(status, "[not-running]")) << status.out;
  EXPECT_WINE_GAP(true, "relative ImagePath does not start (1114)", EXPECT_EQ(status.exitCode, 0u) << status.out);
}

}  // namespace
}  // namespace winetest
