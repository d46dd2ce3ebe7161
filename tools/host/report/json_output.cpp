#include "report/json_output.h"

#include <cstdio>

#include "report/json_text.h"
#include "report/value_text.h"
#include "report/windows_names.h"

namespace host {

using nlohmann::json;

namespace {

json Texts(const std::vector<std::string>& texts) {
  json list = json::array();
  for (const std::string& text : texts) list.push_back(text);
  return list;
}

json ValueChangeJson(const ValueChange& change) {
  json value{{"change", ChangeKindName(change.kind)}};
  if (change.kind != ChangeKind::Added) value["before"] = ToJson(change.before);
  if (change.kind != ChangeKind::Removed) value["after"] = ToJson(change.after);
  return value;
}

template <typename Change, typename State>
json BeforeAfter(const Change& change, const State& before, const State& after) {
  json entry{{"change", ChangeKindName(change.kind)}};
  if (change.kind != ChangeKind::Added) entry["before"] = ToJson(before);
  if (change.kind != ChangeKind::Removed) entry["after"] = ToJson(after);
  return entry;
}

}  // namespace

json ToJson(const MachineSummary& machine) {
  char localTime[64];
  snprintf(localTime, sizeof localTime, "%04u-%02u-%02uT%02u:%02u:%02u.%03u", machine.localTime.wYear,
           machine.localTime.wMonth, machine.localTime.wDay, machine.localTime.wHour, machine.localTime.wMinute,
           machine.localTime.wSecond, machine.localTime.wMilliseconds);
  json windows = nullptr;
  if (machine.versionKnown) {
    windows = json{{"name", WindowsName(machine.os)},
                   {"platformId", machine.os.dwPlatformId},
                   {"major", machine.os.dwMajorVersion},
                   {"minor", machine.os.dwMinorVersion},
                   {"build", machine.os.dwBuildNumber},
                   {"csdVersion", machine.os.szCSDVersion}};
  }
  return json{{"platform", machine.platform},
              {"location", machine.location},
              {"windows", windows},
              {"wow64", machine.wow64},
              {"windowsDirectory", machine.windowsDirectory},
              {"systemDirectory", machine.systemDirectory},
              {"executablePath", machine.executablePath},
              {"processId", machine.processId},
              {"localTime", localTime},
              {"codePage", machine.codePage}};
}

json ToJson(const FileState& file) {
  char digest[20];
  snprintf(digest, sizeof digest, "%016llx", static_cast<unsigned long long>(file.digest));
  return json{{"path", file.path},
              {"size", file.size},
              {"version", file.version.empty() ? json(nullptr) : json(file.version)},
              {"digest", digest}};
}

json ToJson(const RegistryValueState& value) {
  return json{{"name", value.name},
              {"type", RegistryTypeName(value.type)},
              {"typeCode", value.type},
              {"size", value.data.size()},
              {"hex", HexBytes(value.data)},
              {"text", RegistryDataText(value.type, value.data)}};
}

json ToJson(const ServiceState& service) {
  json entry{{"name", service.name}, {"markedForDelete", service.markedForDelete}};
  if (service.markedForDelete) return entry;
  entry["type"] = ServiceTypeName(service.type);
  entry["typeCode"] = service.type;
  entry["start"] = StartTypeName(service.start);
  entry["startCode"] = service.start;
  entry["errorControl"] = service.errorControl;
  entry["imagePath"] = service.imagePath;
  entry["group"] = service.group;
  entry["dependencies"] = Texts(service.dependencies);
  entry["displayName"] = service.displayName;
  entry["state"] = ServiceStateName(service.state);
  entry["stateCode"] = service.state;
  entry["exitCode"] = service.exitCode;
  entry["exitCodeMeaning"] = service.exitCode == 0 ? json(nullptr) : json(ErrorWords(service.exitCode));
  return entry;
}

json ToJson(const LaunchState& launch) {
  return json{{"imagePath", launch.imagePath},
              {"commandLine", launch.commandLine},
              {"how", launch.how},
              {"workingDirectory", launch.workingDirectory},
              {"exited", launch.exited},
              {"exitCode", launch.exited ? json(launch.exitCode) : json(nullptr)},
              {"runMilliseconds", launch.runMilliseconds}};
}

json ToJson(const ModuleStatus& status) {
  return json{{"result", status.result},
              {"pending", status.pending},
              {"words", {status.result, status.pending, status.reserved[0], status.reserved[1], status.reserved[2]}}};
}

json ToJson(const Changes& changes) {
  json files = json::array(), keys = json::array(), services = json::array(), devices = json::array(),
       programs = json::array();
  for (const FileChange& file : changes.files) files.push_back(BeforeAfter(file, file.before, file.after));
  for (const KeyChange& key : changes.keys) {
    json values = json::array();
    for (const ValueChange& value : key.values) values.push_back(ValueChangeJson(value));
    keys.push_back(json{{"change", ChangeKindName(key.kind)}, {"path", key.path}, {"values", values}});
  }
  for (const ServiceChange& service : changes.services)
    services.push_back(BeforeAfter(service, service.before, service.after));
  for (const DeviceChange& device : changes.devices)
    devices.push_back(json{{"change", ChangeKindName(device.kind)}, {"name", device.name}});
  for (const LaunchState& launch : changes.launches) programs.push_back(ToJson(launch));
  return json{{"files", files},     {"registry", keys},   {"services", services},
              {"devices", devices}, {"programs", programs}, {"trace", Texts(changes.traceRecords)}};
}

json ToJson(const Snapshot& snapshot) {
  json files = json::array(), keys = json::array(), services = json::array();
  for (const auto& file : snapshot.files) files.push_back(ToJson(file.second));
  for (const auto& key : snapshot.keys) {
    json values = json::array();
    for (const RegistryValueState& value : key.second.values) values.push_back(ToJson(value));
    keys.push_back(json{{"path", key.second.path}, {"values", values}});
  }
  for (const auto& service : snapshot.services) services.push_back(ToJson(service.second));
  json programs = json::array();
  for (const LaunchState& launch : snapshot.launches) programs.push_back(ToJson(launch));
  return json{{"files", files},
              {"registry", keys},
              {"services", services},
              {"devices", Texts(snapshot.devices)},
              {"programs", programs},
              {"networkComponents", Texts(snapshot.networkComponents)},
              {"trace", Texts(snapshot.traceRecords)}};
}

json ToJson(const std::vector<Notice>& notices) {
  json list = json::array();
  for (const Notice& notice : notices) list.push_back({{"code", notice.code}, {"text", notice.text}});
  return list;
}

namespace {

// Every text in the document as JsonText makes it, keys included.
json WithJsonTexts(const json& value) {
  if (value.is_string()) return JsonText(value.get_ref<const std::string&>());
  if (value.is_array()) {
    json list = json::array();
    for (const json& item : value) list.push_back(WithJsonTexts(item));
    return list;
  }
  if (value.is_object()) {
    json object = json::object();
    for (auto item = value.begin(); item != value.end(); ++item) object[JsonText(item.key())] = WithJsonTexts(item.value());
    return object;
  }
  return value;
}

}  // namespace

void PrintJson(const json& document, std::ostream& out) {
  out << WithJsonTexts(document).dump(2, ' ', false, json::error_handler_t::replace) << '\n';
}

json ToJson(const std::vector<PlatformCall>& failedCalls) {
  json list = json::array();
  for (const PlatformCall& call : failedCalls) {
    list.push_back({{"function", call.function},
                    {"arguments", ReadableCallArguments(call.arguments)},
                    {"error", call.error},
                    {"meaning", call.error == ERROR_SUCCESS ? std::string("ok") : ErrorWords(call.error)},
                    {"injected", call.injected}});
  }
  return list;
}

}  // namespace host
