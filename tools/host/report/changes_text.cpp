#include "report/changes_text.h"

#include <algorithm>

#include "report/describe.h"
#include "report/text_layout.h"
#include "report/value_text.h"
#include "report/windows_names.h"

namespace host {
namespace {

const std::string kDetail(kDetailColumn, ' ');

std::string Marked(ChangeKind kind, const std::string& text) { return std::string(1, ChangeMark(kind)) + " " + text; }

void PrintFiles(const std::vector<FileChange>& files, std::ostream& out) {
  for (const FileChange& file : files) {
    const FileState& shown = file.kind == ChangeKind::Removed ? file.before : file.after;
    std::string detail;
    if (file.kind == ChangeKind::Changed) {
      detail = file.before.version == file.after.version
                   ? "contents replaced, " + DescribeFile(file.after)
                   : "version " + (file.before.version.empty() ? "(none)" : file.before.version) + " -> " +
                         (file.after.version.empty() ? "(none)" : file.after.version) + ", " +
                         std::to_string(file.after.size) + " bytes";
    } else {
      detail = DescribeFile(shown);
    }
    WriteWrapped(out, AreaPrefix("file"), Marked(file.kind, shown.path), kDetailColumn);
    WriteWrapped(out, kDetail, detail, kDetailColumn);
  }
}

void PrintValues(const KeyChange& key, std::ostream& out) {
  size_t nameWidth = 0, typeWidth = 0;
  auto nameOf = [](const ValueChange& value) {
    const std::string& name = value.kind == ChangeKind::Removed ? value.before.name : value.after.name;
    return name.empty() ? std::string("(default)") : name;
  };
  auto typeOf = [](const ValueChange& value) {
    return RegistryTypeName(value.kind == ChangeKind::Removed ? value.before.type : value.after.type);
  };
  for (const ValueChange& value : key.values) {
    nameWidth = std::max(nameWidth, std::min<size_t>(nameOf(value).size(), 18));
    typeWidth = std::max(typeWidth, typeOf(value).size());
  }
  for (const ValueChange& value : key.values) {
    std::string head = kDetail + ChangeMark(value.kind) + " " + Padded(nameOf(value), nameWidth) + "  ";
    std::string data;
    if (value.kind == ChangeKind::Changed) {
      head += Padded(value.before.type == value.after.type ? typeOf(value)
                                                           : RegistryTypeName(value.before.type) + " -> " + typeOf(value),
                     typeWidth) +
              "  ";
      data = RegistryDataText(value.before.type, value.before.data) + " -> " +
             RegistryDataText(value.after.type, value.after.data);
    } else {
      const RegistryValueState& shown = value.kind == ChangeKind::Removed ? value.before : value.after;
      head += Padded(typeOf(value), typeWidth) + "  ";
      data = RegistryDataText(shown.type, shown.data);
    }
    WriteHeadAndData(out, head, data, kValueDataColumn);
  }
}

bool IsBelow(const std::string& path, const std::string& ancestor) {
  return path.size() > ancestor.size() && path[ancestor.size()] == '\\' &&
         LowerAscii(path.substr(0, ancestor.size())) == LowerAscii(ancestor);
}

// A new key path is shown once, at its deepest new key (the keys created on the way add nothing); a removed
// tree is shown once, at its top, with what went with it.
void PrintKeys(const std::vector<KeyChange>& keys, std::ostream& out) {
  for (size_t i = 0; i < keys.size(); ++i) {
    const KeyChange& key = keys[i];
    if (key.kind == ChangeKind::Added && key.values.empty() && i + 1 < keys.size() &&
        keys[i + 1].kind == ChangeKind::Added && IsBelow(keys[i + 1].path, key.path))
      continue;
    if (key.kind == ChangeKind::Removed) {
      size_t values = key.values.size(), subkeys = 0;
      while (i + 1 < keys.size() && keys[i + 1].kind == ChangeKind::Removed && IsBelow(keys[i + 1].path, key.path)) {
        values += keys[++i].values.size();
        ++subkeys;
      }
      std::string what = "  (" + std::to_string(values) + (values == 1 ? " value" : " values");
      if (subkeys) what += ", " + std::to_string(subkeys) + (subkeys == 1 ? " subkey" : " subkeys");
      WriteWrapped(out, AreaPrefix("registry"), Marked(key.kind, key.path) + what + ")", kDetailColumn);
      continue;
    }
    WriteWrapped(out, AreaPrefix("registry"), Marked(key.kind, key.path), kDetailColumn);
    PrintValues(key, out);
  }
}

std::string ServiceDifferences(const ServiceState& before, const ServiceState& after) {
  std::vector<std::string> parts;
  if (before.markedForDelete != after.markedForDelete)
    parts.push_back(after.markedForDelete ? "marked for deletion" : "no longer marked for deletion");
  if (before.state != after.state) parts.push_back(ServiceStateName(before.state) + " -> " + ServiceStateName(after.state));
  if (before.start != after.start) parts.push_back(StartTypeName(before.start) + " -> " + StartTypeName(after.start));
  if (before.type != after.type) parts.push_back(ServiceTypeName(before.type) + " -> " + ServiceTypeName(after.type));
  if (before.imagePath != after.imagePath) parts.push_back("image " + before.imagePath + " -> " + after.imagePath);
  if (before.dependencies != after.dependencies || before.group != after.group ||
      before.displayName != after.displayName || before.errorControl != after.errorControl)
    parts.push_back("now " + DescribeServiceConfig(after));
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : "; ") + part;
  return text;
}

void PrintServices(const std::vector<ServiceChange>& services, std::ostream& out) {
  for (const ServiceChange& service : services) {
    switch (service.kind) {
      case ChangeKind::Added:
        WriteWrapped(out, AreaPrefix("service"), Marked(service.kind, service.after.name + "  " + DescribeService(service.after)),
                     kDetailColumn);
        if (!service.after.markedForDelete) WriteWrapped(out, kDetail, DescribeServiceConfig(service.after), kDetailColumn);
        break;
      case ChangeKind::Changed:
        WriteWrapped(out, AreaPrefix("service"),
                     Marked(service.kind, service.after.name + "  " + ServiceDifferences(service.before, service.after)),
                     kDetailColumn);
        break;
      case ChangeKind::Removed:
        WriteWrapped(out, AreaPrefix("service"),
                     Marked(service.kind, service.before.name + "  (was " + DescribeService(service.before) + ")"),
                     kDetailColumn);
        break;
    }
  }
}

void PrintLaunches(const std::vector<LaunchState>& launches, std::ostream& out) {
  for (const LaunchState& launch : launches) {
    WriteWrapped(out, AreaPrefix("program"), launch.imagePath, kDetailColumn);
    WriteWrapped(out, kDetail, "command line " + QuotedText(launch.commandLine), kDetailColumn);
    WriteWrapped(out, kDetail, DescribeLaunch(launch), kDetailColumn);
  }
}

}  // namespace

std::string AreaPrefix(const std::string& label) { return Padded("  " + label, kAreaColumn); }

void PrintChanges(const Changes& changes, std::ostream& out) {
  if (changes.Empty()) {
    out << "  nothing changed on the machine\n";
    return;
  }
  PrintFiles(changes.files, out);
  PrintKeys(changes.keys, out);
  PrintServices(changes.services, out);
  for (const DeviceChange& device : changes.devices) {
    out << AreaPrefix("device") << ChangeMark(device.kind) << " \\\\.\\" << device.name << '\n';
  }
  PrintLaunches(changes.launches, out);
  for (const std::string& record : changes.traceRecords) WriteWrapped(out, AreaPrefix("trace"), record, kAreaColumn + 2);
}

}  // namespace host
