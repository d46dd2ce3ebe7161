#include <windows.h>

#include "generic/win_handles.h"
#include "observe/snapshot.h"
#include "platform/platform.h"

namespace host {

std::vector<std::string> ReadTraceRecords(const std::string& traceFile) {
  std::vector<std::string> records;
  if (traceFile.empty()) return records;
  basetdic::UniqueFile file(CreateFileA(traceFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return records;
  std::string text;
  char buffer[8192];
  DWORD read = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
  size_t position = 0;
  while (position < text.size()) {
    size_t end = text.find('\n', position);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(position, end - position);
    while (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) records.push_back(line);
    position = end + 1;
  }
  return records;
}

Snapshot TakeSnapshot(const SnapshotScope& scope) {
  DWORD lastError = GetLastError();
  Snapshot snapshot;
  SnapshotRegistry(scope, &snapshot);
  SnapshotServices(scope, &snapshot);
  SnapshotFiles(scope, &snapshot);
  snapshot.devices = platform::Devices();
  snapshot.launches = platform::Launches();
  snapshot.traceRecords = ReadTraceRecords(scope.traceFile);
  SetLastError(lastError);
  return snapshot;
}

}  // namespace host
