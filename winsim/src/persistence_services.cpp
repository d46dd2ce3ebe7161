// The service manager's part of a saved machine: every service it knows with the configuration it holds
// (which may differ from the registry when a key was written behind its back), its state, the device a
// running driver created and a pending deletion. Open handles do not outlive the process that held them.
#include "persistence_services.h"

#include "scm_database.h"

namespace winsim::detail {
namespace {

using nlohmann::json;

json ConfigJson(const ServiceConfig& config) {
  return json{{"type", config.type},
              {"start", config.start},
              {"errorControl", config.errorControl},
              {"tag", config.tag},
              {"imagePath", config.imagePath},
              {"group", config.group},
              {"objectName", config.objectName},
              {"displayName", config.displayName},
              {"dependOnServices", config.dependOnServices},
              {"dependOnGroups", config.dependOnGroups}};
}

ServiceConfig ConfigOf(const json& saved) {
  ServiceConfig config;
  config.type = saved.at("type").get<DWORD>();
  config.start = saved.at("start").get<DWORD>();
  config.errorControl = saved.at("errorControl").get<DWORD>();
  config.tag = saved.at("tag").get<DWORD>();
  config.imagePath = saved.at("imagePath").get<std::string>();
  config.group = saved.at("group").get<std::string>();
  config.objectName = saved.at("objectName").get<std::string>();
  config.displayName = saved.at("displayName").get<std::string>();
  config.dependOnServices = saved.at("dependOnServices").get<std::vector<std::string>>();
  config.dependOnGroups = saved.at("dependOnGroups").get<std::vector<std::string>>();
  return config;
}

}  // namespace

json SaveServiceDatabase() {
  json services = json::array();
  for (const auto& record : Services().Records()) {
    services.push_back(json{{"name", record->name},
                            {"config", ConfigJson(record->config)},
                            {"state", record->state},
                            {"exitCode", record->exitCode},
                            {"device", record->device},
                            {"loadedImage", record->loadedImage},
                            {"markedForDelete", record->markedForDelete}});
  }
  return services;
}

void LoadServiceDatabase(const json& saved) {
  Services().Clear();
  if (saved.is_null()) {
    // A machine saved without the manager's record: the manager starts as a boot leaves it.
    Services().LoadFromRegistry();
    return;
  }
  for (const json& entry : saved) {
    auto record = std::make_shared<ServiceRecord>();
    record->name = entry.at("name").get<std::string>();
    record->config = ConfigOf(entry.at("config"));
    record->state = entry.at("state").get<DWORD>();
    record->exitCode = entry.at("exitCode").get<DWORD>();
    record->device = entry.at("device").get<std::string>();
    // Machines saved before the loaded image was kept lock no file.
    record->loadedImage = entry.value("loadedImage", std::string());
    record->markedForDelete = entry.at("markedForDelete").get<bool>();
    Services().Restore(record);
  }
}

}  // namespace winsim::detail
