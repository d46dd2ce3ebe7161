// How a scenario gets its machine. Each platform's runner implements these two: on winsim every version
// is available and each machine is a freshly booted one; under Wine the prefix shows one version per run,
// and a machine is the live system with the product removed.
#ifndef BASETDIC_TESTS_SCENARIOS_MACHINE_FACTORY_H
#define BASETDIC_TESTS_SCENARIOS_MACHINE_FACTORY_H

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "machine_facade.h"

namespace scenarios {

// The Windows versions this run covers, by Wine's names: "nt40", "win2k", "winxp", "win7", "win98".
std::vector<std::string> VersionsUnderTest();

// A fresh machine showing that version (one of VersionsUnderTest()).
std::unique_ptr<MachineFacade> MakeMachine(const std::string& version);

// Shows a fingerprint's values in test output, so a changed one can be compared by eye.
inline void PrintTo(const HandleFingerprint& fingerprint, std::ostream* out) {
  *out << "{";
  for (size_t i = 0; i < fingerprint.values.size(); ++i) *out << (i ? " " : "") << std::hex << fingerprint.values[i];
  *out << std::dec << "}";
}

}  // namespace scenarios

#endif
