// The start operation: makes sure the module's driver runs. A device that already opens means the driver
// is up and nothing more happens; otherwise the driver's service is created when missing and started,
// and its device opened once more. The host always reads result 1.
#include "deploy/start_driver.h"

#include "module/base_tdi_module_obj.h"
#include "module/os_version.h"
#include "service/driver_service.h"
#include "util/bounded_text.h"

namespace basetdic {
namespace {

struct StartTarget {
  const char* deviceName;    // \\.\deviceName
  const char* serviceName;   // also the display name of a service created here
  const char* driverSuffix;  // after the system directory
};

const StartTarget kNtTarget = {"baseTdi", "basetdi", "\\drivers\\basetdi.sys"};
const StartTarget k2KTarget = {"zelbase", "zelbase", "\\drivers\\zelbase.sys"};

// The system directory followed by the driver's suffix; false when there is no system directory or the
// path does not fit.
bool BuildImagePath(const char* driverSuffix, PathBuffer& imagePath) {
  UINT length = GetSystemDirectoryA(imagePath.data(), PathBuffer::kCapacity - 1);
  if (length == 0 || length >= PathBuffer::kCapacity - 1) return false;
  return imagePath.Append(driverSuffix);
}

}  // namespace

StartBranch ChooseStartBranch(ModuleKind kind, const OSVERSIONINFOA& os) {
  if (IsMajor6(os)) return StartBranch::None;
  if (kind == ModuleKind::FwBaseNt && IsNt4Build(os)) return StartBranch::FwBaseNt;
  if (kind == ModuleKind::FwBase2K && IsAfterNt4Build(os)) return StartBranch::FwBase2K;
  return StartBranch::None;
}

int BaseTdiModuleObj::StartDriver(uint32_t) {
  SetResult(1);
  StartBranch branch = ChooseStartBranch(Kind(), OsVersion());
  if (branch == StartBranch::None) return 0;
  const StartTarget& target = branch == StartBranch::FwBaseNt ? kNtTarget : k2KTarget;

  if (OpenDriverDevice(target.deviceName, nullptr)) return 0;

  // An image path that cannot be built is not handed to the service manager; the driver then stays as
  // it is, which this operation does not report.
  PathBuffer imagePath;
  if (BuildImagePath(target.driverSuffix, imagePath)) {
    CreateStartOpenDriver(target.serviceName, imagePath.c_str(), nullptr);
  }
  SetResult(1);
  return 0;
}

}  // namespace basetdic
