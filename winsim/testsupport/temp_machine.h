// A freshly booted simulated machine whose drive C: lives in a temporary host folder, removed again when
// the object goes away. Tests own their state: one of these per test case.
#ifndef WINSIM_TESTSUPPORT_TEMP_MACHINE_H
#define WINSIM_TESTSUPPORT_TEMP_MACHINE_H

#include <string>

#include "winsim/machine.h"

namespace winsim::testsupport {

class TempMachine {
 public:
  explicit TempMachine(const MachineConfig& config = MachineConfig());
  ~TempMachine();
  TempMachine(const TempMachine&) = delete;
  TempMachine& operator=(const TempMachine&) = delete;

  // The host folder behind drive C:.
  const std::string& HostRoot() const { return root_; }

 private:
  std::string root_;
};

// A machine configuration for a given Windows version, otherwise the defaults.
MachineConfig ConfigFor(const OsVersion& os, bool wow64 = false);

}  // namespace winsim::testsupport

#endif
