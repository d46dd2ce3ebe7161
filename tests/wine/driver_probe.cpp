// Proves the Wine pieces end to end in the running prefix:
//   - the stand-in driver image is installed as a kernel driver service, loads
//     through StartServiceA, its device opens as \\.\zelbase and echoes a byte,
//     and it unloads through ControlService(STOP) taking the device with it;
//     this is done once for each ImagePath form a service may be given;
//   - the stand-in snetcfg.exe, started hidden with CreateProcessA and a
//     command line that begins with a blank, records that command line and its
//     working directory exactly and exits with the code it was told.
//
//   driver_probe.exe <zelbase.sys> <snetcfg.exe> [GoogleTest options]
//
// The checks are the suite's (GoogleTest, the known-gap mark of wine_gap.h);
// a summary line follows them; exits 0 only if every check passed.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "generic/win_handles.h"
#include "wine_gap.h"

namespace {

using basetdic::UniqueFile;
using basetdic::UniqueKernelHandle;
using basetdic::UniqueServiceHandle;

std::string g_driverImage;
std::string g_tool;

const char kServiceName[] = "zelbase";
const char kDevicePath[] = "\\\\.\\zelbase";

// A failed call's message: the thread's last error, read when the message is built (straight after the
// call, before anything else runs).
std::string LastError() { return "last error " + std::to_string(GetLastError()); }

std::string SystemDirectory() {
  char directory[MAX_PATH];
  const UINT got = GetSystemDirectoryA(directory, sizeof directory);
  return got != 0 && got < sizeof directory ? directory : "";
}

bool RunningOnWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// ---- the driver -------------------------------------------------------------

// Removes a service of that name left by an earlier run, stopping it first.
void RemoveLeftoverService(SC_HANDLE scm) {
  UniqueServiceHandle old(OpenServiceA(scm, kServiceName, SERVICE_ALL_ACCESS));
  if (!old) return;
  SERVICE_STATUS status;
  ControlService(old.get(), SERVICE_CONTROL_STOP, &status);
  DeleteService(old.get());
}

// Polls until the service reports wanted or about five seconds pass.
DWORD WaitForState(SC_HANDLE service, DWORD wanted) {
  SERVICE_STATUS status = {};
  for (int i = 0; i < 100; ++i) {
    if (!QueryServiceStatus(service, &status)) return 0;
    if (status.dwCurrentState == wanted) break;
    Sleep(50);
  }
  return status.dwCurrentState;
}

// Opens the device, writes one byte and reads it back through the driver.
void ExerciseDevice() {
  SetLastError(0xdeadbeef);
  UniqueFile device(CreateFileA(kDevicePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(device) << LastError();
  const unsigned char sent = 0x5a;
  DWORD written = 0xdeadbeef;
  EXPECT_TRUE(WriteFile(device.get(), &sent, 1, &written, nullptr)) << LastError();
  EXPECT_EQ(written, 1u);
  // Filler after the byte the driver may fill shows a read that runs long.
  unsigned char back[4] = {0xcc, 0xcc, 0xcc, 0xcc};
  DWORD read = 0xdeadbeef;
  EXPECT_TRUE(ReadFile(device.get(), back, 1, &read, nullptr)) << LastError();
  EXPECT_EQ(read, 1u);
  EXPECT_EQ(back[0], sent);
  EXPECT_TRUE(back[1] == 0xcc && back[2] == 0xcc && back[3] == 0xcc) << "the read ran past its byte";
}

// One full life of the driver service with the given ImagePath.
void DriverCycle(SC_HANDLE scm, const std::string& imagePath) {
  RemoveLeftoverService(scm);
  SetLastError(0xdeadbeef);
  UniqueServiceHandle service(CreateServiceA(scm, kServiceName, kServiceName, SERVICE_ALL_ACCESS,
                                             SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                             imagePath.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
  ASSERT_TRUE(service) << LastError();

  SetLastError(0xdeadbeef);
  const BOOL started = StartServiceA(service.get(), 0, nullptr);
  EXPECT_TRUE(started) << LastError();
  if (started) {
    EXPECT_EQ(WaitForState(service.get(), SERVICE_RUNNING), static_cast<DWORD>(SERVICE_RUNNING));
    ExerciseDevice();
    SERVICE_STATUS status = {};
    SetLastError(0xdeadbeef);
    EXPECT_TRUE(ControlService(service.get(), SERVICE_CONTROL_STOP, &status)) << LastError();
    EXPECT_EQ(WaitForState(service.get(), SERVICE_STOPPED), static_cast<DWORD>(SERVICE_STOPPED));
    // Unload must have taken the symbolic link away.
    SetLastError(0xdeadbeef);
    UniqueFile gone(CreateFileA(kDevicePath, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    const DWORD error = GetLastError();
    EXPECT_FALSE(gone);
    EXPECT_TRUE(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) << "error " << error;
  }
  SetLastError(0xdeadbeef);
  EXPECT_TRUE(DeleteService(service.get())) << LastError();
  service.reset();
  SetLastError(0xdeadbeef);
  UniqueServiceHandle after(OpenServiceA(scm, kServiceName, SERVICE_QUERY_STATUS));
  const DWORD error = GetLastError();
  EXPECT_FALSE(after);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
}

// The forms an installer may write. Windows resolves a relative ImagePath against the Windows
// directory; Wine 8 does not, and StartServiceA fails with ERROR_DLL_INIT_FAILED (1114) because the
// driver image is not found.
struct ImagePathForm {
  const char* label;
  std::string (*path)(const std::string& systemDirectory);
  bool wineGap;
};

const ImagePathForm kImagePathForms[] = {
    {"full path", [](const std::string& system) { return system + "\\drivers\\zelbase.sys"; }, false},
    {"\\??\\ full path", [](const std::string& system) { return "\\??\\" + system + "\\drivers\\zelbase.sys"; },
     false},
    {"\\SystemRoot\\", [](const std::string&) { return std::string("\\SystemRoot\\System32\\drivers\\zelbase.sys"); },
     false},
    {"System32-relative", [](const std::string&) { return std::string("System32\\drivers\\zelbase.sys"); }, true},
};

TEST(DriverProbe, EveryImagePathFormLoadsEchoesAndUnloads) {
  const std::string system = SystemDirectory();
  ASSERT_FALSE(system.empty()) << LastError();
  const std::string installed = system + "\\drivers\\zelbase.sys";
  ASSERT_TRUE(CopyFileA(g_driverImage.c_str(), installed.c_str(), FALSE)) << LastError();
  UniqueServiceHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  EXPECT_TRUE(scm) << LastError();
  const bool wine = RunningOnWine();
  for (const ImagePathForm& form : kImagePathForms) {
    if (!scm) break;
    SCOPED_TRACE(form.label);
    EXPECT_WINE_GAP(wine && form.wineGap, "a driver with a relative ImagePath does not start (1114)",
                    DriverCycle(scm.get(), form.path(system)));
  }
  DeleteFileA(installed.c_str());
}

// ---- the network-configuration tool ----------------------------------------

// Runs the tool with the command line in the folder, hidden; its exit code, or 0xdeadbeef.
DWORD RunHidden(const std::string& commandLine, const std::string& folder) {
  std::string writable = commandLine;  // CreateProcessA may write to its command line
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  SetLastError(0xdeadbeef);
  const BOOL created = CreateProcessA(g_tool.c_str(), &writable[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                                      nullptr, folder.c_str(), &startup, &info);
  EXPECT_TRUE(created) << LastError();
  if (!created) return 0xdeadbeef;
  UniqueKernelHandle process(info.hProcess);
  UniqueKernelHandle thread(info.hThread);
  EXPECT_EQ(WaitForSingleObject(process.get(), 30000), WAIT_OBJECT_0);
  DWORD exitCode = 0xdeadbeef;
  EXPECT_TRUE(GetExitCodeProcess(process.get(), &exitCode)) << LastError();
  return exitCode;
}

std::string ReadTextFile(const std::string& path) {
  UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr));
  EXPECT_TRUE(file) << path << ": " << LastError();
  std::string text;
  char buffer[1024];
  DWORD got = 0;
  while (file && ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  return text;
}

struct ToolRun {
  const char* commandLine;  // passed as received by CreateProcessA
  const char* exitEnv;      // SNETCFG_EXIT, or null to leave it unset
  const char* sleepEnv;     // SNETCFG_SLEEP_MS, or null to leave it unset
  DWORD expectedExit;
  DWORD minRunMs;
};

// A blank-led line as an installer passes it (no program name), one with the program name first,
// different exit codes, and one run told to take its time.
const ToolRun kToolRuns[] = {
    {" -l C:\\data\\zelbase.inf -c s -i QD_ZelBase", nullptr, nullptr, 0, 0},
    {" -u QD_ZelBase", "7", nullptr, 7, 0},
    {"snetcfg.exe -u QD_ZelBase", "0x10", "400", 16, 400},
};

TEST(DriverProbe, ToolRecordsEveryRequestAndPassesItsExitCodeThrough) {
  char temp[MAX_PATH];
  const DWORD got = GetTempPathA(sizeof temp, temp);
  ASSERT_TRUE(got != 0 && got < sizeof temp) << LastError();
  const std::string folder = std::string(temp) + "driver-probe-" + std::to_string(GetCurrentProcessId());
  const std::string log = folder + "\\requests.log";
  CreateDirectoryA(folder.c_str(), nullptr);
  DeleteFileA(log.c_str());
  SetEnvironmentVariableA("SNETCFG_LOG", log.c_str());

  std::string expected;
  for (const ToolRun& run : kToolRuns) {
    SCOPED_TRACE(run.commandLine);
    SetEnvironmentVariableA("SNETCFG_EXIT", run.exitEnv);
    SetEnvironmentVariableA("SNETCFG_SLEEP_MS", run.sleepEnv);
    const DWORD started = GetTickCount();
    EXPECT_EQ(RunHidden(run.commandLine, folder), run.expectedExit) << "exit code";
    EXPECT_GE(GetTickCount() - started, run.minRunMs) << "the run lasts at least SNETCFG_SLEEP_MS";
    expected += std::string(run.commandLine) + "\t" + folder + "\r\n";
  }
  SetEnvironmentVariableA("SNETCFG_EXIT", nullptr);
  SetEnvironmentVariableA("SNETCFG_SLEEP_MS", nullptr);
  SetEnvironmentVariableA("SNETCFG_LOG", nullptr);

  EXPECT_EQ(ReadTextFile(log), expected) << "the log holds each command line and folder";
  DeleteFileA(log.c_str());
  RemoveDirectoryA(folder.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc != 3) {
    std::printf("usage: driver_probe <zelbase.sys> <snetcfg.exe> [GoogleTest options]\n");
    return 2;
  }
  g_driverImage = argv[1];
  g_tool = argv[2];
  const int failed = RUN_ALL_TESTS();
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  GetVersionExA(&version);
  std::printf("Windows %lu.%lu.%lu platform %lu: %s\n", version.dwMajorVersion, version.dwMinorVersion,
              version.dwBuildNumber & 0xffff, version.dwPlatformId, failed == 0 ? "ok" : "FAILED");
  return failed == 0 ? 0 : 1;
}
