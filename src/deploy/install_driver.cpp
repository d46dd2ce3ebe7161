// InstallDriver: puts the named module's driver in place. FwBaseNt on NT 4.0 takes the shared TDI
// registration; FwBase2K on NT 5.x copies "zelbase.sys" and registers the kernel service "ZelBase";
// FwBaseVt on NT 6.x copies the driver package into the product data directory, has "snetcfg.exe"
// install it as a network component, and copies the driver image into the system driver directory.
#include <windows.h>

#include "rules/branch_choice.h"
#include "deploy/deploy_paths.h"
#include "generic/system_directory.h"
#include "module/base_tdi_module_obj.h"
#include "rules/product_names.h"
#include "service/service_installer.h"
#include "trace/trace_log.h"
#include "steps/copy_driver_file.h"
#include "steps/net_cfg_tool.h"
#include "steps/product_data_path.h"
#include "steps/wow64.h"

namespace basetdic {

int BaseTdiModuleObj::InstallDriver() {
  if (!DeploymentGateOpen(OsVersion(), SourceDir())) return 0;
  uint32_t result = 1;
  uint32_t pending = 0;
  PathBuffer systemDirectory;
  FetchSystemDirectory(systemDirectory);

  switch (ChooseInstallBranch(Kind(), OsVersion())) {
    case InstallBranch::TdiDriver:
      AcquireTdiRegistration(systemDirectory.c_str());
      break;

    case InstallBranch::KernelService: {
      bool wow64 = IsWow64();
      PathBuffer source;
      PathBuffer destination;
      bool pathsFit = SetupFilePath(source, SourceDir(), kDriverFile) &&
                      SystemDriverPath(destination, systemDirectory.c_str(), kDriverFile);
      // Under WOW64 a 32-bit setup cannot place the 64-bit system's driver; the service is still
      // registered and the outcome says a step is left pending.
      if (!wow64 && pathsFit) CopyDriverFile(source.c_str(), destination.c_str(), 1);
      ServiceInstaller installer;
      installer.SetDriverPath(destination.c_str());
      installer.RegisterService(kDriverRegisteredName, kDriverDisplayName, kDriverImagePath, SERVICE_AUTO_START,
                                wow64 ? kDependsOnIpFilterDriver : kDependsOnTcpip);
      pending = wow64 ? 1 : 0;
      break;
    }

    case InstallBranch::NetworkComponent: {
      PathBuffer dataPath;
      ReadProductDataPath(kProductKey, dataPath.data(), PathBuffer::kCapacity);
      if (dataPath.empty()) {
        SetResult(0);
        return 0;
      }
      PathBuffer source;
      PathBuffer destination;
      for (const char* file : kDriverPackageFiles) {
        if (SetupFilePath(source, SourceDir(), file) && DataPathFile(destination, dataPath.c_str(), file))
          CopyDriverFile(source.c_str(), destination.c_str(), 0);
      }
      PathBuffer tool;
      PathBuffer infPath;
      TextBuffer<260> commandLine;
      bool launchable = SetupFilePath(tool, SourceDir(), kNetCfgTool) &&
                        DataPathFile(infPath, dataPath.c_str(), kInfFile) &&
                        commandLine.Format(" -l %s -c s -i %s", infPath.c_str(), kNetComponentId);
      TraceLog("path:%s, cmdline:%s\n", tool.c_str(), commandLine.c_str());
      if (!launchable || !RunNetCfgTool(tool.c_str(), commandLine.c_str(), SourceDir())) result = 0;

      FetchSystemDirectory(systemDirectory);
      if (SystemDriverPath(destination, systemDirectory.c_str(), kDriverFile) &&
          SetupFilePath(source, SourceDir(), kDriverFile)) {
        if (IsWow64())
          WithRedirectionDisabled(DriverFileCopy{source.c_str(), destination.c_str(), 0});
        else
          CopyDriverFile(source.c_str(), destination.c_str(), 0);
      }
      pending = 1;
      break;
    }

    case InstallBranch::None:
      break;
  }
  SetResult(result);
  SetPending(pending);
  return 0;
}

}  // namespace basetdic
