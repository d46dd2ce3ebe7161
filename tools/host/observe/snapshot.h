// What the host can see of a machine at one moment: files with their versions, registry keys and values,
// services as the service manager reports them, devices that open, programs started so far and the trace
// file's records. Two snapshots, before and after a call, give what the call changed.
#ifndef BASETDIC_HOST_SNAPSHOT_H
#define BASETDIC_HOST_SNAPSHOT_H

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "observe/windows_case.h"

namespace host {

struct FileState {
  std::string path;     // full Windows path as found
  uint64_t size = 0;
  uint64_t digest = 0;  // of the contents; 0 when they could not be read
  std::string version;  // "FileVersion" of the version resource; empty when it has none
};

struct RegistryValueState {
  std::string name;  // empty: the default value
  DWORD type = 0;
  std::string data;  // exact bytes
};

struct RegistryKeyState {
  std::string path;  // "HKLM\SYSTEM\..."
  std::vector<RegistryValueState> values;  // in enumeration order
};

struct ServiceState {
  std::string name;
  bool markedForDelete = false;  // the manager refuses it with ERROR_SERVICE_MARKED_FOR_DELETE
  DWORD type = 0;
  DWORD start = 0;
  DWORD errorControl = 0;
  std::string imagePath;
  std::string group;
  std::vector<std::string> dependencies;
  std::string displayName;
  DWORD state = 0;  // SERVICE_STOPPED, SERVICE_RUNNING, ...
};

struct LaunchState {
  std::string imagePath;
  std::string commandLine;
  std::string how;               // "CreateProcess", "ShellExecute", "WinExec"
  std::string workingDirectory;
  bool exited = false;
  DWORD exitCode = 0;
  DWORD runMilliseconds = 0;
};

// Lower-case keys make the maps compare names as Windows does.
struct Snapshot {
  std::map<std::string, FileState> files;
  std::map<std::string, RegistryKeyState> keys;
  std::map<std::string, ServiceState> services;
  std::vector<std::string> devices;
  std::vector<LaunchState> launches;  // every launch the machine has recorded, in order
  std::vector<std::string> traceRecords;
};

// Where a snapshot looks. On the simulated machine that is everything; on a live system the places the
// library works on.
struct SnapshotScope {
  std::vector<std::string> registryRoots;  // "HKLM\SYSTEM\CurrentControlSet\Services", "HKLM"
  struct Folder {
    std::string path;
    bool recursive = true;
  };
  std::vector<Folder> folders;
  std::string traceFile;  // reported as trace records, not as a file
  // Services to ask the service manager about; empty: every key under Services and every service the
  // manager reports knowing.
  std::vector<std::string> services;
  // What only the platform can tell, asked at every snapshot: the devices that open, every program
  // launched so far, and the services the manager knows beyond the keys under Services. Null: none.
  std::vector<std::string> (*devices)() = nullptr;
  std::vector<LaunchState> (*launches)() = nullptr;
  std::vector<std::string> (*servicesKnownToManager)() = nullptr;
  // What the platform remembers of a file's contents from an earlier look, so that a snapshot reads only
  // the files that changed: recall is true, with the digest and version, when the file is provably the one
  // seen then; after a false recall the snapshot reads the file and hands what it found to remember. Null:
  // nothing is remembered, every file is read.
  bool (*recallFileContent)(const std::string& path, uint64_t size, uint64_t* digest, std::string* version) = nullptr;
  void (*rememberFileContent)(const std::string& path, uint64_t size, uint64_t digest,
                              const std::string& version) = nullptr;
};

Snapshot TakeSnapshot(const SnapshotScope& scope);

// The parts, one file each.
void SnapshotRegistry(const SnapshotScope& scope, Snapshot* snapshot);
void SnapshotFiles(const SnapshotScope& scope, Snapshot* snapshot);
void SnapshotServices(const SnapshotScope& scope, Snapshot* snapshot);

}  // namespace host

#endif
