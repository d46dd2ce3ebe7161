#include "verdict/product_status.h"

#include "cli/host_error.h"
#include "rules/module_kind.h"
#include "rules/product_names.h"
#include "verdict/component_checks.h"
#include "verdict/driver_checks.h"
#include "verdict/run_verdict.h"
#include "verdict/tdi_count.h"
#include "verdict/verdict_codes.h"

namespace host {
namespace {

DriverStatus Describe(const Evidence& evidence, const ProductDriver& driver, bool counted) {
  const MachineView& view = evidence.after;
  DriverStatus status;
  status.name = driver.name;
  status.keyPath = std::string("HKLM\\") + driver.serviceKey;
  status.registered = view.Key(driver.serviceKey) != nullptr;
  if (const ServiceState* service = view.Service(driver.serviceName)) {
    status.knownToManager = true;
    status.service = *service;
  }
  status.imagePath = view.DriverFolderFile(driver.imageFile);
  status.imagePresent = evidence.FileOnMachine(status.imagePath, &status.image);
  status.setupPath = evidence.SetupPath(driver.setupFile);
  status.setupPresent = evidence.SetupFile(driver.setupFile, &status.setup);
  status.device = driver.device;
  status.deviceOpens = view.DeviceOpens(driver.device);
  status.counted = counted;
  status.countReadable = counted && ReadTdiCount(view, &status.count);
  return status;
}

// A registered driver whole and up; one that is not registered without leftovers. True when registered.
bool JudgeDriver(const Evidence& evidence, const ProductDriver& driver, const std::vector<ExpectedValue>& values,
                 bool managerKnowsIt, std::vector<Notice>* notices) {
  if (evidence.after.Key(driver.serviceKey) == nullptr) {
    ExpectDriverGone(evidence, driver, notices);
    return false;
  }
  ExpectDriverUp(evidence, driver, notices);
  ExpectImagePlaced(evidence, driver, notices);
  ExpectRegistered(evidence, driver, values, managerKnowsIt, notices);
  return true;
}

// The TDI key holds at least one reference while it is there.
void JudgeTdiCount(const Evidence& evidence, std::vector<Notice>* notices) {
  DWORD count = 0;
  const bool readable = ReadTdiCount(evidence.after, &count);
  if (readable && count > 0) return;
  notices->push_back({code::kCountMismatch, std::string("nSon in HKLM\\") + basetdic::kTdiServiceKey + " is " +
                                            (readable ? "0" : "missing") +
                                            ", yet the key is there: no module holds the TDI driver"});
}

// What the kind's registration is, in a few words, for the summary of a healthy machine.
std::string RunningWords(basetdic::ModuleKind kind) {
  switch (kind) {
    case basetdic::ModuleKind::FwBaseNt: return "BaseTDI runs and \\\\.\\baseTdi opens";
    case basetdic::ModuleKind::FwBase2K: return "ZelBase runs and \\\\.\\zelbase opens";
    case basetdic::ModuleKind::FwBaseVt: return "the network component QD_ZelBase and zelbase.sys are in place";
    case basetdic::ModuleKind::Unknown: break;
  }
  return "";
}

void Settle(basetdic::ModuleKind kind, bool registered, StatusReport* report) {
  const std::vector<Notice>& problems = report->problems;
  report->exitCode = problems.empty() ? kExitSuccess : kExitMachineDisagrees;
  const std::string more = problems.size() > 1 ? " (and " + std::to_string(problems.size() - 1) + " more note" +
                                                     (problems.size() > 2 ? "s" : "") + " above)"
                                               : "";
  if (registered && problems.empty()) {
    report->state = kind == basetdic::ModuleKind::FwBaseVt ? "installed" : "running";
    report->summary = report->module + " is installed" + (kind == basetdic::ModuleKind::FwBaseVt ? "" : " and running") +
                      ": " + RunningWords(kind);
  } else if (registered) {
    report->state = "not working";
    report->summary = report->module + " is installed but not working: " + problems.front().text + more;
  } else if (problems.empty()) {
    report->state = "not installed";
    report->summary = report->module + " is not installed on this machine";
  } else {
    report->state = "left behind";
    report->summary = report->module + " is not installed, but " + problems.front().text + more;
  }
}

}  // namespace

void JudgeProduct(const Snapshot& snapshot, StatusReport* report) {
  const MachineView view(report->machine, snapshot);
  const Evidence evidence{view, nullptr, nullptr, "", report->setupFolder};
  report->drivers = {Describe(evidence, KernelDriver(), false), Describe(evidence, TdiDriver(), true)};
  for (const char* name : {"Zelservice", "QdFwDrv", "HookUrl"}) {
    if (const ServiceState* service = view.Service(name)) report->otherServices.push_back(*service);
  }
  report->component = basetdic::kNetComponentId;
  report->componentInstalled = view.ComponentInstalled(basetdic::kNetComponentId);
  report->dataPathValue = DataPathValueName();
  report->dataPath = view.DataPath();
  if (!report->dataPath.empty()) {
    for (const char* name : basetdic::kDriverPackageFiles) {
      FileState file;
      std::string path = view.DataPathFile(name);
      (evidence.FileOnMachine(path, &file) ? report->packagePresent : report->packageMissing).push_back(path);
    }
  }

  const basetdic::ModuleKind kind = basetdic::KindOfName(report->module.c_str());
  bool registered = false;
  switch (kind) {
    case basetdic::ModuleKind::FwBaseNt:
      registered = JudgeDriver(evidence, TdiDriver(), TdiRegistrationValues(), false, &report->problems);
      if (registered) JudgeTdiCount(evidence, &report->problems);
      break;
    case basetdic::ModuleKind::FwBase2K:
      // What install and start both write: a service start created has no dependency and is as healthy.
      registered = JudgeDriver(evidence, KernelDriver(), TdiRegistrationValues(), true, &report->problems);
      break;
    case basetdic::ModuleKind::FwBaseVt:
      // What the tool installs is the registration; the files it leaves after an uninstall are the
      // product's, as remove leaves them.
      registered = report->componentInstalled;
      if (registered && ExpectDataPath(evidence, &report->problems)) ExpectPackageCopied(evidence, &report->problems);
      if (registered) ExpectImagePlaced(evidence, KernelDriver(), &report->problems);
      break;
    case basetdic::ModuleKind::Unknown: break;
  }
  Settle(kind, registered, report);
}

}  // namespace host
