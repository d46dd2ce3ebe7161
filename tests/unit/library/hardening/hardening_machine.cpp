#include "hardening_machine.h"

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "pe_image_writer.h"
#include "winsim/processes.h"
#include "winsim/registry.h"
#include "winsim/services.h"

namespace hardening {

const char kSetupDir[] = "C:\\setup";
const char kDataPathKey[] = "HKLM\\SOFTWARE\\Qandor\\zel";
const char kTdiKey[] = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\BaseTDI";

namespace {

// Made on first use, removed when the process ends normally. A process that ends otherwise (libFuzzer
// leaves without running destructors) can name a scratch folder of its own in BASETDIC_SCRATCH.
class HostFolder {
 public:
  HostFolder() {
    std::error_code ignored;
    const char* scratch = getenv("BASETDIC_SCRATCH");
    std::string base = scratch != nullptr && *scratch != '\0'               ? std::string(scratch)
                       : std::filesystem::is_directory("/dev/shm", ignored) ? std::string("/dev/shm")
                                                                           : std::filesystem::temp_directory_path().string();
    std::string pattern = base + "/bth-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~HostFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

const std::string& VersionedImage(const std::string& version) {
  static std::map<std::string, std::string> images;
  auto found = images.find(version);
  if (found != images.end()) return found->second;
  return images[version] = winsim::testsupport::VersionedImageBytes(version);
}

}  // namespace

const std::string& HostRoot() {
  static HostFolder folder;
  return folder.path();
}

void BootBareMachine(const winsim::MachineConfig& config) {
  std::string drive = HostRoot() + "/c";
  std::error_code ignored;
  std::filesystem::remove_all(drive, ignored);
  winsim::Boot(config, drive);
}

void BootDeployMachine(const winsim::MachineConfig& config, const std::string& setupDir) {
  BootBareMachine(config);
  PutVersionedFile(setupDir + "\\Basetdi.nt4", "1.0.0.1");
  PutVersionedFile(setupDir + "\\zelbase.sys", "1.0.0.1");
  PutVersionedFile(setupDir + "\\basetdic.dll", "1.0.0.0");
  PutVersionedFile(setupDir + "\\snetcfg.exe", "1.0.0.0");
  winsim::WriteHostFile(setupDir + "\\zelbase.inf", "[Version]\r\n");
  winsim::WriteHostFile(setupDir + "\\zelbase.cat", "catalog");
  winsim::InstallNetCfgStandIn(setupDir + "\\snetcfg.exe");
  winsim::RegPutString(kDataPathKey, "datapath", "C:\\ProgramData\\Qandor");
  winsim::WriteHostFile("C:\\ProgramData\\Qandor\\.keep", "");
  winsim::SetDriverDevice("basetdi.sys", "baseTdi");
  winsim::SetDriverDevice("zelbase.sys", "zelbase");
}

winsim::MachineConfig ConfigFor(const winsim::OsVersion& os, bool wow64) {
  winsim::MachineConfig config;
  config.os = os;
  config.wow64 = wow64;
  return config;
}

winsim::OsVersion Nt(DWORD major, DWORD minor, DWORD build) {
  return {VER_PLATFORM_WIN32_NT, major, minor, build, ""};
}

void PutVersionedFile(const std::string& windowsPath, const std::string& version) {
  winsim::WriteHostFile(windowsPath, VersionedImage(version));
}

void SwitchTraceOn() { winsim::WriteHostFile(winsim::WindowsDirectory() + "\\zel.ini", "[DEBUG]\r\nZEL=1\r\n"); }

std::string TraceText() {
  std::string text;
  winsim::ReadHostFile(winsim::Config().executablePath + ".baseTdic.txt", &text);
  return text;
}

ModuleObj* NewModule(const char* name, bool insertFiles, const std::string& setupDir) {
  ModuleObj* object = QueryModuleObj();
  testsupport::NameAndInsertFiles(object, name, setupDir, insertFiles);
  return object;
}

void Release(ModuleObj* object) { ReleaseObj(object); }

long long StoredCount() {
  winsim::RegValue value;
  if (!winsim::RegGetValue(kTdiKey, "nSon", &value)) return -1;
  if (value.data.size() != 4) return -2;
  return winsim::DwordOf(value.data);
}

bool TdiKeyExists() { return winsim::RegKeyExists(kTdiKey); }

bool TdiDriverExists() { return winsim::HostFileExists(winsim::SystemDirectory() + "\\drivers\\basetdi.sys"); }

}  // namespace hardening
