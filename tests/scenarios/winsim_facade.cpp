// The scenarios' machine on winsim: a freshly booted machine per case, with stand-in behaviours for the
// drivers and the network-configuration tool.
#include <windows.h>

#include <cstdio>

#include "basetdic/module_obj.h"
#include "native_images.h"
#include "scenario_platform.h"
#include "temp_machine.h"
#include "winsim/machine.h"
#include "winsim/processes.h"
#include "winsim/registry.h"
#include "winsim/services.h"

namespace scenarios {
namespace {

using winsim::testsupport::NativeDriverBytes;
using winsim::testsupport::PeKind;
using winsim::testsupport::VersionedImageBytes;

const char kToolLog[] = "C:\\snetcfg-requests.log";

// The Windows table's row by its Wine name; XP for a name it does not hold.
winsim::OsVersion OsNamed(const std::string& version) {
  const basetdic::WindowsVersion* windows = basetdic::WindowsByWineName(version.c_str());
  return windows != nullptr ? winsim::OsVersionOf(*windows) : winsim::OsWinXp();
}

class WinsimMachine final : public MachineFacade {
 public:
  explicit WinsimMachine(const std::string& version)
      : machine_(winsim::testsupport::ConfigFor(OsNamed(version))) {
    // The drivers create the devices their services open.
    winsim::SetDriverDevice("basetdi.sys", "baseTdi");
    winsim::SetDriverDevice("zelbase.sys", "zelbase");
  }

  std::string PlatformName() const override { return "winsim"; }
  void* QueryModuleObj() override { return ::QueryModuleObj(); }
  int ReleaseObj(void* object) override { return ::ReleaseObj(static_cast<ModuleObj*>(object)); }

  std::string MakeSetupFolder(const std::string& basetdiVersion, const std::string& zelbaseVersion,
                              bool withTool) override {
    std::string folder = "C:\\setup" + std::to_string(++folders_);
    // The drivers are built for the machine's processor, as the product ships them for it.
    winsim::WriteHostFile(folder + "\\Basetdi.nt4", NativeDriverBytes(basetdiVersion));
    winsim::WriteHostFile(folder + "\\zelbase.sys", NativeDriverBytes(zelbaseVersion));
    winsim::WriteHostFile(folder + "\\zelbase.inf", "[Version]\r\nSignature=\"$Windows NT$\"\r\n");
    winsim::WriteHostFile(folder + "\\zelbase.cat", "catalog");
    winsim::WriteHostFile(folder + "\\basetdic.dll", VersionedImageBytes("1.0.0.0", PeKind::Dll));
    if (withTool) {
      winsim::WriteHostFile(folder + "\\snetcfg.exe", VersionedImageBytes("1.0.0.0", PeKind::Exe));
      winsim::NetCfgStandInOptions options;
      options.requestLog = kToolLog;
      winsim::InstallNetCfgStandIn(folder + "\\snetcfg.exe", options);
      if (toolExitCode_ != 0 || toolRunMs_ != 0) SetToolBehaviour(toolExitCode_, toolRunMs_);
    }
    return folder;
  }

  void PutVersionedFile(const std::string& path, const std::string& version) override {
    winsim::WriteHostFile(path, NativeDriverBytes(version));
  }

  std::vector<ToolRequest> ToolRequests() override {
    std::vector<ToolRequest> requests;
    std::string log;
    if (!winsim::ReadHostFile(kToolLog, &log)) return requests;
    size_t position = 0;
    while (position < log.size()) {
      size_t end = log.find('\n', position);
      if (end == std::string::npos) end = log.size();
      std::string line = log.substr(position, end - position);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      size_t tab = line.find('\t');
      if (tab != std::string::npos) requests.push_back(ToolRequest{line.substr(0, tab), line.substr(tab + 1)});
      position = end + 1;
    }
    return requests;
  }

  void SetToolBehaviour(DWORD exitCode, DWORD runMilliseconds) override {
    toolExitCode_ = exitCode;
    toolRunMs_ = runMilliseconds;
    for (int i = 1; i <= folders_; ++i) {
      std::string image = "C:\\setup" + std::to_string(i) + "\\snetcfg.exe";
      if (!winsim::HostFileExists(image)) continue;
      winsim::ProgramBehaviour behaviour;
      behaviour.exitCode = exitCode;
      behaviour.runMilliseconds = runMilliseconds;
      behaviour.atLaunch = [](winsim::LaunchRecord& launch) {
        winsim::QuietScope quiet;
        std::string log;
        winsim::ReadHostFile(kToolLog, &log);
        log += launch.programCommandLine + "\t" + launch.workingDirectory + "\r\n";
        winsim::WriteHostFile(kToolLog, log);
      };
      winsim::SetProgramBehaviour(image, behaviour);
    }
  }

  void SetProductDataPath(const std::string& directory) override {
    winsim::RegPutString("HKLM\\SOFTWARE\\Qandor\\zel", "datapath", directory);
    std::string probe = directory;
    if (!probe.empty() && probe.back() == '\\') probe.pop_back();
    winsim::WriteHostFile(probe + "\\.keep", "");
  }

  HandleFingerprint TakeHandleFingerprint() override {
    HandleFingerprint fingerprint;
    for (int kind = 0; kind < static_cast<int>(winsim::HandleKind::Count); ++kind)
      fingerprint.values.push_back(winsim::OpenHandles(static_cast<winsim::HandleKind>(kind)));
    return fingerprint;
  }

  bool RunUnderWow64(bool wow64) override {
    winsim::SetWow64(wow64);
    return true;
  }

 private:
  winsim::testsupport::TempMachine machine_;
  int folders_ = 0;
  DWORD toolExitCode_ = 0;
  DWORD toolRunMs_ = 0;
};

}  // namespace

std::vector<std::string> VersionsUnderTest() { return {"nt40", "win2k", "winxp", "win7", "win98"}; }

std::unique_ptr<MachineFacade> MakeMachine(const std::string& version) {
  return std::make_unique<WinsimMachine>(version);
}

}  // namespace scenarios
