// CreateProcessA on the simulated machine: finding the image, Windows' errors, what a launch records, and
// the process and thread handles it hands back.
#include <gtest/gtest.h>

#include <string>

#include "temp_machine.h"
#include "winsim/processes.h"

namespace {

using winsim::HandleKind;
using winsim::LaunchRecord;
using winsim::testsupport::ConfigFor;
using winsim::testsupport::TempMachine;

constexpr DWORD kSentinel = 0xdeadbeef;

class CreateProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(winsim::WriteHostFile("C:\\setup\\tool.exe", "MZ"));
    ASSERT_TRUE(winsim::WriteHostFile("C:\\Program Files\\App\\app.exe", "MZ"));
    ASSERT_TRUE(winsim::WriteHostFile("C:\\work\\notes.txt", "x"));
    ASSERT_TRUE(winsim::WriteHostFile(winsim::SystemDirectory() + "\\sysprog.exe", "MZ"));
  }

  // Launches and closes both handles at once; returns the launch record.
  LaunchRecord Launch(const char* application, const char* commandLine, const char* directory = nullptr) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::string line = commandLine ? commandLine : "";
    EXPECT_TRUE(CreateProcessA(application, commandLine ? &line[0] : nullptr, nullptr, nullptr, FALSE, 0, nullptr,
                               directory, &startup, &info))
        << "error " << GetLastError();
    LaunchRecord record;
    EXPECT_TRUE(winsim::FindLaunch(info.dwProcessId, &record));
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    return record;
  }

  TempMachine machine{ConfigFor(winsim::OsWin7())};
};

TEST_F(CreateProcessTest, RecordsWhatTheCallerPassedAndHandsBackBothHandles) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWDEFAULT;
  PROCESS_INFORMATION info = {};
  char line[] = " -u QD_ZelBase";
  ASSERT_TRUE(CreateProcessA("C:\\setup\\tool.exe", line, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                             "C:\\work", &startup, &info));
  EXPECT_NE(info.hProcess, nullptr);
  EXPECT_NE(info.hThread, nullptr);
  EXPECT_NE(info.dwProcessId, 0u);
  EXPECT_NE(info.dwThreadId, 0u);
  EXPECT_NE(info.dwProcessId, info.dwThreadId);
  EXPECT_EQ(winsim::OpenHandles(HandleKind::Process), 1u);
  EXPECT_EQ(winsim::OpenHandles(HandleKind::Thread), 1u);

  std::vector<LaunchRecord> launches = winsim::Launches();
  ASSERT_EQ(launches.size(), 1u);
  const LaunchRecord& launch = launches[0];
  EXPECT_EQ(launch.origin, winsim::LaunchOrigin::CreateProcess);
  EXPECT_EQ(launch.processId, info.dwProcessId);
  EXPECT_EQ(launch.imagePath, "C:\\setup\\tool.exe");
  EXPECT_EQ(launch.applicationName, std::optional<std::string>("C:\\setup\\tool.exe"));
  EXPECT_EQ(launch.commandLine, std::optional<std::string>(" -u QD_ZelBase"));
  EXPECT_EQ(launch.programCommandLine, " -u QD_ZelBase");
  EXPECT_EQ(launch.currentDirectory, std::optional<std::string>("C:\\work"));
  EXPECT_EQ(launch.workingDirectory, "C:\\work");
  EXPECT_EQ(launch.creationFlags, static_cast<DWORD>(CREATE_NO_WINDOW));
  EXPECT_EQ(launch.startupInfoSize, sizeof(STARTUPINFOA));
  EXPECT_EQ(launch.startupFlags, static_cast<DWORD>(STARTF_USESHOWWINDOW));
  EXPECT_EQ(launch.showWindow, SW_SHOWDEFAULT);
  EXPECT_TRUE(launch.exited);

  EXPECT_TRUE(CloseHandle(info.hProcess));
  EXPECT_TRUE(CloseHandle(info.hThread));
  EXPECT_EQ(winsim::OpenHandles(), 0u);
}

TEST_F(CreateProcessTest, WithoutCommandLineOrDirectoryTheProgramSeesItsNameAndTheCallersDirectory) {
  winsim::SetCurrentDirectory("C:\\work");
  LaunchRecord launch = Launch("C:\\setup\\tool.exe", nullptr);
  EXPECT_FALSE(launch.commandLine.has_value());
  EXPECT_EQ(launch.programCommandLine, "C:\\setup\\tool.exe");
  EXPECT_FALSE(launch.currentDirectory.has_value());
  EXPECT_EQ(launch.workingDirectory, "C:\\work");
}

struct FailureCase {
  const char* what;
  const char* application;
  const char* commandLine;
  const char* directory;
  DWORD error;
};

class CreateProcessFailureTest : public CreateProcessTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(CreateProcessFailureTest, FailsWithWindowsErrorAndLeavesNothingBehind) {
  const FailureCase& c = GetParam();
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info;
  info.hProcess = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(kSentinel));
  info.hThread = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(kSentinel));
  info.dwProcessId = kSentinel;
  info.dwThreadId = kSentinel;
  std::string line = c.commandLine ? c.commandLine : "";
  SetLastError(kSentinel);
  EXPECT_FALSE(CreateProcessA(c.application, c.commandLine ? &line[0] : nullptr, nullptr, nullptr, FALSE, 0, nullptr,
                              c.directory, &startup, &info));
  EXPECT_EQ(GetLastError(), c.error);
  EXPECT_EQ(info.hProcess, reinterpret_cast<HANDLE>(static_cast<uintptr_t>(kSentinel)));
  EXPECT_EQ(info.dwProcessId, kSentinel);
  EXPECT_EQ(winsim::OpenHandles(), 0u);
  EXPECT_TRUE(winsim::Launches().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Errors, CreateProcessFailureTest,
    ::testing::Values(
        FailureCase{"MissingFile", "C:\\setup\\missing.exe", " -x", nullptr, ERROR_FILE_NOT_FOUND},
        FailureCase{"MissingFolder", "C:\\nowhere\\tool.exe", " -x", nullptr, ERROR_PATH_NOT_FOUND},
        FailureCase{"FolderAsImage", "C:\\setup", nullptr, nullptr, ERROR_ACCESS_DENIED},
        FailureCase{"EmptyName", "", " -x", nullptr, ERROR_PATH_NOT_FOUND},
        FailureCase{"NoExtensionAddedToName", "C:\\setup\\tool", nullptr, nullptr, ERROR_FILE_NOT_FOUND},
        FailureCase{"MissingFirstToken", nullptr, "missing.exe -x", nullptr, ERROR_FILE_NOT_FOUND},
        FailureCase{"MissingFolderInToken", nullptr, "C:\\nowhere\\tool.exe", nullptr, ERROR_FILE_NOT_FOUND},
        FailureCase{"MissingWorkingDirectory", "C:\\setup\\tool.exe", nullptr, "C:\\nowhere", ERROR_DIRECTORY},
        FailureCase{"FileAsWorkingDirectory", "C:\\setup\\tool.exe", nullptr, "C:\\work\\notes.txt", ERROR_DIRECTORY},
        // With an application name the directory is checked first; without one the image is.
        FailureCase{"BothMissingWithName", "C:\\setup\\missing.exe", nullptr, "C:\\nowhere", ERROR_DIRECTORY},
        FailureCase{"BothMissingWithoutName", nullptr, "missing.exe", "C:\\nowhere", ERROR_FILE_NOT_FOUND},
        FailureCase{"NothingToRun", nullptr, nullptr, nullptr, ERROR_INVALID_PARAMETER}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.what); });

struct SearchCase {
  const char* what;
  const char* commandLine;
  const char* image;
};

class CommandLineSearchTest : public CreateProcessTest, public ::testing::WithParamInterface<SearchCase> {};

TEST_P(CommandLineSearchTest, FindsTheImageNamedByTheFirstToken) {
  winsim::SetCurrentDirectory("C:\\work");
  LaunchRecord launch = Launch(nullptr, GetParam().commandLine);
  EXPECT_EQ(launch.imagePath, GetParam().image);
  EXPECT_EQ(launch.programCommandLine, GetParam().commandLine);
  EXPECT_FALSE(launch.applicationName.has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Tokens, CommandLineSearchTest,
    ::testing::Values(
        SearchCase{"FullPath", "C:\\setup\\tool.exe -a b", "C:\\setup\\tool.exe"},
        SearchCase{"ExtensionAdded", "C:\\setup\\tool -a", "C:\\setup\\tool.exe"},
        SearchCase{"CaseKeptAsGiven", "c:\\SETUP\\Tool.EXE", "C:\\SETUP\\Tool.EXE"},
        SearchCase{"BesideTheCallersExecutable", "tool -a", "C:\\setup\\tool.exe"},
        SearchCase{"SystemDirectory", "sysprog", "C:\\WINDOWS\\system32\\sysprog.exe"},
        SearchCase{"Quoted", "\"C:\\Program Files\\App\\app.exe\" -x", "C:\\Program Files\\App\\app.exe"},
        SearchCase{"UnquotedWithBlanks", "C:\\Program Files\\App\\app.exe -x", "C:\\Program Files\\App\\app.exe"}),
    [](const ::testing::TestParamInfo<SearchCase>& info) { return std::string(info.param.what); });

TEST_F(CreateProcessTest, WowProcessesRunSystemProgramsFromSysWow64) {
  ASSERT_TRUE(winsim::WriteHostFile(winsim::Wow64SystemDirectory() + "\\sysprog.exe", "MZ"));
  winsim::SetWow64(true);
  LaunchRecord launch = Launch("C:\\WINDOWS\\system32\\sysprog.exe", nullptr);
  EXPECT_EQ(launch.imagePath, "C:\\WINDOWS\\SysWOW64\\sysprog.exe");
}

TEST_F(CreateProcessTest, InjectedFaultFailsTheLaunch) {
  winsim::FailNthCallOf("CreateProcessA", 1, ERROR_NOT_ENOUGH_MEMORY);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  EXPECT_FALSE(CreateProcessA("C:\\setup\\tool.exe", nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &info));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(info.hProcess, nullptr);
  EXPECT_TRUE(winsim::Launches().empty());
}

}  // namespace
