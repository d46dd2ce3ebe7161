// What differs between the simulated machine (Linux, winsim) and a live Windows system. Everything else in
// the host is one program that calls the Windows API by its own names. Each platform implements these in
// its own folder: sim/ (platform_winsim.cpp with the machine folder and the demo setup it keeps) and
// windows/ (platform_windows.cpp); each has its library_calls_*.cpp.
#ifndef BASETDIC_HOST_PLATFORM_H
#define BASETDIC_HOST_PLATFORM_H

#include <string>
#include <vector>

#include "basetdic/module_obj.h"
#include "cli/host_request.h"
#include "observe/failed_call.h"
#include "observe/file_version.h"
#include "observe/snapshot.h"

namespace host {

// The two exports of a loaded library.
struct ModuleEntryPoints {
  QueryModuleObjFn queryModuleObj = nullptr;
  ReleaseObjFn releaseObj = nullptr;
};

}  // namespace host

namespace host::platform {

// "winsim" or "windows".
const char* Name();

// The library beside the host program (or the one the build made).
std::string DefaultLibraryPath();
// The file --library names: a bare name is the file of that name in the current folder, never one the
// loader would find on its search path (on Windows the full path, so LoadLibraryA loads only that file).
std::string LibraryFile(const std::string& given);
// What the library's version resource says; false with *why where it has none (a Linux shared object
// never has one).
bool LibraryVersion(const std::string& path, VersionFacts* facts, std::string* why);
// Loads the library and finds its two exports; on failure *error says what went wrong. The library stays
// loaded until the process ends.
bool LoadModuleLibrary(const std::string& path, ModuleEntryPoints* entryPoints, std::string* error);

// Makes the machine ready for the operations: on winsim, loads the saved machine (creating a Windows XP
// one in the default folder on its first use; *created says so; any other folder without a machine is
// refused); on Windows, the running system.
bool OpenMachine(const HostRequest& request, bool* created, std::string* error);
// Keeps what the run did: on winsim, saves the machine to the folder OpenMachine opened.
bool SaveMachine(std::string* error);
// For commands that change nothing (machine show, explain, status): keeps a machine OpenMachine created, once the
// command has got past its checks of the command line.
bool KeepCreatedMachine(std::string* error);
// One line saying which machine this is ("machine ./basetdic-machine" or "this Windows system").
std::string MachineLocation(const HostRequest& request);

// machine init / machine reboot; false with *error where the platform has no such thing. *replaced says
// that init replaced a machine (--force).
bool InitMachine(const HostRequest& request, bool* replaced, std::string* error);
bool RebootMachine(std::string* error);

// The setup folder when --setup does not name one: the demo setup folder of the simulated machine, or on
// Windows the folder the library was loaded from (where a setup program keeps it with its files).
std::string DefaultSetupFolder(const std::string& libraryPath);

// What snapshots look at, with the functions below for what only the platform can tell them.
SnapshotScope Scope();
// Devices that open, and every program launched so far.
std::vector<std::string> Devices();
// Services the service manager knows beyond the keys under Services (a key deleted while its service still
// runs); empty where the manager cannot be asked for them.
std::vector<std::string> ServicesKnownToManager();
std::vector<LaunchState> Launches();
// The ids of the network components installed ("QD_ZelBase"), as the network configuration keeps them.
std::vector<std::string> NetworkComponents();
// False where launches cannot be observed (a live system).
bool SeesLaunches();

// The library's platform calls, step by step: MarkCalls before a step, CallsSince right after it gives
// every call of the step in order. On winsim the machine's call log; on Windows the calls through the
// interposer the host installs on the library it loads (where it could not be installed, only the error
// the step left on the thread, as a call with no function).
size_t MarkCalls();
std::vector<PlatformCall> CallsSince(size_t mark);
// Whether the host sees the library's calls; false with *why where it sees only the error left on the thread.
bool SeesLibraryCalls(std::string* why);
// Makes the nth call of function the library makes from now on fail with error without being made;
// false with *why where that cannot be done here.
bool FailNthCallOf(const std::string& function, unsigned n, DWORD error, std::string* why);
// Drops every failure planned and not yet made.
void ClearFaults();
// A handle the library holds open: its kind ("key", "service manager") and what it stands for where that
// is known (the key's path, the file's name); empty where it is not.
struct LibraryHandle {
  std::string kind;
  std::string what;
};
// The handles the library has open now; false where the platform cannot tell them from the host's own.
bool LibraryHandles(std::vector<LibraryHandle>* handles);

// Rehearsals for explain: a throwaway copy of the machine to run one operation on. Begin loads a fresh
// copy (again for every operation); End discards it. False where the platform cannot rehearse.
bool BeginRehearsal(const HostRequest& request, std::string* error);
void EndRehearsal();

}  // namespace host::platform

#endif
