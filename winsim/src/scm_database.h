// The service control manager's own database: the services it knows, their configuration and state, and
// the open handles on each. Like Windows' and Wine's services.exe it reads the Services key once, at
// (re)boot, and afterwards writes what it changes there; a key written or deleted behind its back goes
// unnoticed until the next reboot.
#ifndef WINSIM_SCM_DATABASE_H
#define WINSIM_SCM_DATABASE_H

#include <memory>
#include <string>
#include <vector>

#include "windows.h"

namespace winsim::detail {

struct ServiceConfig {
  DWORD type = 0;
  DWORD start = SERVICE_DEMAND_START;
  DWORD errorControl = SERVICE_ERROR_NORMAL;
  DWORD tag = 0;
  std::string imagePath;
  std::string group;
  std::string objectName;
  std::string displayName;  // empty: the service name stands for it
  std::vector<std::string> dependOnServices;
  std::vector<std::string> dependOnGroups;
};

// Whether a configuration is one Windows accepts: a driver or Win32 service type, a start type up to
// SERVICE_DISABLED, boot and system start for drivers only, an error control up to SERVICE_ERROR_CRITICAL.
bool IsValidServiceConfig(const ServiceConfig& config);

struct ServiceRecord {
  std::string name;  // as created, the key name
  ServiceConfig config;
  DWORD state = SERVICE_STOPPED;
  DWORD exitCode = ERROR_SERVICE_NEVER_STARTED;
  std::string device;  // the device the running driver created, if any
  // The running driver's image file, which stays locked meanwhile: its Windows path (no redirection), so
  // that it is still the locked file after the machine is saved and loaded again, wherever its drives lie.
  std::string loadedImage;
  unsigned openHandles = 0;
  bool markedForDelete = false;

  bool IsDriver() const { return (config.type & SERVICE_DRIVER) != 0; }
  const std::string& DisplayName() const { return config.displayName.empty() ? name : config.displayName; }
};

class ServiceDatabase {
 public:
  // Known services by name, without regard to case; null when unknown.
  std::shared_ptr<ServiceRecord> Find(const std::string& name) const;
  // A service whose display name (or, lacking one, name) equals the text, without regard to case.
  std::shared_ptr<ServiceRecord> FindByDisplayName(const std::string& displayName) const;
  const std::vector<std::shared_ptr<ServiceRecord>>& Records() const { return records_; }

  // Writes the configuration into the service's key (creating it, keeping values the manager does not
  // own) and adds the service.
  std::shared_ptr<ServiceRecord> Add(const std::string& name, const ServiceConfig& config);

  // Marks the service for deletion: its key gets DeleteFlag, and it goes away once no handle refers to it
  // and it is not running.
  void MarkForDelete(ServiceRecord& record);
  // Forgets the service and removes its key when it is marked, stopped and no longer referred to.
  void RemoveIfDone(const std::shared_ptr<ServiceRecord>& record);

  // What a boot does: services marked for deletion lose their keys, and every key with a valid service
  // configuration becomes a known, stopped service.
  void LoadFromRegistry();
  void Clear() { records_.clear(); }
  // Puts back a record as a saved machine holds it, leaving the registry alone (machine loading).
  void Restore(std::shared_ptr<ServiceRecord> record) { records_.push_back(std::move(record)); }

 private:
  std::vector<std::shared_ptr<ServiceRecord>> records_;  // in the order they became known
};

ServiceDatabase& Services();

// The registry's Services key, HKLM\SYSTEM\CurrentControlSet\Services.
extern const char kServicesKeyPath[];

}  // namespace winsim::detail

#endif
