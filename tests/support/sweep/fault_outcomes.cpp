#include "fault_outcomes.h"

#include "machine_facts.h"

namespace sweep {
namespace {

using E = Expectation;

enum class Under { AnyProcess, Wow64Only, NativeOnly };

struct Row {
  Expectation expectation;
  const char* function;  // null: any call no row above names (and the clean run)
  const char* argument;  // text the call's arguments hold; "" for any
  uint32_t result;
  uint32_t pending;
  const char* breaks;
  std::vector<FactChange> machine;
  Under under = Under::AnyProcess;
};

const std::vector<Row>& Rows() {
  static const std::vector<Row> rows = {
      // ---- FwBaseNt install: the shared TDI driver's registration ----
      {E::TdiAcquire, nullptr, "", 1, 0, "", {}},

      // ---- FwBaseNt remove ----
      {E::TdiRelease, nullptr, "", 1, kUntouched, "", {}},

      // ---- FwBase2K install: copy, register, start ----
      // Without Kernel32's handle or IsWow64Process, or with the probe failing, a WOW64 process takes
      // itself for a native one.
      {E::KernelServiceInstall, "GetModuleHandleA", "", 1, 0, "", {}, Under::Wow64Only},
      {E::KernelServiceInstall, "GetProcAddress", "IsWow64Process", 1, 0, "", {}, Under::Wow64Only},
      {E::KernelServiceInstall, "IsWow64Process", "", 1, 0, "", {}, Under::Wow64Only},
      {E::KernelServiceInstall, nullptr, "", 1, 1, "", {}, Under::Wow64Only},
      {E::KernelServiceInstall, nullptr, "", 1, 0, "", {}},

      // ---- FwBaseVt install: data path, package copies, the tool, the driver copy ----
      // Only a data path that cannot be read stops the branch; only a tool that cannot start fails it.
      {E::NetworkComponentInstall, "RegOpenKeyExA", "Qandor", 0, kUntouched, "", {}},
      {E::NetworkComponentInstall, "RegQueryValueExA", "\"datapath\"", 0, kUntouched, "", {}},
      {E::NetworkComponentInstall, "CreateProcessA", "", 0, 1, "", {}},
      {E::NetworkComponentInstall, nullptr, "", 1, 1, "", {}},

      // ---- update: always 1 and 1 past the gate ----
      {E::Update, nullptr, "", 1, 1, "", {}},

      // ---- FwBase2K remove ----
      {E::KernelServiceRemove, nullptr, "", 1, 1, "", {}},

      // ---- FwBaseVt remove: only a tool that cannot start fails it ----
      {E::NetworkComponentRemove, "CreateProcessA", "", 0, 1, "", {}},
      {E::NetworkComponentRemove, nullptr, "", 1, 1, "", {}},

      // ---- start, InsertFile, a kind with no branch here ----
      {E::Start, nullptr, "", 1, kUntouched, "", {}},
      {E::InsertFile, nullptr, "", 1, kUntouched, "", {}},
      {E::NoBranch, nullptr, "", 1, 0, "", {}},
  };
  return rows;
}

bool Applies(const Row& row, Expectation expectation, bool wow64) {
  if (row.expectation != expectation) return false;
  if (row.under == Under::Wow64Only && !wow64) return false;
  if (row.under == Under::NativeOnly && wow64) return false;
  return true;
}

const Row& RowFor(Expectation expectation, bool wow64, const FaultedCall* faulted) {
  const Row* fallback = nullptr;
  for (const Row& row : Rows()) {
    if (!Applies(row, expectation, wow64)) continue;
    if (row.function == nullptr) {
      if (fallback == nullptr) fallback = &row;
      if (faulted == nullptr) return row;
      continue;
    }
    if (faulted != nullptr && faulted->function == row.function &&
        faulted->arguments.find(row.argument) != std::string::npos)
      return row;
  }
  static const Row none{E::NoBranch, nullptr, "", 1, kUntouched, "no row for this branch", {}};
  return fallback != nullptr ? *fallback : none;
}

}  // namespace

const char* ExpectationName(Expectation expectation) {
  switch (expectation) {
    case E::TdiAcquire: return "TDI acquire";
    case E::TdiRelease: return "TDI release";
    case E::KernelServiceInstall: return "kernel service install";
    case E::NetworkComponentInstall: return "network component install";
    case E::Update: return "update";
    case E::KernelServiceRemove: return "kernel service remove";
    case E::NetworkComponentRemove: return "network component remove";
    case E::Start: return "start";
    case E::InsertFile: return "InsertFile";
    case E::NoBranch: return "no branch";
  }
  return "?";
}

Outcome ExpectedOutcome(Expectation expectation, bool wow64, const std::vector<FaultedCall>& faulted) {
  const Row& clean = RowFor(expectation, wow64, nullptr);
  Outcome outcome;
  outcome.result = clean.result;
  outcome.pending = clean.pending;
  bool statusDecided = false;
  for (const FaultedCall& call : faulted) {
    const Row& row = RowFor(expectation, wow64, &call);
    if (!statusDecided && (row.result != clean.result || row.pending != clean.pending)) {
      outcome.result = row.result;
      outcome.pending = row.pending;
      statusDecided = true;
    }
    if (outcome.breaks.empty()) outcome.breaks = row.breaks;
    outcome.machine.insert(outcome.machine.end(), row.machine.begin(), row.machine.end());
  }
  return outcome;
}

}  // namespace sweep
