// The start operation: makes sure the module's driver runs. A device that already opens means the driver
// is up and nothing more happens; otherwise the driver's service is created when missing and started,
// and its device opened once more. The host always reads result 1.
#include "rules/branch_choice.h"
#include "deploy/deploy_paths.h"
#include "generic/system_directory.h"
#include "module/base_tdi_module_obj.h"
#include "rules/product_names.h"
#include "service/driver_service.h"

namespace basetdic {
namespace {

struct StartTarget {
  const char* deviceName;   // \\.\deviceName
  const char* serviceName;  // also the display name of a service created here
  const char* driverFile;   // in the system driver directory
};

const StartTarget kNtTarget = {kTdiDeviceName, kTdiServiceName, kTdiDriverFile};
const StartTarget k2KTarget = {kDriverDeviceName, kDriverServiceName, kDriverFile};

// The driver's path in the system driver directory; false when there is no system directory or the
// path does not fit.
bool BuildImagePath(const char* driverFile, PathBuffer& imagePath) {
  PathBuffer systemDirectory;
  return FetchSystemDirectory(systemDirectory) && SystemDriverPath(imagePath, systemDirectory.c_str(), driverFile);
}

}  // namespace

int BaseTdiModuleObj::StartDriver(uint32_t) {
  SetResult(1);
  StartBranch branch = ChooseStartBranch(Kind(), OsVersion());
  if (branch == StartBranch::None) return 0;
  const StartTarget& target = branch == StartBranch::FwBaseNt ? kNtTarget : k2KTarget;

  if (OpenDriverDevice(target.deviceName, nullptr)) return 0;

  // An image path that cannot be built is not handed to the service manager; the driver then stays as
  // it is, which this operation does not report.
  PathBuffer imagePath;
  if (BuildImagePath(target.driverFile, imagePath)) {
    CreateStartOpenDriver(target.serviceName, imagePath.c_str(), nullptr);
  }
  SetResult(1);
  return 0;
}

}  // namespace basetdic
