#include <windows.h>

#include "observe/snapshot.h"
#include "observe/trace_file.h"

namespace host {

Snapshot TakeSnapshot(const SnapshotScope& scope) {
  DWORD lastError = GetLastError();
  Snapshot snapshot;
  SnapshotRegistry(scope, &snapshot);
  SnapshotServices(scope, &snapshot);
  SnapshotFiles(scope, &snapshot);
  if (scope.devices != nullptr) snapshot.devices = scope.devices();
  if (scope.launches != nullptr) snapshot.launches = scope.launches();
  snapshot.traceRecords = ReadTraceRecords(scope.traceFile);
  SetLastError(lastError);
  return snapshot;
}

}  // namespace host
