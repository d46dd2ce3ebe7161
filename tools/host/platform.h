// What differs between the simulated machine (Linux, winsim) and a live Windows system. Everything else in
// the host is one program that calls the Windows API by its own names. Each platform implements these in
// one file: winsim/platform_winsim.cpp and windows/platform_windows.cpp.
#ifndef BASETDIC_HOST_PLATFORM_H
#define BASETDIC_HOST_PLATFORM_H

#include <cstdint>
#include <string>
#include <vector>

#include "host_request.h"
#include "module_session.h"
#include "snapshot.h"
#include "step_facts.h"

namespace host::platform {

// "winsim" or "windows".
const char* Name();

// The library beside the host program (or the one the build made).
std::string DefaultLibraryPath();
// Loads the library and finds its two exports; on failure *error says what went wrong. The library stays
// loaded until the process ends.
bool LoadModuleLibrary(const std::string& path, ModuleEntryPoints* entryPoints, std::string* error);

// Makes the machine ready for the operations: on winsim, loads the saved machine (creating a Windows XP
// one when the folder does not exist yet; *created says so); on Windows, the running system.
bool OpenMachine(const HostRequest& request, bool* created, std::string* error);
// Keeps what the run did: on winsim, saves the machine to its folder.
bool SaveMachine(const HostRequest& request, std::string* error);
// For commands that change nothing (machine show, explain): keeps a machine OpenMachine created, once the
// command has got past its checks of the command line.
bool KeepCreatedMachine(std::string* error);
// One line saying which machine this is ("machine ./basetdic-machine" or "this Windows system").
std::string MachineLocation(const HostRequest& request);

// machine init / machine reboot; false with *error where the platform has no such thing.
bool InitMachine(const HostRequest& request, std::string* error);
bool RebootMachine(std::string* error);

// The setup folder when --setup does not name one: the demo setup folder of the simulated machine, or on
// Windows the folder the library was loaded from (where a setup program keeps it with its files).
std::string DefaultSetupFolder(const std::string& libraryPath);

// What snapshots look at, devices that open, and every program launched so far.
SnapshotScope Scope();
std::vector<std::string> Devices();
// Services the service manager knows beyond the keys under Services (a key deleted while its service still
// runs); empty where the manager cannot be asked for them.
std::vector<std::string> ServicesKnownToManager();
std::vector<LaunchState> Launches();
// False where launches cannot be observed (a live system).
bool SeesLaunches();

// The platform calls that fail during a step: Mark before the step, FailedCallsSince right after it. On
// winsim every failed call from the call log; on Windows only the error the step left on the thread.
size_t MarkCalls();
std::vector<FailedCall> FailedCallsSince(size_t mark);

// What the platform remembers of a file's contents from an earlier look, so that a snapshot reads only the
// files that changed: Recall is true, with the digest and version, when the file is provably the one seen
// then; after a false Recall the snapshot reads the file and hands what it found to Remember. On Windows
// nothing is remembered.
bool RecallFileContent(const std::string& path, uint64_t size, uint64_t* digest, std::string* version);
void RememberFileContent(const std::string& path, uint64_t size, uint64_t digest, const std::string& version);

// Rehearsals for explain: a throwaway copy of the machine to run one operation on. Begin loads a fresh
// copy (again for every operation); End discards it. False where the platform cannot rehearse.
bool BeginRehearsal(const HostRequest& request, std::string* error);
void EndRehearsal();

}  // namespace host::platform

#endif
