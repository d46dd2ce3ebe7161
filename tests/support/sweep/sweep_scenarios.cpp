#include "sweep_scenarios.h"

namespace sweep {

const char kSetupVersion[] = "2.0.0.0";
const char kPreparedVersion[] = "1.0.0.1";
const char kDataPath[] = "C:\\QandorData";

const char* OperationName(Operation operation) {
  switch (operation) {
    case Operation::Install: return "install";
    case Operation::Update: return "update";
    case Operation::Remove: return "remove";
    case Operation::Start: return "start";
  }
  return "?";
}

const std::vector<SweepScenario>& SweepScenarios() {
  using O = Operation;
  using P = Prepared;
  using E = Expectation;
  static const std::vector<SweepScenario> scenarios = {
      // The kernel service on Windows XP.
      {"xp_install", "winxp", false, "FwBase2K", O::Install, false, P::Fresh, E::KernelServiceInstall},
      {"xp_install_traced", "winxp", false, "FwBase2K", O::Install, true, P::Fresh, E::KernelServiceInstall},
      {"xp_reinstall", "winxp", false, "FwBase2K", O::Install, false, P::Installed, E::KernelServiceReinstall},
      {"xp_start_fresh", "winxp", false, "FwBase2K", O::Start, false, P::Fresh, E::Start},
      {"xp_start_installed", "winxp", false, "FwBase2K", O::Start, false, P::Installed, E::Start},
      {"xp_update", "winxp", false, "FwBase2K", O::Update, false, P::Installed, E::Update},
      {"xp_remove", "winxp", false, "FwBase2K", O::Remove, false, P::Installed, E::KernelServiceRemove},
      // The shared TDI driver on NT 4.0.
      {"nt4_install", "nt40", false, "FwBaseNt", O::Install, false, P::Fresh, E::TdiAcquire},
      {"nt4_start", "nt40", false, "FwBaseNt", O::Start, false, P::Fresh, E::Start},
      {"nt4_update", "nt40", false, "FwBaseNt", O::Update, false, P::HeldByThree, E::Update},
      {"nt4_remove", "nt40", false, "FwBaseNt", O::Remove, false, P::Installed, E::TdiRelease},
      // The network component on Windows 7.
      {"win7_install", "win7", false, "FwBaseVt", O::Install, false, P::Fresh, E::NetworkComponentInstall},
      {"win7_update", "win7", false, "FwBaseVt", O::Update, false, P::Installed, E::Update},
      {"win7_remove", "win7", false, "FwBaseVt", O::Remove, false, P::Installed, E::NetworkComponentRemove},
      // A 32-bit setup on 64-bit Windows XP.
      {"wow64_install", "winxp", true, "FwBase2K", O::Install, false, P::Fresh, E::KernelServiceInstall},
      {"wow64_update", "winxp", true, "FwBase2K", O::Update, false, P::Installed, E::Update},
  };
  return scenarios;
}

const SweepScenario* FindSweepScenario(const std::string& name) {
  for (const SweepScenario& scenario : SweepScenarios())
    if (name == scenario.name) return &scenario;
  return nullptr;
}

}  // namespace sweep
