// A machine saved as a folder: machine.json for configuration and machine-wide records, registry.reg for
// the registry, drives/<letter> for the drives.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "api_call.h"
#include "machine_state.h"
#include "persistence_services.h"
#include "winsim/persistence.h"
#include "winsim/processes.h"

namespace winsim {
namespace {

namespace fs = std::filesystem;

// When the loaded machine was saved, in real time.
ULONGLONG savedAtUnixMs = 0;

ULONGLONG UnixMilliseconds() {
  return static_cast<ULONGLONG>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::system_clock::now().time_since_epoch())
                                    .count());
}

using nlohmann::json;

const char kFormat[] = "winsim machine 1";
const char kMachineFile[] = "machine.json";
const char kRegistryFile[] = "registry.reg";

std::vector<std::string>& NetCfgStandIns() {
  static std::vector<std::string> images;
  return images;
}

const bool registered = detail::OnBoot([] { NetCfgStandIns().clear(); });

bool ReadText(const fs::path& path, std::string* text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  *text = buffer.str();
  return true;
}

bool WriteText(const fs::path& path, const std::string& text) {
  fs::path temporary = path;
  temporary += ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << text;
    if (!out.flush()) return false;
  }
  std::error_code failed;
  fs::rename(temporary, path, failed);
  return !failed;
}

fs::path DriveFolder(const std::string& folder, char letter) { return fs::path(folder) / "drives" / std::string(1, letter); }

json ClockJson(const SYSTEMTIME& start, ULONGLONG elapsed) {
  return json{{"start",
               {{"year", start.wYear}, {"month", start.wMonth}, {"dayOfWeek", start.wDayOfWeek}, {"day", start.wDay},
                {"hour", start.wHour}, {"minute", start.wMinute}, {"second", start.wSecond},
                {"milliseconds", start.wMilliseconds}}},
              {"elapsedMs", elapsed}};
}

SYSTEMTIME ClockStart(const json& start) {
  SYSTEMTIME time{};
  time.wYear = start.at("year").get<WORD>();
  time.wMonth = start.at("month").get<WORD>();
  time.wDayOfWeek = start.at("dayOfWeek").get<WORD>();
  time.wDay = start.at("day").get<WORD>();
  time.wHour = start.at("hour").get<WORD>();
  time.wMinute = start.at("minute").get<WORD>();
  time.wSecond = start.at("second").get<WORD>();
  time.wMilliseconds = start.at("milliseconds").get<WORD>();
  return time;
}

json MachineJson(const std::string& folder) {
  const MachineConfig& config = Config();
  json drives = json::object();
  for (const auto& drive : detail::Core().drives) {
    drives[std::string(1, drive.first)] = (fs::path("drives") / std::string(1, drive.first)).generic_string();
  }
  (void)folder;
  return json{{"format", kFormat},
              {"os",
               {{"platformId", config.os.platformId}, {"major", config.os.major}, {"minor", config.os.minor},
                {"build", config.os.build}, {"csdVersion", config.os.csdVersion}}},
              {"versionQueryFails", config.versionQueryFails},
              {"wow64", config.wow64},
              {"windowsDirectory", config.windowsDirectory},
              {"executablePath", config.executablePath},
              {"currentDirectory", config.currentDirectory},
              {"processId", config.processId},
              {"codePage", config.codePage},
              {"clock", ClockJson(config.clock, ClockMilliseconds())},
              {"savedAtUnixMs", UnixMilliseconds()},
              {"drives", drives},
              {"devices", Devices()},
              {"services", detail::SaveServiceDatabase()},
              {"netcfgStandIns", NetCfgStandIns()}};
}

MachineConfig ConfigOf(const json& machine) {
  MachineConfig config;
  const json& os = machine.at("os");
  config.os.platformId = os.at("platformId").get<DWORD>();
  config.os.major = os.at("major").get<DWORD>();
  config.os.minor = os.at("minor").get<DWORD>();
  config.os.build = os.at("build").get<DWORD>();
  config.os.csdVersion = os.at("csdVersion").get<std::string>();
  config.versionQueryFails = machine.at("versionQueryFails").get<bool>();
  config.wow64 = machine.at("wow64").get<bool>();
  config.windowsDirectory = machine.at("windowsDirectory").get<std::string>();
  config.executablePath = machine.at("executablePath").get<std::string>();
  config.currentDirectory = machine.at("currentDirectory").get<std::string>();
  config.processId = machine.at("processId").get<DWORD>();
  config.codePage = machine.at("codePage").get<UINT>();
  config.clock = ClockStart(machine.at("clock").at("start"));
  return config;
}

// What is wrong in machine.json, in words: nlohmann's "[json.exception.out_of_range.403] key 'os' not found"
// becomes "the key 'os' is missing"; type errors keep their text without the bracketed id.
std::string JsonProblem(const json::exception& bad) {
  std::string what = bad.what();
  size_t close = what.find("] ");
  if (close != std::string::npos) what = what.substr(close + 2);
  const std::string notFound = " not found";
  if (what.compare(0, 4, "key ") == 0 && what.size() > notFound.size() &&
      what.compare(what.size() - notFound.size(), notFound.size(), notFound) == 0) {
    return "the " + what.substr(0, what.size() - notFound.size()) + " is missing";
  }
  if (bad.id >= 300 && bad.id < 400) return "a value has the wrong type (" + what + ")";
  return what;
}

// Copies a drive that lives elsewhere into the machine folder, replacing what was there.
bool CopyDriveInto(const std::string& from, const fs::path& to, std::string* error) {
  std::error_code failed;
  if (fs::exists(to) && fs::equivalent(from, to, failed)) return true;
  fs::remove_all(to, failed);
  fs::create_directories(to, failed);
  fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing, failed);
  if (failed) {
    *error = "cannot copy drive folder " + from + " to " + to.string() + ": " + failed.message();
    return false;
  }
  return true;
}

}  // namespace

bool IsMachineFolder(const std::string& folder) { return fs::is_regular_file(fs::path(folder) / kMachineFile); }

bool SaveMachine(const std::string& folder, std::string* error) {
  std::lock_guard<std::recursive_mutex> lock(detail::MachineLock());
  std::string ignored;
  if (!error) error = &ignored;
  std::error_code failed;
  fs::create_directories(folder, failed);
  for (const auto& drive : detail::Core().drives) {
    if (!CopyDriveInto(drive.second, DriveFolder(folder, drive.first), error)) return false;
  }
  return SaveMachineFiles(folder, error);
}

bool SaveMachineFiles(const std::string& folder, std::string* error) {
  std::lock_guard<std::recursive_mutex> lock(detail::MachineLock());
  std::string ignored;
  if (!error) error = &ignored;
  std::error_code failed;
  fs::create_directories(folder, failed);
  if (!WriteText(fs::path(folder) / kRegistryFile, RegistryToRegText()) ||
      !WriteText(fs::path(folder) / kMachineFile, MachineJson(folder).dump(2) + "\n")) {
    *error = "cannot write the machine files in " + folder;
    return false;
  }
  return true;
}

bool LoadMachine(const std::string& folder, std::string* error) { return LoadMachine(folder, folder, error); }

bool LoadMachine(const std::string& folder, const std::string& driveRoot, std::string* error) {
  std::lock_guard<std::recursive_mutex> lock(detail::MachineLock());
  std::string ignored;
  if (!error) error = &ignored;
  std::string machineText, registryText;
  const std::string machineFile = (fs::path(folder) / kMachineFile).string();
  const std::string registryFile = (fs::path(folder) / kRegistryFile).string();
  if (!ReadText(machineFile, &machineText)) {
    *error = folder + " holds no saved machine (" + kMachineFile + " is missing)";
    return false;
  }
  if (!ReadText(registryFile, &registryText)) {
    *error = "the machine in " + folder + " has no " + kRegistryFile + " (it is missing or cannot be read)";
    return false;
  }
  json machine = json::parse(machineText, nullptr, false);
  if (machine.is_discarded()) {
    *error = machineFile + " is not complete JSON (cut short or edited by hand)";
    return false;
  }
  if (!machine.is_object() || machine.value("format", "") != kFormat) {
    *error = machineFile + " is not a saved machine (its \"format\" is not \"" + kFormat + "\")";
    return false;
  }
  try {
    MachineConfig config = ConfigOf(machine);
    // Boot resets every area; the saved state is then laid over the fresh machine.
    Boot(config, DriveFolder(driveRoot, 'C').string());
    for (const auto& drive : machine.at("drives").items()) {
      if (drive.key().size() == 1 && drive.key() != "C") MapDrive(drive.key()[0], DriveFolder(driveRoot, drive.key()[0]).string());
    }
    if (!RegistryFromRegText(registryText, error)) {
      // "registry file line 3: ..." becomes "<folder>/registry.reg line 3: ...".
      const std::string generic = "registry file";
      *error = error->compare(0, generic.size(), generic) == 0 ? registryFile + error->substr(generic.size())
                                                                : registryFile + ": " + *error;
      return false;
    }
    AdvanceClock(static_cast<DWORD>(machine.at("clock").at("elapsedMs").get<ULONGLONG>()));
    savedAtUnixMs = machine.value("savedAtUnixMs", ULONGLONG{0});
    for (const auto& device : machine.at("devices")) CreateDevice(device.get<std::string>());
    detail::LoadServiceDatabase(machine.value("services", json()));
    for (const auto& image : machine.value("netcfgStandIns", json::array())) {
      InstallMachineNetCfgStandIn(image.get<std::string>());
    }
  } catch (const json::exception& bad) {
    *error = machineFile + ": " + JsonProblem(bad);
    return false;
  }
  return true;
}

void InstallMachineNetCfgStandIn(const std::string& imagePath) {
  std::lock_guard<std::recursive_mutex> lock(detail::MachineLock());
  (void)registered;
  NetCfgStandInOptions options;
  options.requestLog.clear();  // the components it installs are on record in the registry
  InstallNetCfgStandIn(imagePath, options);
  for (const std::string& known : NetCfgStandIns()) {
    if (detail::EqualNoCase(known, imagePath)) return;
  }
  NetCfgStandIns().push_back(imagePath);
}

std::vector<std::string> MachineNetCfgStandIns() {
  std::lock_guard<std::recursive_mutex> lock(detail::MachineLock());
  return NetCfgStandIns();
}

}  // namespace winsim

namespace winsim {

unsigned long long MillisecondsSinceSave() {
  if (savedAtUnixMs == 0) return 0;
  ULONGLONG now = UnixMilliseconds();
  return now > savedAtUnixMs ? now - savedAtUnixMs : 0;
}

}  // namespace winsim
