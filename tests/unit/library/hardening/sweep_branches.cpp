#include "sweep_branches.h"

#include <string>

#include "hardening_machine.h"
#include "winsim/registry.h"
#include "winsim/services.h"

namespace hardening {
namespace {

// The library itself, run quietly, brings the machine into each branch's state.

void Quietly(const char* module, Operation operation) {
  ModuleObj* object = NewModule(module);
  const ModuleObjVtbl& table = TableOf(object);
  if (operation == Operation::Install) table.InstallDriver(object);
  if (operation == Operation::Remove) table.RemoveDriver(object);
  Release(object);
}

void StopService(const char* name) {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  SC_HANDLE service = OpenServiceA(manager, name, SERVICE_ALL_ACCESS);
  SERVICE_STATUS status;
  ControlService(service, SERVICE_CONTROL_STOP, &status);
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
}

// The install started the driver; a running driver's image cannot be deleted, so the releases below
// meet it stopped unless the branch says otherwise.
void TdiHeldOnceDriverRunning() { Quietly("FwBaseNt", Operation::Install); }

void TdiHeldOnce() {
  Quietly("FwBaseNt", Operation::Install);
  StopService("basetdi");
}

void TdiHeldTwice() {
  Quietly("FwBaseNt", Operation::Install);
  Quietly("FwBaseNt", Operation::Install);
  StopService("basetdi");
}

// Three modules hold the driver, this machine's own install among them.
void TdiHeldThrice() {
  TdiHeldOnce();
  winsim::RegPutDword(kTdiKey, "nSon", 3);
}

void TdiHeldOnceWithSubkeys() {
  TdiHeldOnce();
  winsim::RegPutKey(std::string(kTdiKey) + "\\Enum");
  winsim::RegPutKey(std::string(kTdiKey) + "\\Security");
}

void StrayTdiDriver() { PutVersionedFile(winsim::SystemDirectory() + "\\drivers\\basetdi.sys", "1.0.0.1"); }

// A registered driver service that is not running, its device absent.
void RegisteredButStopped(const char* service, const char* image) {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  std::string path = winsim::SystemDirectory() + "\\drivers\\" + image;
  SC_HANDLE created =
      CreateServiceA(manager, service, service, SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER, SERVICE_AUTO_START,
                     SERVICE_ERROR_NORMAL, path.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
  CloseServiceHandle(created);
  CloseServiceHandle(manager);
}

void KernelServiceInstalled() { Quietly("FwBase2K", Operation::Install); }

void KernelServiceInstalledWithSubkeys() {
  KernelServiceInstalled();
  winsim::RegPutKey("HKLM\\SYSTEM\\CurrentControlSet\\Services\\zelbase\\Enum");
  winsim::RegPutKey("HKLM\\SYSTEM\\CurrentControlSet\\Services\\zelbase\\Security");
}

void ProductServicesPresent() {
  KernelServiceInstalled();
  for (const char* service : {"Zelservice", "QdFwDrv", "HookUrl"})
    winsim::RegPutKey(std::string("HKLM\\SYSTEM\\CurrentControlSet\\Services\\") + service);
}

void NetworkComponentInstalled() { Quietly("FwBaseVt", Operation::Install); }

void DriverDeviceUp() { winsim::CreateDevice("zelbase"); }

Branch Make(const char* name, winsim::OsVersion os, bool wow64, const char* module, Operation operation,
            Expectation expectation, std::function<void()> prepare = nullptr, bool trace = false) {
  Branch branch;
  branch.name = name;
  branch.os = os;
  branch.wow64 = wow64;
  branch.module = module;
  branch.operation = operation;
  branch.prepare = std::move(prepare);
  branch.trace = trace;
  branch.expectation = expectation;
  return branch;
}

}  // namespace

std::vector<Branch> SweepBranches() {
  using O = Operation;
  using E = Expectation;
  const winsim::OsVersion nt4 = winsim::OsNt40(), xp = winsim::OsWinXp(), win7 = winsim::OsWin7();
  return {
      // The shared TDI driver on NT 4.0.
      Make("nt4_install_first", nt4, false, "FwBaseNt", O::Install, E::TdiAcquire),
      Make("nt4_install_nson1", nt4, false, "FwBaseNt", O::Install, E::TdiAcquire, TdiHeldOnce),
      Make("nt4_install_nson1_traced", nt4, false, "FwBaseNt", O::Install, E::TdiAcquire, TdiHeldOnce, true),
      Make("nt4_update_nson1", nt4, false, "FwBaseNt", O::Update, E::Update, TdiHeldOnce),
      Make("nt4_install_nson3", nt4, false, "FwBaseNt", O::Install, E::TdiAcquire, TdiHeldThrice),
      Make("nt4_update_nson3", nt4, false, "FwBaseNt", O::Update, E::Update, TdiHeldThrice),
      Make("nt4_remove_nson1", nt4, false, "FwBaseNt", O::Remove, E::TdiRelease, TdiHeldOnceWithSubkeys),
      Make("nt4_remove_nson1_driver_running", nt4, false, "FwBaseNt", O::Remove, E::TdiRelease,
           TdiHeldOnceDriverRunning),
      Make("nt4_remove_nson2", nt4, false, "FwBaseNt", O::Remove, E::TdiRelease, TdiHeldTwice),
      Make("nt4_remove_nson3", nt4, false, "FwBaseNt", O::Remove, E::TdiRelease, TdiHeldThrice),
      Make("nt4_remove_stray_file", nt4, false, "FwBaseNt", O::Remove, E::TdiRelease, StrayTdiDriver),
      Make("nt4_start_unregistered", nt4, false, "FwBaseNt", O::Start, E::Start),
      Make("nt4_start_stopped", nt4, false, "FwBaseNt", O::Start, E::Start,
           [] { RegisteredButStopped("basetdi", "basetdi.sys"); }),
      // The kernel service on NT 5.x.
      Make("xp_install", xp, false, "FwBase2K", O::Install, E::KernelServiceInstall),
      Make("xp_install_wow64", xp, true, "FwBase2K", O::Install, E::KernelServiceInstall),
      Make("xp_install_existing_traced", xp, false, "FwBase2K", O::Install, E::KernelServiceInstall,
           KernelServiceInstalled, true),
      Make("win2k_install", winsim::OsWin2k(), false, "FwBase2K", O::Install, E::KernelServiceInstall),
      Make("xp_update", xp, false, "FwBase2K", O::Update, E::Update, ProductServicesPresent),
      Make("xp_update_wow64", xp, true, "FwBase2K", O::Update, E::Update, ProductServicesPresent),
      Make("xp_remove_installed", xp, false, "FwBase2K", O::Remove, E::KernelServiceRemove,
           KernelServiceInstalledWithSubkeys),
      Make("xp_remove_nothing", xp, false, "FwBase2K", O::Remove, E::KernelServiceRemove),
      Make("xp_start_unregistered", xp, false, "FwBase2K", O::Start, E::Start),
      Make("xp_start_device_up", xp, false, "FwBase2K", O::Start, E::Start, DriverDeviceUp),
      Make("xp_install_network_kind", xp, false, "FwBaseVt", O::Install, E::NoBranch),
      // The network component on NT 6.x.
      Make("win7_install", win7, false, "FwBaseVt", O::Install, E::NetworkComponentInstall),
      Make("win7_install_wow64_traced", win7, true, "FwBaseVt", O::Install, E::NetworkComponentInstall, nullptr, true),
      Make("win7_update_wow64", win7, true, "FwBaseVt", O::Update, E::Update),
      Make("win7_remove_installed", win7, false, "FwBaseVt", O::Remove, E::NetworkComponentRemove,
           NetworkComponentInstalled),
      // InsertFile with the trace on.
      Make("insert_file_2k_traced", xp, false, "FwBase2K", O::InsertFile, E::InsertFile, nullptr, true),
      Make("insert_file_nt_traced", nt4, false, "FwBaseNt", O::InsertFile, E::InsertFile, nullptr, true),
  };
}

}  // namespace hardening
