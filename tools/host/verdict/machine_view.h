// The machine as one snapshot shows it, asked the questions the verdict asks: a key or value under
// HKEY_LOCAL_MACHINE, a file, a service as the service manager knows it, a device, a network component,
// where a driver image lies and where the kernel would load a service's image from. Names are compared
// as Windows compares them.
#ifndef BASETDIC_HOST_VERDICT_MACHINE_VIEW_H
#define BASETDIC_HOST_VERDICT_MACHINE_VIEW_H

#include <windows.h>

#include <string>
#include <vector>

#include "observe/machine_summary.h"
#include "observe/snapshot.h"

namespace host {

class MachineView {
 public:
  MachineView(const MachineSummary& machine, const Snapshot& snapshot) : machine_(machine), snapshot_(snapshot) {}

  const MachineSummary& Machine() const { return machine_; }
  const Snapshot& State() const { return snapshot_; }

  // A key by its path below HKEY_LOCAL_MACHINE ("SYSTEM\..."); null when the machine has none.
  const RegistryKeyState* Key(const std::string& machinePath) const;
  const RegistryValueState* Value(const std::string& machinePath, const std::string& name) const;
  const FileState* File(const std::string& path) const;
  // The service as the service manager reports it; null when the manager does not know it.
  const ServiceState* Service(const std::string& name) const;
  bool DeviceOpens(const std::string& name) const;
  bool ComponentInstalled(const std::string& id) const;

  // A file of the system driver folder as the library names it: "C:\WINDOWS\system32\drivers\zelbase.sys".
  std::string DriverFolderFile(const std::string& name) const;
  // The file the kernel loads for a driver's ImagePath: relative to the Windows folder, after
  // \SystemRoot\ or \??\, or a full path; empty for an empty ImagePath.
  std::string ImageFile(const std::string& imagePath) const;
  // The product data path as its registry value holds it, without trailing backslashes; empty when unset.
  std::string DataPath() const;
  // A file in the data path, as the library joins them.
  std::string DataPathFile(const std::string& name) const;

 private:
  const MachineSummary& machine_;
  const Snapshot& snapshot_;
};

// A value's data read as the library reads it: a DWORD from at most four bytes (false for more, or for
// no value); text up to its first zero; a multi-string list's entries up to the empty one that ends it.
bool DwordOf(const RegistryValueState* value, DWORD* number);
std::string TextOf(const RegistryValueState* value);
std::vector<std::string> ListOf(const RegistryValueState* value);

// Two paths or names equal as Windows compares them.
bool SameName(const std::string& a, const std::string& b);

}  // namespace host

#endif
