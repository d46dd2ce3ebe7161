// winsim's machine control API: what a test or the host sets up before the library runs, and what they
// read back afterwards. Everything here acts on the one simulated machine of the process.
#ifndef WINSIM_MACHINE_H
#define WINSIM_MACHINE_H

#include <string>
#include <vector>

#include "rules/windows_versions.h"
#include "windows.h"

namespace winsim {

// The version record GetVersionExA reports.
struct OsVersion {
  DWORD platformId = VER_PLATFORM_WIN32_NT;
  DWORD major = 5;
  DWORD minor = 1;
  DWORD build = 2600;
  std::string csdVersion;
};

// A row of the Windows table as the record this machine reports: the numbers Wine reports for the row's
// Wine name, so one scenario reads the same on both.
OsVersion OsVersionOf(const basetdic::WindowsVersion& windows);

// The rows by their Wine names, for the tests that name one Windows.
OsVersion OsNt40();    // 4.0.1381, NT
OsVersion OsWin2k();   // 5.0.2195
OsVersion OsWinXp();   // 5.1.2600
OsVersion OsVista();   // 6.0.6002
OsVersion OsWin7();    // 6.1.7601
OsVersion OsWin10();   // 6.2.9200 (what Wine reports for win10 without a manifest)
OsVersion OsWin98();   // 4.10, platform 1, build 0x040A08AE
OsVersion OsWin95();   // 4.0, platform 1

struct MachineConfig {
  OsVersion os;
  bool versionQueryFails = false;
  bool wow64 = false;
  // Empty: the version's own, C:\\WINNT on NT 4.0 and 2000, C:\\WINDOWS on the others.
  std::string windowsDirectory;
  std::string executablePath = "C:\\setup\\setup.exe";
  std::string currentDirectory = "C:\\setup";
  DWORD processId = 1234;
  SYSTEMTIME clock = {2011, 11, 4, 3, 14, 5, 7, 15};
  UINT codePage = 1252;
};

// Starts a fresh machine: empty registry apart from the standard keys, no handles, no services, no
// programs, a reset clock, and drive C: mapped onto hostFolderForC (created when missing). The Windows
// and system directories are created inside it, and SysWOW64 beside system32 on a 64-bit Windows (wow64).
void Boot(const MachineConfig& config, const std::string& hostFolderForC);

// Maps a drive letter onto a host folder (created when missing).
void MapDrive(char letter, const std::string& hostFolder);

const MachineConfig& Config();
void SetOsVersion(const OsVersion& os);
void SetVersionQueryFails(bool fails);
void SetWow64(bool wow64);
void SetExecutablePath(const std::string& path);
void SetCurrentDirectory(const std::string& path);
void SetProcessId(DWORD id);
void SetCodePage(UINT codePage);

// The simulated clock: local time starts at the configured value and only moves when told to (or when a
// wait runs on it).
void AdvanceClock(DWORD milliseconds);
ULONGLONG ClockMilliseconds();

// Begins another run of the program on this machine, as a new process would: the clock moves on by the
// time that passed since the last run and the process gets the next id (Windows hands them out in 4s).
void StartNextRun(ULONGLONG elapsedMilliseconds);

std::string WindowsDirectory();
// The native one: %windir%\SYSTEM on the Windows 95 family, %windir%\system32 on NT; fixed at Boot.
std::string SystemDirectory();
std::string Wow64SystemDirectory();    // %windir%\SysWOW64
// The processor the machine's kernel runs, which every kernel driver is built for, as a PE file header
// names it: 0x014C (i386) on 32-bit Windows, 0x8664 (AMD64) on 64-bit Windows, where this 32-bit process
// runs under WOW64 but drivers never do.
WORD NativeMachineType();

// Where a Windows path lives on the host, after case-insensitive lookup of each existing component
// (components that do not exist yet keep the case given). Empty when the drive is not mapped. No WOW64
// redirection is applied.
std::string HostPath(const std::string& windowsPath);

// Test conveniences working on the host side, outside the API (not logged, never faulted).
bool WriteHostFile(const std::string& windowsPath, const std::string& bytes);
bool ReadHostFile(const std::string& windowsPath, std::string* bytes);
bool HostFileExists(const std::string& windowsPath);

// Device objects (\\.\NAME) that CreateFileA can open. Drivers create theirs when they start; tests may
// create one directly to stand for a driver that is already up.
void CreateDevice(const std::string& name);
void RemoveDevice(const std::string& name);
bool DeviceExists(const std::string& name);
std::vector<std::string> Devices();

}  // namespace winsim

#include "winsim/observe.h"

#endif
