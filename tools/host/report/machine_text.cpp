#include "report/machine_text.h"

#include <algorithm>
#include <cstdio>

#include "report/changes_text.h"
#include "report/describe.h"
#include "report/text_layout.h"
#include "report/value_text.h"
#include "report/windows_names.h"

namespace host {
namespace {

const std::string kDetail(kDetailColumn, ' ');

std::string LocalTimeText(const SYSTEMTIME& time) {
  char text[64];
  snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u", time.wYear, time.wMonth, time.wDay, time.wHour,
           time.wMinute, time.wSecond, time.wMilliseconds);
  return text;
}

bool HasSubkeys(const Snapshot& snapshot, const std::string& lowerPath) {
  auto next = snapshot.keys.upper_bound(lowerPath);
  return next != snapshot.keys.end() && next->first.compare(0, lowerPath.size() + 1, lowerPath + "\\") == 0;
}

void PrintValues(const RegistryKeyState& key, std::ostream& out) {
  size_t nameWidth = 0, typeWidth = 0;
  for (const RegistryValueState& value : key.values) {
    nameWidth = std::max(nameWidth, std::min<size_t>(value.name.empty() ? 9 : value.name.size(), 18));
    typeWidth = std::max(typeWidth, RegistryTypeName(value.type).size());
  }
  for (const RegistryValueState& value : key.values) {
    std::string head = kDetail + Padded(value.name.empty() ? "(default)" : value.name, nameWidth) + "  " +
                       Padded(RegistryTypeName(value.type), typeWidth) + "  ";
    WriteHeadAndData(out, head, RegistryDataText(value.type, value.data), kValueDataColumn);
  }
}

}  // namespace

std::string MachineLine(const MachineSummary& machine) {
  std::string text = machine.location + ": ";
  if (!machine.versionKnown) return text + "Windows version unknown (GetVersionExA failed)";
  text += WindowsName(machine.os) + " " + VersionNumber(machine.os);
  if (machine.os.szCSDVersion[0] != '\0') text += " " + std::string(machine.os.szCSDVersion);
  text += " (" + PlatformName(machine.os.dwPlatformId) + ")";
  if (machine.wow64) text += ", 32-bit process under WOW64";
  return text;
}

void PrintMachineState(const MachineSummary& machine, const Snapshot& snapshot, std::ostream& out) {
  WriteWrapped(out, "", MachineLine(machine), 2);
  WriteWrapped(out, AreaPrefix("windows"), machine.windowsDirectory + ", system directory " + machine.systemDirectory,
               kAreaColumn);
  WriteWrapped(out, AreaPrefix("process"),
               machine.executablePath + ", id " + std::to_string(machine.processId) +
                   (machine.wow64 ? ", under WOW64" : ", not under WOW64"),
               kAreaColumn);
  WriteWrapped(out, AreaPrefix("clock"),
               LocalTimeText(machine.localTime) + ", code page " + std::to_string(machine.codePage), kAreaColumn);

  out << "\nfiles (" << snapshot.files.size() << ")\n";
  for (const auto& file : snapshot.files) {
    WriteWrapped(out, "  ", file.second.path, kDetailColumn);
    WriteWrapped(out, kDetail, DescribeFile(file.second), kDetailColumn);
  }

  size_t values = 0;
  for (const auto& key : snapshot.keys) values += key.second.values.size();
  out << "\nregistry (" << snapshot.keys.size() << " keys, " << values
      << " values; keys shown when they hold values or nothing else)\n";
  for (const auto& key : snapshot.keys) {
    bool leaf = !HasSubkeys(snapshot, key.first);
    if (key.second.values.empty() && !leaf) continue;
    WriteWrapped(out, "  ", key.second.path + (key.second.values.empty() ? "  (no values)" : ""), kDetailColumn);
    PrintValues(key.second, out);
  }

  out << "\nservices (" << snapshot.services.size() << ")\n";
  for (const auto& service : snapshot.services) {
    WriteWrapped(out, "  ", service.second.name + "  " + DescribeService(service.second), kDetailColumn);
    std::string config = DescribeServiceConfig(service.second);
    if (!config.empty()) WriteWrapped(out, kDetail, config, kDetailColumn);
  }

  out << "\ndevices (" << snapshot.devices.size() << ")\n";
  for (const std::string& device : snapshot.devices) out << "  \\\\.\\" << device << '\n';

  out << "\ntrace records (" << snapshot.traceRecords.size() << ")\n";
  size_t first = snapshot.traceRecords.size() > 5 ? snapshot.traceRecords.size() - 5 : 0;
  if (first > 0) out << "  (the last 5 of them)\n";
  for (size_t i = first; i < snapshot.traceRecords.size(); ++i) WriteWrapped(out, "  ", snapshot.traceRecords[i], 4);
}

}  // namespace host
