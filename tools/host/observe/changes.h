// What changed on the machine between two snapshots.
#ifndef BASETDIC_HOST_CHANGES_H
#define BASETDIC_HOST_CHANGES_H

#include <string>
#include <vector>

#include "observe/snapshot.h"

namespace host {

enum class ChangeKind { Added, Changed, Removed };
const char* ChangeKindName(ChangeKind kind);  // "added", "changed", "removed"
char ChangeMark(ChangeKind kind);             // '+', '~', '-'

struct FileChange {
  ChangeKind kind;
  FileState before;  // empty when added
  FileState after;   // empty when removed
};

struct ValueChange {
  ChangeKind kind;
  RegistryValueState before;
  RegistryValueState after;
};

// A key that appeared, went, or whose values changed; values lists the value changes (all of them
// added for a new key, all removed for a key that went).
struct KeyChange {
  ChangeKind kind;
  std::string path;
  std::vector<ValueChange> values;
};

struct ServiceChange {
  ChangeKind kind;
  ServiceState before;
  ServiceState after;
};

struct DeviceChange {
  ChangeKind kind;
  std::string name;
};

struct Changes {
  std::vector<FileChange> files;
  std::vector<KeyChange> keys;
  std::vector<ServiceChange> services;
  std::vector<DeviceChange> devices;
  std::vector<LaunchState> launches;     // programs started in between, as they stand afterwards
  std::vector<std::string> traceRecords;  // records appended to the trace file in between

  bool Empty() const {
    return files.empty() && keys.empty() && services.empty() && devices.empty() && launches.empty() &&
           traceRecords.empty();
  }
};

Changes Compare(const Snapshot& before, const Snapshot& after);

}  // namespace host

#endif
