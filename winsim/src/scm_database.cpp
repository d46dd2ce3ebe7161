#include "scm_database.h"

#include <algorithm>

#include "machine_state.h"
#include "scm_service_key.h"

namespace winsim::detail {
namespace {

// A fresh machine's registry holds no services, so a fresh manager knows none.
const bool registered = OnBoot([] { Services().Clear(); });

bool IsKnownType(DWORD type) {
  switch (type) {
    case SERVICE_KERNEL_DRIVER:
    case SERVICE_FILE_SYSTEM_DRIVER:
    case SERVICE_WIN32_OWN_PROCESS:
    case SERVICE_WIN32_SHARE_PROCESS:
    case SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS:
    case SERVICE_WIN32_SHARE_PROCESS | SERVICE_INTERACTIVE_PROCESS: return true;
    default: return false;
  }
}

}  // namespace

bool IsValidServiceConfig(const ServiceConfig& config) {
  if (!IsKnownType(config.type) || config.start > SERVICE_DISABLED || config.errorControl > SERVICE_ERROR_CRITICAL)
    return false;
  bool earlyStart = config.start == SERVICE_BOOT_START || config.start == SERVICE_SYSTEM_START;
  return !(earlyStart && (config.type & SERVICE_WIN32));
}

ServiceDatabase& Services() {
  static ServiceDatabase database;
  (void)registered;
  return database;
}

std::shared_ptr<ServiceRecord> ServiceDatabase::Find(const std::string& name) const {
  for (const auto& record : records_) {
    if (EqualNoCase(record->name, name)) return record;
  }
  return nullptr;
}

std::shared_ptr<ServiceRecord> ServiceDatabase::FindByDisplayName(const std::string& displayName) const {
  for (const auto& record : records_) {
    if (EqualNoCase(record->DisplayName(), displayName)) return record;
  }
  return nullptr;
}

std::shared_ptr<ServiceRecord> ServiceDatabase::Add(const std::string& name, const ServiceConfig& config) {
  WriteServiceKey(name, config);
  auto record = std::make_shared<ServiceRecord>();
  record->name = name;
  record->config = config;
  records_.push_back(record);
  return record;
}

void ServiceDatabase::MarkForDelete(ServiceRecord& record) {
  record.markedForDelete = true;
  SetDeleteFlag(record.name);
}

void ServiceDatabase::RemoveIfDone(const std::shared_ptr<ServiceRecord>& record) {
  if (!record->markedForDelete || record->openHandles != 0 || record->state != SERVICE_STOPPED) return;
  RemoveServiceKey(record->name);
  records_.erase(std::remove(records_.begin(), records_.end(), record), records_.end());
}

void ServiceDatabase::LoadFromRegistry() {
  records_.clear();
  for (const std::string& name : ServiceKeyNames()) {
    auto key = ServiceKey(name);
    if (!key) continue;
    if (HasDeleteFlag(*key)) {
      RemoveServiceKey(name);
      continue;
    }
    ServiceConfig config;
    if (!ReadServiceKey(*key, &config)) continue;
    auto record = std::make_shared<ServiceRecord>();
    record->name = name;
    record->config = config;
    records_.push_back(record);
  }
}

}  // namespace winsim::detail
