#include "scm_drivers.h"

#include <sys/stat.h>

#include <map>

#include "driver_image.h"
#include "machine_state.h"
#include "paths.h"
#include "scm_service_key.h"
#include "winsim/machine.h"

namespace winsim::detail {
namespace {

// Image file name (lower case) -> the device its driver creates; empty: the driver creates none.
std::map<std::string, std::string>& DeviceSettings() {
  static std::map<std::string, std::string> settings;
  return settings;
}

const bool registered = OnBoot([] { DeviceSettings().clear(); });

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

bool HasDrive(const std::string& path) {
  return path.size() >= 3 && isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
         (path[2] == '\\' || path[2] == '/');
}

// %SystemRoot% and %windir%, the variables a service image path uses, without regard to case.
std::string ExpandSystemRoot(const std::string& text) {
  std::string expanded;
  size_t i = 0;
  while (i < text.size()) {
    bool matched = false;
    for (const char* variable : {"%SystemRoot%", "%windir%"}) {
      std::string name(variable);
      if (StartsWithNoCase(text.substr(i), name)) {
        expanded += WindowsDirectory();
        i += name.size();
        matched = true;
        break;
      }
    }
    if (!matched) expanded += text[i++];
  }
  return expanded;
}

std::string FileNameOf(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DefaultDeviceOf(const std::string& imageFileName) {
  size_t dot = imageFileName.rfind('.');
  return dot == std::string::npos || dot == 0 ? imageFileName : imageFileName.substr(0, dot);
}

std::string DeviceOfImage(const std::string& imageWindowsPath) {
  std::string fileName = FileNameOf(imageWindowsPath);
  auto setting = DeviceSettings().find(Lower(fileName));
  return setting != DeviceSettings().end() ? setting->second : DefaultDeviceOf(fileName);
}

bool FileExists(const std::string& windowsPath) {
  if (windowsPath.empty()) return false;
  WindowsPath parsed = ParsePathNoRedirection(windowsPath);
  std::string host = parsed.valid && !parsed.device ? HostPathOf(parsed) : std::string();
  struct stat info;
  return !host.empty() && stat(host.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The program a Win32 service's command line names: the quoted part, or the text up to the first blank.
std::string ProgramOfCommandLine(const std::string& commandLine) {
  std::string expanded = ExpandSystemRoot(commandLine);
  if (!expanded.empty() && expanded[0] == '"') {
    size_t close = expanded.find('"', 1);
    return expanded.substr(1, close == std::string::npos ? std::string::npos : close - 1);
  }
  if (FileExists(expanded)) return expanded;
  return expanded.substr(0, expanded.find(' '));
}

DWORD StartDriver(ServiceRecord& record) {
  // The loader reads the key as it is now; a key deleted behind the manager's back loads nothing.
  auto key = ServiceKey(record.name);
  if (!key) return ERROR_FILE_NOT_FOUND;
  std::string imagePath = StoredImagePath(*key);
  if (imagePath.empty()) imagePath = "\\SystemRoot\\System32\\drivers\\" + record.name + ".sys";
  std::string image = ResolveDriverImagePath(imagePath);
  if (!FileExists(image)) return ERROR_FILE_NOT_FOUND;
  std::string hostImage = HostPathOf(ParsePathNoRedirection(image));
  DWORD invalid = DriverImageError(hostImage);
  if (invalid != NO_ERROR) return invalid;
  std::string device = DeviceOfImage(image);
  // A driver whose device name is taken fails its initialisation (STATUS_OBJECT_NAME_COLLISION).
  if (!device.empty() && DeviceExists(device)) return ERROR_ALREADY_EXISTS;
  if (!device.empty()) CreateDevice(device);
  record.loadedImage = hostImage;
  record.device = device;
  record.state = SERVICE_RUNNING;
  return NO_ERROR;
}

// No program of the simulated machine is a service program: one that exists never reports to the manager.
DWORD StartWin32Service(const ServiceRecord& record) {
  std::string program = ProgramOfCommandLine(record.config.imagePath);
  if (!HasDrive(program)) program = SystemDirectory() + "\\" + program;
  return FileExists(program) ? ERROR_SERVICE_REQUEST_TIMEOUT : ERROR_FILE_NOT_FOUND;
}

}  // namespace

std::string ResolveDriverImagePath(const std::string& imagePath) {
  (void)registered;
  std::string path = ExpandSystemRoot(imagePath);
  if (StartsWithNoCase(path, "\\??\\")) path = path.substr(4);
  if (StartsWithNoCase(path, "\\SystemRoot\\")) return WindowsDirectory() + path.substr(11);
  if (HasDrive(path)) return path;
  if (path.empty() || path[0] == '\\' || path[0] == '/') return std::string();
  return WindowsDirectory() + "\\" + path;
}

DWORD StartServiceRecord(ServiceRecord& record) {
  DWORD error = record.IsDriver() ? StartDriver(record) : StartWin32Service(record);
  record.exitCode = error;
  return error;
}

void StopServiceRecord(ServiceRecord& record) {
  if (!record.device.empty()) RemoveDevice(record.device);
  record.device.clear();
  record.loadedImage.clear();
  record.state = SERVICE_STOPPED;
  record.exitCode = NO_ERROR;
}

bool IsLoadedDriverImage(const std::string& hostPath) {
  for (const auto& record : Services().Records()) {
    if (record->state == SERVICE_RUNNING && !record->loadedImage.empty() && record->loadedImage == hostPath)
      return true;
  }
  return false;
}

void SetDeviceOfDriverImage(const std::string& imageFileName, const std::string& deviceName) {
  DeviceSettings()[Lower(FileNameOf(imageFileName))] = deviceName;
}

}  // namespace winsim::detail
