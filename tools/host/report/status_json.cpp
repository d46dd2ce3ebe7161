// status as one JSON document: the same facts as the text, and the verdict with its notices.
#include "report/json_output.h"
#include "report/status_report.h"

namespace host {
namespace {

using nlohmann::json;

json FileJson(const std::string& path, bool present, const FileState& file) {
  return {{"path", path}, {"present", present}, {"file", present ? ToJson(file) : json(nullptr)}};
}

json DriverJson(const DriverStatus& driver) {
  json entry{{"name", driver.name},
             {"key", {{"path", driver.keyPath}, {"present", driver.registered}}},
             {"service", driver.knownToManager ? ToJson(driver.service) : json(nullptr)},
             {"image", FileJson(driver.imagePath, driver.imagePresent, driver.image)},
             {"setupImage", driver.setupPath.empty() ? json(nullptr)
                                                     : FileJson(driver.setupPath, driver.setupPresent, driver.setup)},
             {"device", {{"name", driver.device}, {"opens", driver.deviceOpens}}}};
  if (driver.counted) entry["count"] = driver.countReadable ? json(driver.count) : json(nullptr);
  return entry;
}

}  // namespace

void PrintStatusJson(const StatusReport& report, std::ostream& out) {
  json drivers = json::array(), others = json::array();
  for (const DriverStatus& driver : report.drivers) drivers.push_back(DriverJson(driver));
  for (const ServiceState& service : report.otherServices) others.push_back(ToJson(service));
  PrintJson({{"machine", ToJson(report.machine)},
             {"notices", ToJson(report.notices)},
             {"module", report.module},
             {"moduleChosenByHost", report.moduleChosenByHost},
             {"setupFolder", report.setupFolder},
             {"drivers", drivers},
             {"otherServices", others},
             {"networkComponent", {{"id", report.component}, {"installed", report.componentInstalled}}},
             {"dataPath",
              {{"value", report.dataPathValue},
               {"path", report.dataPath.empty() ? json(nullptr) : json(report.dataPath)},
               {"packagePresent", report.packagePresent},
               {"packageMissing", report.packageMissing}}},
             {"verdict",
              {{"word", report.state},
               {"exitCode", report.exitCode},
               {"summary", report.summary},
               {"notices", ToJson(report.problems)}}},
             {"exitCode", report.exitCode}},
            out);
}

}  // namespace host
