// The scenarios the fault sweep runs on the real API and on winsim alike: one driver operation of one
// module kind on one Windows version, from a state the library itself brought the machine into.
#ifndef BASETDIC_TESTS_SUPPORT_SWEEP_SWEEP_SCENARIOS_H
#define BASETDIC_TESTS_SUPPORT_SWEEP_SWEEP_SCENARIOS_H

#include <string>
#include <vector>

#include "fault_outcomes.h"

namespace sweep {

enum class Operation { Install, Update, Remove, Start };
const char* OperationName(Operation operation);

// What the library did on the machine before the operation under test.
enum class Prepared {
  Fresh,      // nothing: the product was never here
  Installed,  // the module's install ran once (from setup files one version older)
  HeldByThree,  // installed, and the shared TDI driver's count says three modules hold it
};

struct SweepScenario {
  const char* name;
  const char* version;  // as Wine names it: "nt40", "winxp", "win7"
  bool wow64;           // runs in a WOW64 process (the i686 programs in a 64-bit prefix)
  const char* module;
  Operation operation;
  bool trace;  // the library's trace switched on
  Prepared prepared;
  Expectation expectation;
};

const std::vector<SweepScenario>& SweepScenarios();
const SweepScenario* FindSweepScenario(const std::string& name);

// The setup files' versions: the operation's folder, and the older one the preparation installs from.
extern const char kSetupVersion[];
extern const char kPreparedVersion[];
// The product data directory on NT 6.x machines.
extern const char kDataPath[];

}  // namespace sweep

#endif
