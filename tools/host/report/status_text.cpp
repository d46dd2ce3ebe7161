// status in text: the module, one block per driver, the component and the data path, the notices, and
// the judgement on the last line.
#include "report/changes_text.h"
#include "report/describe.h"
#include "report/machine_text.h"
#include "report/status_report.h"
#include "report/text_layout.h"
#include "report/windows_names.h"

namespace host {
namespace {

std::string FileLine(const std::string& path, bool present, const FileState& file) {
  return path + ": " + (present ? DescribeFile(file) : std::string("missing"));
}

void PrintDriver(const DriverStatus& driver, std::ostream& out) {
  const bool anything = driver.registered || driver.knownToManager || driver.imagePresent || driver.deviceOpens;
  std::string state = driver.knownToManager ? DescribeService(driver.service)
                                            : driver.registered ? "registered, unknown to the service manager"
                                                                : "not installed";
  WriteWrapped(out, Padded(driver.name, kAreaColumn), state, kAreaColumn);
  if (!anything) return;
  WriteWrapped(out, AreaPrefix("key"), driver.keyPath + (driver.registered ? "" : ": missing"), kAreaColumn);
  if (driver.knownToManager) {
    std::string config = DescribeServiceConfig(driver.service);
    if (!config.empty()) WriteWrapped(out, AreaPrefix("config"), config, kAreaColumn);
  }
  std::string image = FileLine(driver.imagePath, driver.imagePresent, driver.image);
  if (driver.setupPresent) image += " (setup: " + (driver.setup.version.empty() ? "no version" : driver.setup.version) + ")";
  WriteWrapped(out, AreaPrefix("image"), image, kAreaColumn);
  WriteWrapped(out, AreaPrefix("device"), "\\\\.\\" + driver.device + (driver.deviceOpens ? " opens" : " does not open"),
               kAreaColumn);
  if (driver.counted) {
    WriteWrapped(out, AreaPrefix("count"),
                 "nSon " + (driver.countReadable ? std::to_string(driver.count) : std::string("missing")), kAreaColumn);
  }
}

}  // namespace

void PrintStatusText(const StatusReport& report, std::ostream& out) {
  WriteWrapped(out, "", MachineLine(report.machine), 2);
  for (const Notice& notice : report.notices)
    WriteWrapped(out, AreaPrefix("note"), notice.text + " [" + notice.code + "]", kAreaColumn);
  WriteWrapped(out, AreaPrefix("module"),
               report.module + (report.moduleChosenByHost ? " (the kind for this Windows version; --module chooses)" : ""),
               kAreaColumn);
  if (!report.setupFolder.empty()) WriteWrapped(out, AreaPrefix("setup"), report.setupFolder, kAreaColumn);
  out << '\n';
  for (const DriverStatus& driver : report.drivers) PrintDriver(driver, out);
  for (const ServiceState& service : report.otherServices) {
    WriteWrapped(out, Padded(service.name, kAreaColumn), DescribeService(service), kAreaColumn);
  }
  WriteWrapped(out, Padded("network", kAreaColumn),
               report.component + (report.componentInstalled ? " installed" : " not installed"), kAreaColumn);
  std::string dataPath = report.dataPath.empty() ? "not set (" + report.dataPathValue + ")" : report.dataPath;
  if (!report.dataPath.empty() && !report.packagePresent.empty()) dataPath += ", holds the driver package";
  if (!report.packageMissing.empty() && !report.packagePresent.empty()) dataPath += " in part";
  WriteWrapped(out, Padded("data path", kAreaColumn), dataPath, kAreaColumn);
  if (!report.problems.empty()) out << '\n';
  for (const Notice& notice : report.problems) {
    WriteWrapped(out, AreaPrefix("note"), notice.text + " [" + notice.code + "]", kAreaColumn);
  }
  out << '\n';
  WriteWrapped(out, "", report.summary, 2);
}

void PrintStatus(const StatusReport& report, bool json, std::ostream& out) {
  if (json) {
    PrintStatusJson(report, out);
  } else {
    PrintStatusText(report, out);
  }
}

}  // namespace host
