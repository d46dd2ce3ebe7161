#include "report/describe.h"

#include <cstdio>

#include "report/value_text.h"
#include "report/windows_names.h"

namespace host {

std::string Seconds(DWORD milliseconds) {
  char text[32];
  snprintf(text, sizeof text, "%.1f s", milliseconds / 1000.0);
  return text;
}

std::string DescribeFile(const FileState& file) {
  std::string size = std::to_string(file.size) + " bytes";
  return file.version.empty() ? "no version, " + size : "version " + file.version + ", " + size;
}

std::string DescribeService(const ServiceState& service) {
  if (service.markedForDelete) return "marked for deletion";
  return ServiceTypeName(service.type) + ", " + StartTypeName(service.start) + ", " + ServiceStateName(service.state);
}

std::string DescribeServiceConfig(const ServiceState& service) {
  if (service.markedForDelete) return "";
  std::string text = "image " + (service.imagePath.empty() ? std::string("(none)") : service.imagePath);
  if (!service.dependencies.empty()) {
    text += "; depends on";
    for (size_t i = 0; i < service.dependencies.size(); ++i) text += (i ? ", " : " ") + service.dependencies[i];
  }
  if (!service.group.empty()) text += "; group " + service.group;
  if (!service.displayName.empty() && service.displayName != service.name) text += "; shown as " + service.displayName;
  text += "; " + ErrorControlName(service.errorControl);
  return text;
}

std::string DescribeLaunch(const LaunchState& launch) {
  std::string text = launch.how;
  if (!launch.workingDirectory.empty()) text += " in " + launch.workingDirectory;
  if (launch.exited) {
    text += "; exited with " + std::to_string(launch.exitCode) + " after " + Seconds(launch.runMilliseconds);
  } else {
    text += "; still running";
  }
  return text;
}

}  // namespace host
