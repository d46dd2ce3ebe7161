// UpdateDriver: brings a deployed driver up to the setup copy. FwBaseNt on NT 4.0 takes the TDI
// registration again (one more reference); FwBase2K and FwBaseVt replace "zelbase.sys" unless the
// installed one is newer, after rewriting four of the product's service settings on NT 5.x.
#include <windows.h>

#include "rules/branch_choice.h"
#include "deploy/deploy_paths.h"
#include "generic/registry_values.h"
#include "generic/system_directory.h"
#include "generic/win_handles.h"
#include "module/base_tdi_module_obj.h"
#include "rules/product_names.h"
#include "steps/copy_driver_file.h"
#include "steps/wow64.h"

namespace basetdic {
namespace {

// One service setting: the value's data and its exact byte count are part of the format.
struct ServiceSetting {
  const char* key;
  const char* value;
  DWORD type;
  const BYTE* data;
  DWORD size;
};

const DWORD kAutoStart = SERVICE_AUTO_START;

const ServiceSetting kServiceSettings[] = {
    {kDriverServiceKey, "Start", REG_DWORD,
     reinterpret_cast<const BYTE*>(&kAutoStart), sizeof kAutoStart},
    {kZelServiceKey, "DependOnService", REG_MULTI_SZ,
     reinterpret_cast<const BYTE*>(kDependsOnZelbase), sizeof kDependsOnZelbase},
    {kFirewallDriverKey, "DependOnService", REG_MULTI_SZ,
     reinterpret_cast<const BYTE*>(kDependsOnTcpip), sizeof kDependsOnTcpip},
    {kHookUrlKey, "DependOnService", REG_MULTI_SZ,
     reinterpret_cast<const BYTE*>(kDependsOnZelbase), sizeof kDependsOnZelbase},
};

// Services of the product that this library never creates: a key that is not there is left alone.
void RewriteServiceSettings() {
  for (const ServiceSetting& setting : kServiceSettings) {
    UniqueKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, setting.key, 0, KEY_WRITE, key.put()) != ERROR_SUCCESS) continue;
    SetRegistryValue(key.get(), setting.value, setting.type, setting.data, setting.size);
  }
}

}  // namespace

int BaseTdiModuleObj::UpdateDriver() {
  if (!DeploymentGateOpen(OsVersion(), SourceDir())) return 0;
  PathBuffer systemDirectory;
  FetchSystemDirectory(systemDirectory);

  switch (ChooseUpdateBranch(Kind(), OsVersion())) {
    case UpdateBranch::TdiDriver:
      AcquireTdiRegistration(systemDirectory.c_str());
      break;

    case UpdateBranch::DriverFile: {
      if (UpdateRewritesServiceSettings(OsVersion())) RewriteServiceSettings();
      bool wow64 = IsWow64();
      PathBuffer source;
      PathBuffer destination;
      if (SetupFilePath(source, SourceDir(), kDriverFile) &&
          SystemDriverPath(destination, systemDirectory.c_str(), kDriverFile)) {
        if (wow64)
          WithRedirectionDisabled(DriverFileCopy{source.c_str(), destination.c_str(), 1});
        else
          CopyDriverFile(source.c_str(), destination.c_str(), 1);
      }
      break;
    }

    case UpdateBranch::None:
      break;
  }
  // Past the gate the update always reports success with a step pending, whichever branch ran.
  SetResult(1);
  SetPending(1);
  return 0;
}

}  // namespace basetdic
