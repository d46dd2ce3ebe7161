// Every driver operation and InsertFile, branch by branch, with each of its platform calls failing in turn
// as Windows would fail it there. Every run must end without an open handle, with version.dll released as
// often as it was loaded and the registration's mutex given back, with the status words the operation's
// failure rules give, and with the shared TDI driver's key and file present exactly while a reference is
// held (unless the failing call was the deletion itself).
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "fault_sweep.h"
#include "hardening_machine.h"
#include "winsim/registry.h"

namespace hardening {
namespace {

using Check = void (*)(const SweepRun& run, const Branch& branch);

struct SweepRow {
  Branch branch;
  Check check;
};

// ---- preparations: the library itself, run quietly, brings the machine into the branch's state ----

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
  SC_HANDLE created = CreateServiceA(manager, service, service, SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
                                     SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, path.c_str(), nullptr, nullptr, nullptr,
                                     nullptr, nullptr);
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

// ---- checks ----

void ExpectStatus(const SweepRun& run, uint32_t result, uint32_t pending) {
  EXPECT_EQ(run.result, result) << "result";
  EXPECT_EQ(run.pending, pending) << "pending";
}

// A fault in the step that places the driver file: the copy itself, or the system directory it needs.
bool CopyFailed(const SweepRun& run) { return run.FaultIn("CopyFileA") || run.FaultIn("GetSystemDirectoryA"); }

// The count could not be read: it counts as the first registration (acquire) or the last (release).
bool CountUnreadable(const SweepRun& run) {
  return run.FaultIn("RegOpenKeyExA", "BaseTDI") || run.FaultIn("RegQueryValueExA", "\"nSon\"");
}

void CheckTdiAcquire(const SweepRun& run, const Branch& branch) {
  ExpectStatus(run, 1, branch.operation == Operation::Update ? 1 : 0);
  const TdiState& before = run.before;
  const TdiState& after = run.after;
  if (run.FaultIn("RegCreateKeyA")) {
    // Nothing is written when the key cannot be created. (Starting the driver afterwards can still create
    // the key: it is also the service key of "basetdi", which the service manager writes.)
    EXPECT_EQ(after.count, before.count);
  } else if (run.FaultIn("RegSetValueExA", "\"nSon\"")) {
    EXPECT_EQ(after.count, before.count);
  } else if (CountUnreadable(run)) {
    EXPECT_EQ(after.count, 1) << "an unreadable count counts as the first registration";
  } else {
    EXPECT_EQ(after.count, before.count < 1 ? 1 : before.count + 1);
  }
  if (after.Held() && !CopyFailed(run)) EXPECT_TRUE(after.driver) << "a held reference has its driver file";
  if (!after.Held() && !run.FaultIn("RegCreateKeyA") && !run.FaultIn("RegSetValueExA", "\"nSon\""))
    ADD_FAILURE() << "the acquire left no reference";
}

void CheckTdiRelease(const SweepRun& run, const Branch&) {
  ExpectStatus(run, 1, kUntouched);
  const TdiState& before = run.before;
  const TdiState& after = run.after;
  if (run.FaultIn("RegOpenKeyExA", "BaseTDI")) {
    // A key that is there but cannot be opened says nothing about the count: nothing changes.
    EXPECT_EQ(after.key, before.key);
    EXPECT_EQ(after.count, before.count);
    EXPECT_EQ(after.driver, before.driver);
    return;
  }
  const bool last = !before.key || before.count <= 1 || run.FaultIn("RegQueryValueExA", "\"nSon\"");
  if (!last) {
    EXPECT_TRUE(after.key);
    EXPECT_EQ(after.count, run.FaultIn("RegSetValueExA", "\"nSon\"") ? before.count : before.count - 1);
    EXPECT_TRUE(after.driver);
    return;
  }
  if (!run.FaultIn("RegDeleteKeyA")) EXPECT_FALSE(after.key) << "the last release deletes the key";
  if (after.key) EXPECT_FALSE(after.Held()) << "a key the deletion left holds no reference";
  if (before.driverRunning)
    EXPECT_TRUE(after.driver) << "a running driver's image cannot be deleted";
  else if (!run.FaultIn("DeleteFileA") && !run.FaultIn("GetSystemDirectoryA"))
    EXPECT_FALSE(after.driver) << "the last release deletes the driver file";
}

// The WOW64 probe failed: without Kernel32.dll's handle or IsWow64Process, or with the call failing, the
// process counts as native.
bool Wow64ProbeFailed(const SweepRun& run) {
  return run.FaultIn("GetModuleHandleA") || run.FaultIn("GetProcAddress", "IsWow64Process") ||
         run.FaultIn("IsWow64Process");
}

void CheckKernelServiceInstall(const SweepRun& run, const Branch& branch) {
  const bool wow64 = branch.wow64 && !Wow64ProbeFailed(run);
  ExpectStatus(run, 1, wow64 ? 1 : 0);
  // A 32-bit process that takes itself for native copies with redirection on, into SysWOW64.
  const std::string drivers = branch.wow64 ? winsim::Wow64SystemDirectory() : winsim::SystemDirectory();
  if (!wow64 && !CopyFailed(run)) EXPECT_TRUE(winsim::HostFileExists(drivers + "\\drivers\\zelbase.sys"));
}

void CheckNetworkComponentInstall(const SweepRun& run, const Branch&) {
  // Only a data path that cannot be read stops the branch; only a tool that cannot start fails it.
  if (run.FaultIn("RegOpenKeyExA", "Qandor") || run.FaultIn("RegQueryValueExA", "\"datapath\""))
    ExpectStatus(run, 0, kUntouched);
  else if (run.FaultIn("CreateProcessA"))
    ExpectStatus(run, 0, 1);
  else
    ExpectStatus(run, 1, 1);
}

void CheckUpdate(const SweepRun& run, const Branch& branch) {
  ExpectStatus(run, 1, 1);
  if (branch.module == std::string("FwBaseNt")) CheckTdiAcquire(run, branch);
}

void CheckKernelServiceRemove(const SweepRun& run, const Branch&) { ExpectStatus(run, 1, 1); }

void CheckNetworkComponentRemove(const SweepRun& run, const Branch&) {
  ExpectStatus(run, run.FaultIn("CreateProcessA") ? 0 : 1, 1);
}

void CheckStart(const SweepRun& run, const Branch&) { ExpectStatus(run, 1, kUntouched); }

void CheckInsertFile(const SweepRun& run, const Branch&) {
  ExpectStatus(run, 1, kUntouched);
  EXPECT_EQ(run.sourceDir, "C:\\setup") << "the trace's failures do not touch the setup directory";
}

void CheckNoBranch(const SweepRun& run, const Branch&) { ExpectStatus(run, 1, 0); }

// What holds for every run, faulted or not.
void CheckEveryRun(const SweepRun& run) {
  if (run.faultedCall != 0) EXPECT_TRUE(run.faultFired) << "the run took another course before the faulted call";
  EXPECT_EQ(run.openHandles, 0u) << "handles left open";
  EXPECT_EQ(run.versionLoads, run.versionFrees) << "version.dll loads and frees";
  EXPECT_FALSE(run.versionLoaded);
  EXPECT_FALSE(run.mutexLeftOwned) << "the registration's mutex was not given back";
}

// ---- the branches ----

Branch Make(const char* name, winsim::OsVersion os, bool wow64, const char* module, Operation operation,
            std::function<void()> prepare = nullptr, bool trace = false) {
  Branch branch;
  branch.name = name;
  branch.os = os;
  branch.wow64 = wow64;
  branch.module = module;
  branch.operation = operation;
  branch.prepare = std::move(prepare);
  branch.trace = trace;
  return branch;
}

std::vector<SweepRow> Rows() {
  using O = Operation;
  const winsim::OsVersion nt4 = winsim::OsNt40(), xp = winsim::OsWinXp(), win7 = winsim::OsWin7();
  return {
      // The shared TDI driver on NT 4.0.
      {Make("nt4_install_first", nt4, false, "FwBaseNt", O::Install), CheckTdiAcquire},
      {Make("nt4_install_nson1", nt4, false, "FwBaseNt", O::Install, TdiHeldOnce), CheckTdiAcquire},
      {Make("nt4_install_nson1_traced", nt4, false, "FwBaseNt", O::Install, TdiHeldOnce, true), CheckTdiAcquire},
      {Make("nt4_update_nson1", nt4, false, "FwBaseNt", O::Update, TdiHeldOnce), CheckUpdate},
      {Make("nt4_remove_nson1", nt4, false, "FwBaseNt", O::Remove, TdiHeldOnceWithSubkeys), CheckTdiRelease},
      {Make("nt4_remove_nson1_driver_running", nt4, false, "FwBaseNt", O::Remove, TdiHeldOnceDriverRunning),
       CheckTdiRelease},
      {Make("nt4_remove_nson2", nt4, false, "FwBaseNt", O::Remove, TdiHeldTwice), CheckTdiRelease},
      {Make("nt4_remove_stray_file", nt4, false, "FwBaseNt", O::Remove, StrayTdiDriver), CheckTdiRelease},
      {Make("nt4_start_unregistered", nt4, false, "FwBaseNt", O::Start), CheckStart},
      {Make("nt4_start_stopped", nt4, false, "FwBaseNt", O::Start,
            [] { RegisteredButStopped("basetdi", "basetdi.sys"); }),
       CheckStart},
      // The kernel service on NT 5.x.
      {Make("xp_install", xp, false, "FwBase2K", O::Install), CheckKernelServiceInstall},
      {Make("xp_install_wow64", xp, true, "FwBase2K", O::Install), CheckKernelServiceInstall},
      {Make("xp_install_existing_traced", xp, false, "FwBase2K", O::Install, KernelServiceInstalled, true),
       CheckKernelServiceInstall},
      {Make("win2k_install", winsim::OsWin2k(), false, "FwBase2K", O::Install), CheckKernelServiceInstall},
      {Make("xp_update", xp, false, "FwBase2K", O::Update, ProductServicesPresent), CheckUpdate},
      {Make("xp_update_wow64", xp, true, "FwBase2K", O::Update, ProductServicesPresent), CheckUpdate},
      {Make("xp_remove_installed", xp, false, "FwBase2K", O::Remove, KernelServiceInstalledWithSubkeys),
       CheckKernelServiceRemove},
      {Make("xp_remove_nothing", xp, false, "FwBase2K", O::Remove), CheckKernelServiceRemove},
      {Make("xp_start_unregistered", xp, false, "FwBase2K", O::Start), CheckStart},
      {Make("xp_start_device_up", xp, false, "FwBase2K", O::Start, DriverDeviceUp), CheckStart},
      {Make("xp_install_network_kind", xp, false, "FwBaseVt", O::Install), CheckNoBranch},
      // The network component on NT 6.x.
      {Make("win7_install", win7, false, "FwBaseVt", O::Install), CheckNetworkComponentInstall},
      {Make("win7_install_wow64_traced", win7, true, "FwBaseVt", O::Install, nullptr, true),
       CheckNetworkComponentInstall},
      {Make("win7_update_wow64", win7, true, "FwBaseVt", O::Update), CheckUpdate},
      {Make("win7_remove_installed", win7, false, "FwBaseVt", O::Remove, NetworkComponentInstalled),
       CheckNetworkComponentRemove},
      // InsertFile with the trace on.
      {Make("insert_file_2k_traced", xp, false, "FwBase2K", O::InsertFile, nullptr, true), CheckInsertFile},
      {Make("insert_file_nt_traced", nt4, false, "FwBaseNt", O::InsertFile, nullptr, true), CheckInsertFile},
  };
}

class FaultSweep : public ::testing::TestWithParam<SweepRow> {};

TEST_P(FaultSweep, EveryCallFailingInTurnLeavesNothingOpenAndReportsByTheRules) {
  const SweepRow& row = GetParam();
  size_t runs = 0;
  Sweep(row.branch, [&](const SweepRun& run, const SweepRun& baseline) {
    SCOPED_TRACE(run.Describe(row.branch.name));
    ++runs;
    if (&run == &baseline) ASSERT_FALSE(baseline.calls.empty()) << "the operation made no platform call";
    CheckEveryRun(run);
    row.check(run, row.branch);
  });
  RecordProperty("runs", static_cast<int>(runs));
}

INSTANTIATE_TEST_SUITE_P(Branches, FaultSweep, ::testing::ValuesIn(Rows()),
                         [](const ::testing::TestParamInfo<SweepRow>& info) { return info.param.branch.name; });

}  // namespace
}  // namespace hardening
