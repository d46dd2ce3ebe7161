#include "fault_sweep.h"

#include <chrono>

#include "fitting_errors.h"
#include "hardening_machine.h"
#include "module/base_tdi_module_obj.h"
#include "winsim/modules.h"
#include "winsim/services.h"
#include "winsim/sync.h"

namespace hardening {

const char* OperationName(Operation operation) {
  switch (operation) {
    case Operation::Install: return "install";
    case Operation::Update: return "update";
    case Operation::Remove: return "remove";
    case Operation::Start: return "start";
    case Operation::InsertFile: return "insert-file";
  }
  return "?";
}

bool SweepRun::FaultIn(const char* function, const char* text) const {
  const winsim::CallRecord* faulted = Faulted();
  return faulted != nullptr && faulted->function == function && faulted->arguments.find(text) != std::string::npos;
}

std::string SweepRun::Describe(const std::string& branchName) const {
  const winsim::CallRecord* faulted = Faulted();
  if (faulted == nullptr) return branchName + ": baseline";
  return branchName + ": call #" + std::to_string(faultedCall) + " " + faulted->function + "(" + faulted->arguments +
         ") failing with " + std::to_string(injectedError);
}

TdiState ReadTdiState() {
  TdiState state;
  state.key = TdiKeyExists();
  state.count = StoredCount();
  state.driver = TdiDriverExists();
  state.driverRunning = winsim::ServiceState("basetdi") == SERVICE_RUNNING;
  return state;
}

namespace {

void Call(ModuleObj* object, Operation operation) {
  const ModuleObjVtbl& table = TableOf(object);
  switch (operation) {
    case Operation::Install: table.InstallDriver(object); break;
    case Operation::Update: table.UpdateDriver(object); break;
    case Operation::Remove: table.RemoveDriver(object); break;
    case Operation::Start: table.StartDriver(object, 0); break;
    case Operation::InsertFile: table.InsertFile(object, "C:\\setup\\basetdic.dll"); break;
  }
}

}  // namespace

SweepRun RunBranch(const Branch& branch, size_t faultedCall, DWORD error) {
  BootDeployMachine(ConfigFor(branch.os, branch.wow64));
  if (branch.trace) SwitchTraceOn();
  if (branch.prepare) {
    winsim::QuietScope quiet;
    branch.prepare();
  }
  ModuleObj* object = NewModule(branch.module, branch.operation != Operation::InsertFile);
  StatusOf(object).result = kUntouched;
  StatusOf(object).pending = kUntouched;

  SweepRun run;
  // A handle of the test's own keeps the registration's mutex alive across the operation, as a second
  // setup program's would: a mutex the operation did not give back then stays owned.
  HANDLE otherSetup = nullptr;
  {
    winsim::QuietScope quiet;
    run.before = ReadTdiState();
    otherSetup = CreateMutexA(nullptr, FALSE, "BaseTdiC.BaseTDI");
  }
  run.faultedCall = faultedCall;
  run.injectedError = error;
  winsim::ClearCallLog();
  unsigned firedBefore = winsim::FaultsFired();
  if (faultedCall > 0) winsim::FailNthCall(static_cast<unsigned>(faultedCall), error);
  const auto started = std::chrono::steady_clock::now();
  Call(object, branch.operation);
  run.microseconds = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - started).count();
  winsim::ClearFaults();
  run.calls = winsim::CallLog();
  run.faultFired = winsim::FaultsFired() != firedBefore;
  run.result = StatusOf(object).result;
  run.pending = StatusOf(object).pending;
  run.sourceDir = static_cast<basetdic::BaseTdiModuleObj*>(object)->SourceDir();
  Release(object);

  winsim::QuietScope quiet;
  run.mutexLeftOwned = winsim::MutexOwned("BaseTdiC.BaseTDI");
  CloseHandle(otherSetup);
  run.openHandles = winsim::OpenHandles();
  winsim::ModuleUsage version = winsim::UsageOf("version.dll");
  run.versionLoads = version.loads;
  run.versionFrees = version.frees;
  run.versionLoaded = version.loaded;
  run.after = ReadTdiState();
  return run;
}

void Sweep(const Branch& branch, const std::function<void(const SweepRun& run, const SweepRun& baseline)>& check) {
  const SweepRun baseline = RunBranch(branch);
  check(baseline, baseline);
  for (size_t n = 1; n <= baseline.calls.size(); ++n) {
    for (DWORD error : host::interposer::SweepErrorsFor(baseline.calls[n - 1].function)) check(RunBranch(branch, n, error), baseline);
  }
}

}  // namespace hardening
