#include "fault_outcomes.h"

#include <initializer_list>

namespace sweep {
namespace {

using E = Expectation;

enum class Under { AnyProcess, Wow64Only };

// One row: which failed calls it is for, and what they lead to. Rows are read in order; the first that
// matches a failed call is its row, and each branch ends in one without a function: the clean run's, and
// that of every call no row above it names.
struct Row {
  std::vector<Expectation> expectations;
  const char* function = nullptr;
  const char* argument = "";  // text the call's arguments hold
  DWORD error = 0;            // 0: any
  unsigned nth = 0;           // 0: any
  Under under = Under::AnyProcess;
  const char* platform = nullptr;  // null: any
  bool changesStatus = false;  // false: the status words are the clean run's
  uint32_t result = 1;
  uint32_t pending = kUntouched;
  unsigned broken = kBreaksNothing;
  std::vector<FactChange> machine;

  Row& Arg(const char* text) { return argument = text, *this; }
  Row& Error(DWORD code) { return error = code, *this; }
  Row& Nth(unsigned n) { return nth = n, *this; }
  Row& UnderWow64() { return under = Under::Wow64Only, *this; }
  Row& Status(uint32_t r, uint32_t p) { return changesStatus = true, result = r, pending = p, *this; }
  Row& Breaks(unsigned what) { return broken = what, *this; }
  // These facts end as they were before the operation.
  Row& Keeps(std::initializer_list<const char*> facts) {
    for (const char* fact : facts) machine.push_back({fact, nullptr});
    return *this;
  }
  Row& Sets(const char* fact, const char* value) { return machine.push_back({fact, value}), *this; }
};

Row On(std::initializer_list<Expectation> expectations, const char* function) {
  Row row;
  row.expectations = expectations;
  row.function = function;
  return row;
}

Row Otherwise(Expectation expectation, uint32_t result, uint32_t pending) {
  return On({expectation}, nullptr).Status(result, pending);
}

// Groups of facts (machine_facts.h) a failed step leaves as they were.
#define DRIVER_IMAGE "zelbase image"
#define DRIVER_RUNNING "zelbase running", "zelbase device"
#define DRIVER_SERVICE "zelbase key", "zelbase value *", "zelbase registered"
#define TDI_IMAGE "basetdi image"
#define TDI_RUNNING "basetdi running", "baseTdi device"
#define TDI_SERVICE "basetdi key", "basetdi value *", "basetdi registered"

const std::vector<Row>& Rows() {
  static const std::vector<Row> rows = {
      // ---- FwBaseNt install on a machine without the driver: copy, count, rewrite, start ----
      On({E::TdiAcquire}, "GetSystemDirectoryA").Nth(1).Breaks(kBreaksImage | kBreaksRunning)
          .Keeps({TDI_IMAGE, TDI_RUNNING}),
      On({E::TdiAcquire}, "CopyFileA").Breaks(kBreaksImage | kBreaksRunning).Keeps({TDI_IMAGE, TDI_RUNNING}),
      // Without the key nothing of the registration is written; the service manager writes its own values
      // when the start creates the service.
      On({E::TdiAcquire}, "RegCreateKeyA").Keeps({"basetdi value nSon"}),
      On({E::TdiAcquire}, "RegSetValueExA").Arg("\"nSon\"").Keeps({"basetdi value nSon"}),
      // A count that cannot be read a second time either is not written.
      On({E::TdiAcquire}, "RegQueryValueExA").Arg("\"nSon\"").Error(ERROR_ACCESS_DENIED).Keeps({"basetdi value nSon"}),
      // The start that follows: without the image path, the manager or the service it creates, the
      // registration keeps the values the acquire wrote and the driver does not run. (Wine's manager also
      // writes ObjectName and PreshutdownTimeout for a driver, which Windows does not.)
      On({E::TdiAcquire}, "GetSystemDirectoryA").Nth(3).Breaks(kBreaksRunning | kBreaksService)
          .Keeps({"basetdi registered", TDI_RUNNING, "basetdi value ObjectName", "basetdi value PreshutdownTimeout"})
          .Sets("basetdi value DisplayName", "sz Qandor TDI Base Driver")
          .Sets("basetdi value ImagePath", "expand_sz System32\\DRIVERS\\BaseTDI.SYS"),
      On({E::TdiAcquire}, "OpenSCManagerA").Breaks(kBreaksRunning | kBreaksService)
          .Keeps({"basetdi registered", TDI_RUNNING, "basetdi value ObjectName", "basetdi value PreshutdownTimeout"})
          .Sets("basetdi value DisplayName", "sz Qandor TDI Base Driver")
          .Sets("basetdi value ImagePath", "expand_sz System32\\DRIVERS\\BaseTDI.SYS"),
      On({E::TdiAcquire}, "CreateServiceA").Breaks(kBreaksRunning | kBreaksService)
          .Keeps({"basetdi registered", TDI_RUNNING, "basetdi value ObjectName", "basetdi value PreshutdownTimeout"})
          .Sets("basetdi value DisplayName", "sz Qandor TDI Base Driver")
          .Sets("basetdi value ImagePath", "expand_sz System32\\DRIVERS\\BaseTDI.SYS"),
      On({E::TdiAcquire}, "OpenServiceA").Breaks(kBreaksRunning).Keeps({TDI_RUNNING}),
      On({E::TdiAcquire}, "StartServiceA").Breaks(kBreaksRunning).Keeps({TDI_RUNNING}),
      Otherwise(E::TdiAcquire, 1, 0),

      // ---- FwBaseNt remove of the last reference: count, key, file ----
      // A key that cannot be opened, or a count in it that cannot be read, says nothing: nothing changes.
      On({E::TdiRelease}, "RegOpenKeyExA").Arg("BaseTDI").Breaks(kBreaksRemoval).Keeps({TDI_SERVICE, TDI_IMAGE}),
      On({E::TdiRelease}, "RegQueryValueExA").Arg("\"nSon\"").Error(ERROR_ACCESS_DENIED).Breaks(kBreaksRemoval)
          .Keeps({TDI_SERVICE, TDI_IMAGE}),
      On({E::TdiRelease}, "RegDeleteKeyA").Arg("\"SYSTEM\\CurrentControlSet\\Services\\BaseTDI\"")
          .Breaks(kBreaksRemoval).Keeps({"basetdi key", "basetdi value *"}).Sets("basetdi value nSon", "dword 0"),
      On({E::TdiRelease}, "GetSystemDirectoryA").Breaks(kBreaksRemoval).Keeps({TDI_IMAGE}),
      On({E::TdiRelease}, "DeleteFileA").Breaks(kBreaksRemoval).Keeps({TDI_IMAGE}),
      Otherwise(E::TdiRelease, 1, kUntouched),

      // ---- FwBase2K install: WOW64 probe, copy, register, start ----
      // A WOW64 process that cannot tell takes itself for a native one: its copy lands in the 32-bit view,
      // its service depends on Tcpip instead of the filter, and nothing is left pending.
      On({E::KernelServiceInstall}, "GetModuleHandleA").UnderWow64().Status(1, 0).Breaks(kBreaksService)
          .Sets("zelbase value DependOnService", "multi_sz [Tcpip]"),
      On({E::KernelServiceInstall}, "GetProcAddress").Arg("\"IsWow64Process\"").UnderWow64().Status(1, 0)
          .Breaks(kBreaksService).Sets("zelbase value DependOnService", "multi_sz [Tcpip]"),
      On({E::KernelServiceInstall}, "IsWow64Process").UnderWow64().Status(1, 0).Breaks(kBreaksService)
          .Sets("zelbase value DependOnService", "multi_sz [Tcpip]"),
      // Without the system directory or the copy the image is not placed, so the service does not start.
      On({E::KernelServiceInstall, E::KernelServiceReinstall}, "GetSystemDirectoryA").Nth(1)
          .Breaks(kBreaksImage | kBreaksRunning).Keeps({DRIVER_IMAGE, DRIVER_RUNNING}),
      On({E::KernelServiceInstall, E::KernelServiceReinstall}, "CopyFileA").Breaks(kBreaksImage | kBreaksRunning)
          .Keeps({DRIVER_IMAGE, DRIVER_RUNNING}),
      // The service installer without the Windows family, its functions or the manager registers nothing.
      On({E::KernelServiceInstall, E::KernelServiceReinstall}, "GetVersionExA")
          .Breaks(kBreaksService | kBreaksRunning).Keeps({DRIVER_SERVICE, DRIVER_RUNNING}),
      On({E::KernelServiceInstall, E::KernelServiceReinstall}, "LoadLibraryA").Arg("\"advapi32.dll\"")
          .Breaks(kBreaksService | kBreaksRunning).Keeps({DRIVER_SERVICE, DRIVER_RUNNING}),
      On({E::KernelServiceInstall, E::KernelServiceReinstall}, "GetProcAddress").Arg("Service")
          .Breaks(kBreaksService | kBreaksRunning).Keeps({DRIVER_SERVICE, DRIVER_RUNNING}),
      On({E::KernelServiceInstall, E::KernelServiceReinstall}, "GetProcAddress").Arg("\"OpenSCManagerA\"")
          .Breaks(kBreaksService | kBreaksRunning).Keeps({DRIVER_SERVICE, DRIVER_RUNNING}),
      On({E::KernelServiceInstall, E::KernelServiceReinstall}, "OpenSCManagerA")
          .Breaks(kBreaksService | kBreaksRunning).Keeps({DRIVER_SERVICE, DRIVER_RUNNING}),
      On({E::KernelServiceInstall}, "CreateServiceA").Breaks(kBreaksService | kBreaksRunning)
          .Keeps({DRIVER_SERVICE, DRIVER_RUNNING}),
      // A service there that cannot be opened is created again, which fails: nothing is rewritten or started.
      On({E::KernelServiceReinstall}, "OpenServiceA").Breaks(kBreaksService | kBreaksRunning)
          .Keeps({DRIVER_SERVICE, DRIVER_RUNNING}),
      On({E::KernelServiceReinstall}, "RegCreateKeyExA").Breaks(kBreaksService).Keeps({"zelbase value *"}),
      On({E::KernelServiceReinstall}, "RegSetValueExA").Breaks(kBreaksService).Keeps({"zelbase value $value"}),
      On({E::KernelServiceInstall, E::KernelServiceReinstall}, "StartServiceA").Breaks(kBreaksRunning)
          .Keeps({DRIVER_RUNNING}),
      Otherwise(E::KernelServiceInstall, 1, 1).UnderWow64(),
      Otherwise(E::KernelServiceInstall, 1, 0),
      Otherwise(E::KernelServiceReinstall, 1, 0),

      // ---- FwBaseVt install: data path, package copies, the tool, the driver copy ----
      // Only a data path that cannot be read stops the branch; only a tool that cannot start fails it.
      On({E::NetworkComponentInstall}, "RegOpenKeyExA").Arg("Qandor").Status(0, kUntouched)
          .Keeps({"data path *", "tool requests", DRIVER_IMAGE}),
      On({E::NetworkComponentInstall}, "RegQueryValueExA").Arg("\"datapath\"").Status(0, kUntouched)
          .Keeps({"data path *", "tool requests", DRIVER_IMAGE}),
      On({E::NetworkComponentInstall}, "CopyFileA").Arg("\\QandorData\\zelbase.inf").Breaks(kBreaksDataPath)
          .Keeps({"data path zelbase.inf"}),
      On({E::NetworkComponentInstall}, "CopyFileA").Arg("\\QandorData\\zelbase.cat").Breaks(kBreaksDataPath)
          .Keeps({"data path zelbase.cat"}),
      On({E::NetworkComponentInstall}, "CopyFileA").Arg("\\QandorData\\zelbase.sys").Breaks(kBreaksDataPath)
          .Keeps({"data path zelbase.sys"}),
      On({E::NetworkComponentInstall, E::NetworkComponentRemove}, "CreateProcessA").Status(0, 1)
          .Breaks(kBreaksComponent).Keeps({"tool requests"}),
      // A wait that fails returns at once: the tool goes on by itself, past the operation's end.
      On({E::NetworkComponentInstall, E::NetworkComponentRemove}, "WaitForSingleObject").Breaks(kBreaksComponent),
      On({E::NetworkComponentInstall}, "GetSystemDirectoryA").Nth(2).Breaks(kBreaksImage).Keeps({DRIVER_IMAGE}),
      On({E::NetworkComponentInstall}, "CopyFileA").Arg("\\drivers\\zelbase.sys").Breaks(kBreaksImage)
          .Keeps({DRIVER_IMAGE}),
      Otherwise(E::NetworkComponentInstall, 1, 1),

      // ---- update: always 1 and 1 past the gate ----
      On({E::Update}, "GetSystemDirectoryA").Nth(1).Breaks(kBreaksImage).Keeps({TDI_IMAGE, DRIVER_IMAGE}),
      On({E::Update}, "CopyFileA").Breaks(kBreaksImage).Keeps({TDI_IMAGE, DRIVER_IMAGE}),
      // A WOW64 process copies with redirection off; without the functions that switch it the copy is
      // not made in the native driver folder.
      On({E::Update}, "GetModuleHandleA").UnderWow64().Breaks(kBreaksImage).Keeps({DRIVER_IMAGE}),
      On({E::Update}, "GetProcAddress").Arg("Wow64").UnderWow64().Breaks(kBreaksImage).Keeps({DRIVER_IMAGE}),
      On({E::Update}, "IsWow64Process").UnderWow64().Breaks(kBreaksImage).Keeps({DRIVER_IMAGE}),
      On({E::Update}, "Wow64DisableWow64FsRedirection").UnderWow64().Breaks(kBreaksImage).Keeps({DRIVER_IMAGE}),
      // The shared TDI driver's registration, held by others: a count that does not fit four bytes counts
      // as none, one that cannot be read twice is not written; without the key nothing is written.
      On({E::Update}, "RegQueryValueExA").Arg("\"nSon\"").Error(ERROR_MORE_DATA).Sets("basetdi value nSon", "dword 1"),
      On({E::Update}, "RegQueryValueExA").Arg("\"nSon\"").Error(ERROR_ACCESS_DENIED).Nth(2)
          .Keeps({"basetdi value nSon"}),
      On({E::Update}, "RegCreateKeyA").Keeps({"basetdi value *"}),
      // Each value whose write fails keeps what it held, in the TDI registration or the service's settings.
      On({E::Update}, "RegSetValueExA").Keeps({"basetdi value $value", "zelbase value $value"}),
      Otherwise(E::Update, 1, 1),

      // ---- FwBase2K remove: the service key and the driver file ----
      On({E::KernelServiceRemove}, "RegOpenKeyExA").Breaks(kBreaksRemoval).Keeps({DRIVER_SERVICE, DRIVER_IMAGE}),
      On({E::KernelServiceRemove}, "RegDeleteKeyA").Arg("\"SYSTEM\\CurrentControlSet\\Services\\zelbase\"")
          .Breaks(kBreaksRemoval).Keeps({"zelbase key", "zelbase value *"}),
      On({E::KernelServiceRemove}, "GetSystemDirectoryA").Breaks(kBreaksRemoval).Keeps({DRIVER_IMAGE}),
      On({E::KernelServiceRemove}, "DeleteFileA").Breaks(kBreaksRemoval).Keeps({DRIVER_IMAGE}),
      Otherwise(E::KernelServiceRemove, 1, 1),

      // ---- FwBaseVt remove: only a tool that cannot start fails it (rows above) ----
      Otherwise(E::NetworkComponentRemove, 1, 1),

      // ---- start: create the service when missing, start it ----
      On({E::Start}, "GetSystemDirectoryA").Breaks(kBreaksRunning | kBreaksService)
          .Keeps({DRIVER_SERVICE, DRIVER_RUNNING, TDI_SERVICE, TDI_RUNNING}),
      On({E::Start}, "OpenSCManagerA").Breaks(kBreaksRunning | kBreaksService)
          .Keeps({DRIVER_SERVICE, DRIVER_RUNNING, TDI_SERVICE, TDI_RUNNING}),
      On({E::Start}, "CreateServiceA").Breaks(kBreaksRunning | kBreaksService)
          .Keeps({DRIVER_SERVICE, DRIVER_RUNNING, TDI_SERVICE, TDI_RUNNING}),
      On({E::Start}, "OpenServiceA").Breaks(kBreaksRunning).Keeps({DRIVER_RUNNING, TDI_RUNNING}),
      On({E::Start}, "StartServiceA").Breaks(kBreaksRunning).Keeps({DRIVER_RUNNING, TDI_RUNNING}),
      Otherwise(E::Start, 1, kUntouched),

      // ---- InsertFile, and a kind with no branch here ----
      Otherwise(E::InsertFile, 1, kUntouched),
      Otherwise(E::NoBranch, 1, 0),
  };
  return rows;
}

#undef DRIVER_IMAGE
#undef DRIVER_RUNNING
#undef DRIVER_SERVICE
#undef TDI_IMAGE
#undef TDI_RUNNING
#undef TDI_SERVICE

bool Applies(const Row& row, Expectation expectation, bool wow64, const std::string& platform) {
  bool listed = false;
  for (Expectation e : row.expectations) listed = listed || e == expectation;
  if (!listed) return false;
  if (row.under == Under::Wow64Only && !wow64) return false;
  return row.platform == nullptr || platform == row.platform;
}

bool Matches(const Row& row, const FaultedCall& call) {
  return call.function == row.function && call.arguments.find(row.argument) != std::string::npos &&
         (row.error == 0 || row.error == call.error) && (row.nth == 0 || row.nth == call.nth);
}

const Row& RowFor(Expectation expectation, bool wow64, const std::string& platform, const FaultedCall* faulted) {
  for (const Row& row : Rows()) {
    if (!Applies(row, expectation, wow64, platform)) continue;
    if (row.function == nullptr || (faulted != nullptr && Matches(row, *faulted))) return row;
  }
  static const Row none = Otherwise(E::NoBranch, 1, kUntouched);
  return none;
}

// The first quoted text of a call's arguments: the value a registry call names.
std::string NamedValue(const std::string& arguments) {
  const size_t open = arguments.find('"');
  const size_t close = open == std::string::npos ? open : arguments.find('"', open + 1);
  return close == std::string::npos ? std::string() : arguments.substr(open + 1, close - open - 1);
}

}  // namespace

std::string BrokenNames(unsigned broken) {
  static const struct {
    unsigned flag;
    const char* name;
  } names[] = {{kBreaksImage, "image"},         {kBreaksRunning, "running"},    {kBreaksService, "service"},
               {kBreaksComponent, "component"}, {kBreaksDataPath, "data path"}, {kBreaksRemoval, "removal"}};
  std::string text;
  for (const auto& name : names)
    if (broken & name.flag) text += (text.empty() ? "" : ", ") + std::string(name.name);
  return text;
}

Outcome ExpectedOutcome(Expectation expectation, bool wow64, const std::string& platform,
                        const std::vector<FaultedCall>& faulted) {
  const Row& clean = RowFor(expectation, wow64, platform, nullptr);
  Outcome outcome;
  outcome.result = clean.result;
  outcome.pending = clean.pending;
  bool statusDecided = false;
  for (const FaultedCall& call : faulted) {
    const Row& row = RowFor(expectation, wow64, platform, &call);
    if (!statusDecided && row.changesStatus && (row.result != clean.result || row.pending != clean.pending)) {
      outcome.result = row.result;
      outcome.pending = row.pending;
      statusDecided = true;
    }
    outcome.broken |= row.broken;
    for (const FactChange& change : row.machine) {
      outcome.machine.push_back(change);
      outcome.values.push_back(NamedValue(call.arguments));
    }
  }
  return outcome;
}

}  // namespace sweep
