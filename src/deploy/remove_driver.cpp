// RemoveDriver: takes back what install registered. FwBaseNt releases the shared TDI registration;
// FwBase2K deletes the "zelbase" service key and driver file directly (the running driver is not
// stopped); FwBaseVt has "snetcfg.exe" uninstall the network component.
#include <windows.h>

#include "rules/branch_choice.h"
#include "deploy/deploy_paths.h"
#include "generic/system_directory.h"
#include "generic/win_handles.h"
#include "module/base_tdi_module_obj.h"
#include "rules/product_names.h"
#include "steps/net_cfg_tool.h"

namespace basetdic {
namespace {

// Deletes the service key (when it exists) with its subkeys and the driver file. Outcomes are ignored: a
// key that still holds other subkeys, or a driver file in use, stays.
void DeleteKernelService() {
  UniqueKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRemovedServiceKey, 0, KEY_WRITE | KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
    return;
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRemovedEnumKey);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRemovedSecurityKey);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRemovedServiceKey);
  PathBuffer systemDirectory;
  PathBuffer driver;
  if (FetchSystemDirectory(systemDirectory) && SystemDriverPath(driver, systemDirectory.c_str(), kDriverFile))
    DeleteFileA(driver.c_str());
}

}  // namespace

int BaseTdiModuleObj::RemoveDriver() {
  if (!DeploymentGateOpen(OsVersion(), SourceDir())) return 0;
  switch (ChooseRemoveBranch(Kind(), OsVersion())) {
    case RemoveBranch::TdiDriver:
      ReleaseTdiRegistration();
      SetResult(1);
      return 0;

    case RemoveBranch::KernelService:
      DeleteKernelService();
      SetPending(1);
      SetResult(1);
      return 0;

    case RemoveBranch::NetworkComponent: {
      // Only a tool that cannot be launched is a failure; one that runs past its wait or fails inside
      // is not reported.
      PathBuffer tool;
      TextBuffer<32> uninstall;
      bool launched = SetupFilePath(tool, SourceDir(), kNetCfgTool) &&
                      uninstall.Format(" -u %s", kNetComponentId) &&
                      RunNetCfgTool(tool.c_str(), uninstall.c_str(), nullptr);
      SetPending(1);
      SetResult(launched ? 1 : 0);
      return 0;
    }

    case RemoveBranch::None:
      SetResult(1);
      return 0;
  }
  return 0;
}

}  // namespace basetdic
