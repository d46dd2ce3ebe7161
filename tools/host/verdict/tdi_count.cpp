#include "verdict/tdi_count.h"

#include "rules/product_names.h"
#include "verdict/driver_checks.h"
#include "verdict/product_drivers.h"
#include "verdict/verdict_codes.h"

namespace host {
namespace {

std::string CountKey() { return std::string("HKLM\\") + basetdic::kTdiServiceKey; }

std::string Before(const Evidence& evidence, bool had, DWORD count) {
  return " (it was " + (had ? std::to_string(count) : std::string("missing")) + " before " + evidence.operation + ")";
}

// The registry call that would explain a count the step did not leave.
std::string CountCause(const Evidence& evidence) {
  struct Call {
    const char* function;
    const char* mentions;
  };
  static const Call kCalls[] = {{"RegQueryValueExA", basetdic::kTdiCountValue},
                                {"RegSetValueExA", basetdic::kTdiCountValue},
                                {"RegCreateKeyA", basetdic::kTdiServiceKey},
                                {"RegOpenKeyExA", basetdic::kTdiServiceKey}};
  for (const Call& call : kCalls) {
    std::string cause = FailureClause(evidence.FailedCallOf(call.function, call.mentions));
    if (!cause.empty()) return cause;
  }
  return "";
}

}  // namespace

bool ReadTdiCount(const MachineView& view, DWORD* count) {
  return DwordOf(view.Value(basetdic::kTdiServiceKey, basetdic::kTdiCountValue), count);
}

void ExpectCountAcquired(const Evidence& evidence, std::vector<Notice>* notices) {
  DWORD before = 0, now = 0;
  const bool had = evidence.before != nullptr && ReadTdiCount(*evidence.before, &before);
  const DWORD expected = !had ? 1 : before == 0xFFFFFFFFu ? before : before + 1;
  if (!ReadTdiCount(evidence.after, &now)) {
    notices->push_back({code::kCountMismatch, "nSon in " + CountKey() + " is missing, not " + std::to_string(expected) +
                                                  Before(evidence, had, before) + CountCause(evidence)});
  } else if (now != expected) {
    notices->push_back({code::kCountMismatch, "nSon in " + CountKey() + " is " + std::to_string(now) + ", not " +
                                                  std::to_string(expected) + Before(evidence, had, before) +
                                                  CountCause(evidence)});
  }
}

void ExpectReleased(const Evidence& evidence, std::vector<Notice>* notices) {
  DWORD before = 0, now = 0;
  const bool had = evidence.before != nullptr && ReadTdiCount(*evidence.before, &before);
  if (!had || before <= 1) {
    ExpectDriverGone(evidence, TdiDriver(), notices);
    return;
  }
  const DWORD expected = before - 1;
  if (evidence.after.Key(basetdic::kTdiServiceKey) == nullptr) {
    notices->push_back({code::kCountMismatch, CountKey() + " is gone, though nSon said " + std::to_string(before) +
                                                  " references: " + std::to_string(expected) +
                                                  " other users of the TDI driver lost it"});
  } else if (!ReadTdiCount(evidence.after, &now) || now != expected) {
    notices->push_back({code::kCountMismatch, "nSon in " + CountKey() + " is " +
                                                  (ReadTdiCount(evidence.after, &now) ? std::to_string(now)
                                                                                      : std::string("missing")) +
                                                  ", not " + std::to_string(expected) + Before(evidence, had, before) +
                                                  CountCause(evidence)});
  }
}

}  // namespace host
