#include "observe/changes.h"

#include <algorithm>

namespace host {
namespace {

bool SameFile(const FileState& a, const FileState& b) {
  return a.size == b.size && a.digest == b.digest && a.version == b.version;
}

bool SameService(const ServiceState& a, const ServiceState& b) {
  return a.markedForDelete == b.markedForDelete && a.type == b.type && a.start == b.start &&
         a.errorControl == b.errorControl && a.imagePath == b.imagePath && a.group == b.group &&
         a.dependencies == b.dependencies && a.displayName == b.displayName && a.state == b.state;
}

// Walks two maps keyed alike and reports entries only in the first, only in the second, and in both.
template <typename Map, typename OnRemoved, typename OnAdded, typename OnBoth>
void Merge(const Map& before, const Map& after, OnRemoved onRemoved, OnAdded onAdded, OnBoth onBoth) {
  auto b = before.begin();
  auto a = after.begin();
  while (b != before.end() || a != after.end()) {
    if (a == after.end() || (b != before.end() && b->first < a->first)) {
      onRemoved(b->second);
      ++b;
    } else if (b == before.end() || a->first < b->first) {
      onAdded(a->second);
      ++a;
    } else {
      onBoth(b->second, a->second);
      ++a;
      ++b;
    }
  }
}

std::vector<ValueChange> CompareValues(const std::vector<RegistryValueState>& before,
                                       const std::vector<RegistryValueState>& after) {
  std::vector<ValueChange> changes;
  auto findIn = [](const std::vector<RegistryValueState>& values, const std::string& name) {
    return std::find_if(values.begin(), values.end(),
                        [&](const RegistryValueState& value) { return LowerAscii(value.name) == LowerAscii(name); });
  };
  for (const RegistryValueState& old : before) {
    auto now = findIn(after, old.name);
    if (now == after.end()) {
      changes.push_back(ValueChange{ChangeKind::Removed, old, RegistryValueState{}});
    } else if (now->type != old.type || now->data != old.data) {
      changes.push_back(ValueChange{ChangeKind::Changed, old, *now});
    }
  }
  for (const RegistryValueState& now : after) {
    if (findIn(before, now.name) == before.end()) changes.push_back(ValueChange{ChangeKind::Added, RegistryValueState{}, now});
  }
  return changes;
}

}  // namespace

const char* ChangeKindName(ChangeKind kind) {
  switch (kind) {
    case ChangeKind::Added: return "added";
    case ChangeKind::Changed: return "changed";
    case ChangeKind::Removed: return "removed";
  }
  return "?";
}

char ChangeMark(ChangeKind kind) {
  switch (kind) {
    case ChangeKind::Added: return '+';
    case ChangeKind::Changed: return '~';
    case ChangeKind::Removed: return '-';
  }
  return '?';
}

Changes Compare(const Snapshot& before, const Snapshot& after) {
  Changes changes;
  Merge(
      before.files, after.files,
      [&](const FileState& old) { changes.files.push_back(FileChange{ChangeKind::Removed, old, FileState{}}); },
      [&](const FileState& now) { changes.files.push_back(FileChange{ChangeKind::Added, FileState{}, now}); },
      [&](const FileState& old, const FileState& now) {
        if (!SameFile(old, now)) changes.files.push_back(FileChange{ChangeKind::Changed, old, now});
      });
  Merge(
      before.keys, after.keys,
      [&](const RegistryKeyState& old) {
        changes.keys.push_back(KeyChange{ChangeKind::Removed, old.path, CompareValues(old.values, {})});
      },
      [&](const RegistryKeyState& now) {
        changes.keys.push_back(KeyChange{ChangeKind::Added, now.path, CompareValues({}, now.values)});
      },
      [&](const RegistryKeyState& old, const RegistryKeyState& now) {
        std::vector<ValueChange> values = CompareValues(old.values, now.values);
        if (!values.empty()) changes.keys.push_back(KeyChange{ChangeKind::Changed, now.path, values});
      });
  Merge(
      before.services, after.services,
      [&](const ServiceState& old) { changes.services.push_back(ServiceChange{ChangeKind::Removed, old, ServiceState{}}); },
      [&](const ServiceState& now) { changes.services.push_back(ServiceChange{ChangeKind::Added, ServiceState{}, now}); },
      [&](const ServiceState& old, const ServiceState& now) {
        if (!SameService(old, now)) changes.services.push_back(ServiceChange{ChangeKind::Changed, old, now});
      });
  auto hasDevice = [](const std::vector<std::string>& devices, const std::string& name) {
    return std::any_of(devices.begin(), devices.end(),
                       [&](const std::string& device) { return LowerAscii(device) == LowerAscii(name); });
  };
  for (const std::string& device : before.devices) {
    if (!hasDevice(after.devices, device)) changes.devices.push_back(DeviceChange{ChangeKind::Removed, device});
  }
  for (const std::string& device : after.devices) {
    if (!hasDevice(before.devices, device)) changes.devices.push_back(DeviceChange{ChangeKind::Added, device});
  }
  if (after.launches.size() > before.launches.size()) {
    changes.launches.assign(after.launches.begin() + static_cast<long>(before.launches.size()), after.launches.end());
  }
  size_t keptRecords = before.traceRecords.size() <= after.traceRecords.size() ? before.traceRecords.size() : 0;
  changes.traceRecords.assign(after.traceRecords.begin() + static_cast<long>(keptRecords), after.traceRecords.end());
  return changes;
}

}  // namespace host
