#include "verdict/step_expectations.h"

#include "rules/branch_choice.h"
#include "rules/product_names.h"
#include "verdict/component_checks.h"
#include "verdict/driver_checks.h"
#include "verdict/tdi_count.h"

namespace host {
namespace {

using basetdic::InstallBranch;
using basetdic::RemoveBranch;
using basetdic::StartBranch;
using basetdic::UpdateBranch;

// The shared registration taken once more: its image, its key, its count, and the driver started.
void TdiAcquired(const Evidence& evidence, std::vector<Notice>* notices) {
  ExpectDriverUp(evidence, TdiDriver(), notices);
  ExpectImagePlaced(evidence, TdiDriver(), notices);
  ExpectRegistered(evidence, TdiDriver(), TdiRegistrationValues(), false, notices);
  ExpectCountAcquired(evidence, notices);
}

void Install(InstallBranch branch, const Evidence& evidence, bool wow64, std::vector<Notice>* notices) {
  switch (branch) {
    case InstallBranch::TdiDriver: TdiAcquired(evidence, notices); return;
    case InstallBranch::KernelService:
      // Under WOW64 install copies no image (update does): it registers the service only.
      if (!wow64) {
        ExpectDriverUp(evidence, KernelDriver(), notices);
        ExpectImagePlaced(evidence, KernelDriver(), notices);
      }
      ExpectRegistered(evidence, KernelDriver(), KernelServiceValues(wow64), true, notices);
      return;
    case InstallBranch::NetworkComponent:
      if (!ExpectDataPath(evidence, notices)) return;
      ExpectComponent(evidence, true, notices);
      ExpectPackageCopied(evidence, notices);
      ExpectImagePlaced(evidence, KernelDriver(), notices);
      return;
    case InstallBranch::None: return;
  }
}

// The settings update rewrites on NT 5.x, in keys that exist: a key that is not there is left alone.
void ServiceSettingsRewritten(const Evidence& evidence, std::vector<Notice>* notices) {
  using Kind = ExpectedValue::Kind;
  ExpectKeyValues(evidence, KernelDriver().name, basetdic::kDriverServiceKey,
                  {{"Start", Kind::Number, SERVICE_AUTO_START, ""}}, "", notices);
  struct Dependent {
    const char* name;
    const char* key;
    const char* dependsOn;
  };
  const Dependent kDependents[] = {{"Zelservice", basetdic::kZelServiceKey, basetdic::kDependsOnZelbase},
                                   {"QdFwDrv", basetdic::kFirewallDriverKey, basetdic::kDependsOnTcpip},
                                   {"HookUrl", basetdic::kHookUrlKey, basetdic::kDependsOnZelbase}};
  for (const Dependent& dependent : kDependents) {
    ExpectKeyValues(evidence, dependent.name, dependent.key, {{"DependOnService", Kind::ListHolds, 0, dependent.dependsOn}},
                    "", notices);
  }
}

void Update(UpdateBranch branch, const Evidence& evidence, const OSVERSIONINFOA& os, std::vector<Notice>* notices) {
  switch (branch) {
    case UpdateBranch::TdiDriver: TdiAcquired(evidence, notices); return;
    case UpdateBranch::DriverFile:
      ExpectImagePlaced(evidence, KernelDriver(), notices);
      if (basetdic::UpdateRewritesServiceSettings(os)) ServiceSettingsRewritten(evidence, notices);
      return;
    case UpdateBranch::None: return;
  }
}

void Start(StartBranch branch, const Evidence& evidence, std::vector<Notice>* notices) {
  switch (branch) {
    case StartBranch::FwBaseNt: ExpectDriverUp(evidence, TdiDriver(), notices); return;
    case StartBranch::FwBase2K: ExpectDriverUp(evidence, KernelDriver(), notices); return;
    case StartBranch::None: return;
  }
}

void Remove(RemoveBranch branch, const Evidence& evidence, std::vector<Notice>* notices) {
  switch (branch) {
    case RemoveBranch::TdiDriver: ExpectReleased(evidence, notices); return;
    case RemoveBranch::KernelService: ExpectDriverGone(evidence, KernelDriver(), notices); return;
    case RemoveBranch::NetworkComponent: ExpectComponent(evidence, false, notices); return;
    case RemoveBranch::None: return;
  }
}

}  // namespace

std::vector<Notice> StepVerdictNotices(const StepInputs& inputs) {
  std::vector<Notice> notices;
  const OSVERSIONINFOA& os = inputs.machine.os;
  const bool gated = RowOf(inputs.operation).writes == StatusWrites::ResultAndPendingPastGate;
  if (gated && !basetdic::DeploymentGateOpen(os, inputs.keptFolder.c_str())) return notices;
  const MachineView before(inputs.machine, inputs.before);
  const MachineView after(inputs.machine, inputs.after);
  const Evidence evidence{after, &before, &inputs.failedCalls, OperationName(inputs.operation), inputs.keptFolder};
  const basetdic::ModuleKind kind = basetdic::KindOfName(inputs.module.c_str());
  switch (inputs.operation) {
    case Operation::Install:
      Install(basetdic::ChooseInstallBranch(kind, os), evidence, inputs.machine.wow64, &notices);
      break;
    case Operation::Update: Update(basetdic::ChooseUpdateBranch(kind, os), evidence, os, &notices); break;
    case Operation::Start: Start(basetdic::ChooseStartBranch(kind, os), evidence, &notices); break;
    case Operation::Remove: Remove(basetdic::ChooseRemoveBranch(kind, os), evidence, &notices); break;
    case Operation::Check: break;
  }
  return notices;
}

}  // namespace host
