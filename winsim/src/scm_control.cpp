// The machine controls of the service control manager (winsim/services.h).
#include "winsim/services.h"

#include "api_call.h"
#include "scm_database.h"
#include "scm_drivers.h"
#include "scm_handles.h"
#include "winsim/machine.h"

namespace winsim {

using detail::MachineLock;
using detail::Services;

void RebootMachine() {
  std::lock_guard<std::recursive_mutex> lock(MachineLock());
  detail::DropAllScHandles();
  for (const auto& record : Services().Records()) {
    if (record->state != SERVICE_STOPPED) detail::StopServiceRecord(*record);
  }
  for (const std::string& device : Devices()) RemoveDevice(device);
  Services().LoadFromRegistry();
  for (const auto& record : Services().Records()) {
    bool loadsAtBoot = record->config.start == SERVICE_BOOT_START || record->config.start == SERVICE_SYSTEM_START ||
                       record->config.start == SERVICE_AUTO_START;
    // A driver whose image is missing fails to load and stays stopped, as on Windows.
    if (record->IsDriver() && loadsAtBoot) detail::StartServiceRecord(*record);
  }
}

void SetDriverDevice(const std::string& imageFileName, const std::string& deviceName) {
  std::lock_guard<std::recursive_mutex> lock(MachineLock());
  detail::SetDeviceOfDriverImage(imageFileName, deviceName);
}

DWORD ServiceState(const std::string& name) {
  std::lock_guard<std::recursive_mutex> lock(MachineLock());
  auto record = Services().Find(name);
  return record ? record->state : 0;
}

bool ServiceMarkedForDelete(const std::string& name) {
  std::lock_guard<std::recursive_mutex> lock(MachineLock());
  auto record = Services().Find(name);
  return record && record->markedForDelete;
}

std::vector<std::string> KnownServices() {
  std::lock_guard<std::recursive_mutex> lock(MachineLock());
  std::vector<std::string> names;
  for (const auto& record : Services().Records()) names.push_back(record->name);
  return names;
}

}  // namespace winsim
