// The device namespace: names compared without regard to case, kept in creation order.
#include <algorithm>

#include "api_call.h"
#include "machine_state.h"

namespace winsim {
namespace {

std::vector<std::string>& DeviceNames() {
  static std::vector<std::string> names;
  return names;
}

const bool registered = detail::OnBoot([] { DeviceNames().clear(); });

std::vector<std::string>::iterator FindDevice(const std::string& name) {
  return std::find_if(DeviceNames().begin(), DeviceNames().end(),
                      [&](const std::string& existing) { return detail::EqualNoCase(existing, name); });
}

}  // namespace

void CreateDevice(const std::string& name) {
  std::lock_guard<std::recursive_mutex> lock(detail::MachineLock());
  if (FindDevice(name) == DeviceNames().end()) DeviceNames().push_back(name);
}

void RemoveDevice(const std::string& name) {
  std::lock_guard<std::recursive_mutex> lock(detail::MachineLock());
  auto found = FindDevice(name);
  if (found != DeviceNames().end()) DeviceNames().erase(found);
}

bool DeviceExists(const std::string& name) {
  std::lock_guard<std::recursive_mutex> lock(detail::MachineLock());
  return FindDevice(name) != DeviceNames().end();
}

std::vector<std::string> Devices() {
  std::lock_guard<std::recursive_mutex> lock(detail::MachineLock());
  (void)registered;
  return DeviceNames();
}

}  // namespace winsim
