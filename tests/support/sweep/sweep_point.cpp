#include "sweep_point.h"

#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>

#include "fitting_errors.h"
#include "scenario_checks.h"
#include "scenario_platform.h"

namespace sweep {
namespace {

const char kInjected[] = " -> injected fault ";

// Runs one operation of a fresh object on the setup folder, its status words preset to kUntouched.
void RunOperation(scenarios::HostSession& session, Operation operation) {
  switch (operation) {
    case Operation::Install: session.Install(); break;
    case Operation::Update: session.Update(); break;
    case Operation::Remove: session.Remove(); break;
    case Operation::Start: session.Start(); break;
  }
}

HandleCounts Difference(const HandleCounts& after, const HandleCounts& before) {
  HandleCounts left;
  for (const auto& kind : after) {
    auto was = before.find(kind.first);
    const size_t earlier = was == before.end() ? 0 : was->second;
    if (kind.second > earlier) left[kind.first] = kind.second - earlier;
  }
  return left;
}

std::vector<FaultedCall> FaultedCalls(const std::vector<RecordedCall>& calls) {
  std::vector<FaultedCall> faulted;
  std::map<std::string, unsigned> counts;
  for (const RecordedCall& call : calls) {
    const unsigned nth = ++counts[call.function];
    if (call.arguments.find(kInjected) != std::string::npos)
      faulted.push_back({call.function, call.arguments, call.error, nth});
  }
  return faulted;
}

// Whether a fact name is the pattern: the same name, or every name with a prefix ("...*").
bool Covers(const std::string& pattern, const std::string& fact) {
  if (!pattern.empty() && pattern.back() == '*')
    return fact.compare(0, pattern.size() - 1, pattern, 0, pattern.size() - 1) == 0;
  return fact == pattern;
}

// Whether a fact name is what a change names: the same name, every name with a prefix ("...*"), the
// name with "$value" standing for the value the failed call named.
bool Names(const FactChange& change, const std::string& value, const std::string& fact) {
  std::string pattern = change.fact;
  const size_t placeholder = pattern.find("$value");
  if (placeholder != std::string::npos) pattern.replace(placeholder, 6, value);
  return Covers(pattern, fact);
}

const char kTdiCountValue[] = "basetdi value nSon";

// The facts (names, or prefixes ending in '*') that show each expectation of the machine the table's
// rows can break.
struct ShownBy {
  unsigned broken;
  std::vector<std::string> facts;
};

const std::vector<ShownBy>& FactsShowing() {
  auto values = [](const char* prefix) { return std::string(prefix) + "*"; };
  static const std::vector<ShownBy> shown = {
      {kBreaksImage, {kDriverImage, kTdiImage}},
      {kBreaksRunning, {kDriverRunning, kDriverDevice, kTdiRunning, kTdiDevice}},
      {kBreaksService,
       {kDriverKey, values(kDriverValues), kDriverRegistered, kTdiKey, values(kTdiValues), kTdiRegistered}},
      {kBreaksComponent, {kToolRequests}},
      {kBreaksDataPath, {values(kDataPathFiles)}},
      {kBreaksRemoval, {kDriverKey, values(kDriverValues), kDriverImage, kTdiKey, values(kTdiValues), kTdiImage}},
  };
  return shown;
}

// Of the expectations broken names, those whose facts the run left otherwise than the clean run: what a
// failure breaks beyond what the clean run leaves (a driver that does not start in the clean run either
// is not this failure's doing).
unsigned BrokenBeyondTheCleanRun(unsigned broken, const MachineFacts& after, const MachineFacts& cleanAfter) {
  std::set<std::string> names;
  for (const MachineFacts* facts : {&after, &cleanAfter})
    for (const auto& fact : *facts) names.insert(fact.first);
  unsigned shown = kBreaksNothing;
  for (const ShownBy& expectation : FactsShowing()) {
    if (!(broken & expectation.broken)) continue;
    for (const std::string& name : names) {
      bool covered = false;
      for (const std::string& pattern : expectation.facts) covered = covered || Covers(pattern, name);
      if (covered && FactText(after, name) != FactText(cleanAfter, name)) shown |= expectation.broken;
    }
  }
  return shown;
}

// The shared driver's count; 0 when there is none.
unsigned long StoredCount(const MachineFacts& facts) {
  const std::string text = FactText(facts, kTdiCountValue);
  return text.compare(0, 6, "dword ") == 0 ? std::strtoul(text.c_str() + 6, nullptr, 10) : 0;
}

}  // namespace

bool Fault::operator<(const Fault& other) const {
  if (function != other.function) return function < other.function;
  if (nth != other.nth) return nth < other.nth;
  return error < other.error;
}

std::string ChainText(const FaultChain& chain) {
  if (chain.empty()) return "clean";
  std::string text;
  for (const Fault& fault : chain) {
    if (!text.empty()) text += "+";
    text += fault.function + "#" + std::to_string(fault.nth) + "=" + std::to_string(fault.error);
  }
  return text;
}

bool ParseChain(const std::string& text, FaultChain* chain) {
  chain->clear();
  if (text == "clean") return true;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('+', start);
    if (end == std::string::npos) end = text.size();
    const std::string part = text.substr(start, end - start);
    const size_t hash = part.find('#');
    const size_t equals = part.find('=');
    if (hash == std::string::npos || equals == std::string::npos || equals < hash) return false;
    Fault fault;
    fault.function = part.substr(0, hash);
    fault.nth = static_cast<unsigned>(std::strtoul(part.substr(hash + 1, equals - hash - 1).c_str(), nullptr, 10));
    fault.error = static_cast<DWORD>(std::strtoul(part.substr(equals + 1).c_str(), nullptr, 10));
    if (fault.function.empty() || fault.nth == 0) return false;
    chain->push_back(fault);
    start = end + 1;
  }
  return !chain->empty();
}

PointRun RunPoint(const SweepScenario& scenario, CallRecorder& recorder, const FaultChain& faults, PointWatch* watch) {
  PointRun run;
  std::shared_ptr<void> quiet = recorder.Quiet();
  std::unique_ptr<scenarios::MachineFacade> machine = scenarios::MakeMachine(scenario.version);
  run.platform = machine->PlatformName();
  if (!machine->RunUnderWow64(scenario.wow64)) {
    run.applies = false;
    return run;
  }
  const bool dataPath = std::string(scenario.module) == "FwBaseVt";
  if (dataPath) machine->SetProductDataPath(kDataPath);
  if (scenario.trace) scenarios::SwitchTrace(true);
  if (scenario.prepared != Prepared::Fresh) {
    const std::string older = machine->MakeSetupFolder(kPreparedVersion, kPreparedVersion);
    scenarios::HostSession(*machine, scenario.module, older).Install();
  }
  if (scenario.prepared == Prepared::HeldByThree)
    scenarios::WriteValue("SYSTEM\\CurrentControlSet\\Services\\BaseTDI", "nSon", REG_DWORD, scenarios::DwordBytes(3));
  const std::string setup = machine->MakeSetupFolder(kSetupVersion, kSetupVersion);
  run.setupFolder = setup;
  run.before = ReadMachineFacts(*machine, dataPath ? kDataPath : "");
  {
    scenarios::HostSession session(*machine, scenario.module, setup);
    if (session.object() == nullptr) {
      run.problem = "QueryModuleObj gave no object";
      return run;
    }
    session.PresetStatus(kUntouched, kUntouched);
    if (watch != nullptr) watch->BeforeOperation();
    recorder.Start();
    run.planned = faults.size();
    for (const Fault& fault : faults) {
      if (!recorder.FailNthCallOf(fault.function, fault.nth, fault.error))
        run.problem = "cannot fail " + fault.function;
    }
    const HandleCounts open = recorder.OpenHandles();
    const auto started = std::chrono::steady_clock::now();
    {
      quiet.reset();
      RunOperation(session, scenario.operation);
      quiet = recorder.Quiet();
    }
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    run.handlesLeft = Difference(recorder.OpenHandles(), open);
    run.calls = recorder.Calls();
    run.faultsFired = recorder.FaultsFired();
    run.result = session.Status().result;
    run.pending = session.Status().pending;
    if (watch != nullptr) watch->OperationReturned(run);
  }
  recorder.SettleLaunchedPrograms();
  run.after = ReadMachineFacts(*machine, dataPath ? kDataPath : "");
  return run;
}

std::string PointVerdict::Text() const {
  std::string text;
  if (notReached) text += "not reached; ";
  for (const std::string& handle : handles) text += handle + "; ";
  for (const std::string& problem : offTable) text += problem + "; ";
  return text.empty() ? "on the table" : text;
}

PointVerdict CheckPoint(const SweepScenario& scenario, const PointRun& run, const PointRun& clean) {
  PointVerdict verdict;
  const std::vector<FaultedCall> faulted = FaultedCalls(run.calls);
  verdict.notReached = run.faultsFired < run.planned;
  for (const auto& kind : run.handlesLeft) {
    auto was = clean.handlesLeft.find(kind.first);
    const size_t cleanLeft = was == clean.handlesLeft.end() ? 0 : was->second;
    if (kind.second > cleanLeft)
      verdict.handles.push_back(std::to_string(kind.second - cleanLeft) + " " + kind.first + " handle(s) left open");
  }
  const Outcome expected = ExpectedOutcome(scenario.expectation, scenario.wow64, run.platform, faulted);
  if (expected.result == 1) verdict.silentlyBroken = BrokenBeyondTheCleanRun(expected.broken, run.after, clean.after);
  if (run.result != expected.result)
    verdict.offTable.push_back("result " + std::to_string(run.result) + ", expected " + std::to_string(expected.result));
  if (run.pending != expected.pending)
    verdict.offTable.push_back("pending " + std::to_string(run.pending) + ", expected " +
                               std::to_string(expected.pending));
  std::set<std::string> names;
  for (const MachineFacts* facts : {&run.after, &clean.after, &run.before})
    for (const auto& fact : *facts) names.insert(fact.first);
  for (const std::string& name : names) {
    std::string want = FactText(clean.after, name);
    for (size_t i = 0; i < expected.machine.size(); ++i) {
      const FactChange& change = expected.machine[i];
      if (!Names(change, expected.values[i], name)) continue;
      want = change.value != nullptr ? change.value : FactText(run.before, name);
    }
    const std::string got = FactText(run.after, name);
    if (got != want) verdict.offTable.push_back(name + ": " + got + ", expected " + want);
  }
  // Whatever the table says, no single failure leaves the shared driver's count below what it was (a
  // count that does not fit four bytes counts as none, and the last release takes it away).
  const bool tooLong = faulted.size() == 1 && faulted[0].error == ERROR_MORE_DATA;
  if (faulted.size() == 1 && !tooLong && scenario.expectation != Expectation::TdiRelease &&
      StoredCount(run.after) < StoredCount(run.before))
    verdict.offTable.push_back("the count fell from " + FactText(run.before, kTdiCountValue) + " to " +
                               FactText(run.after, kTdiCountValue));
  return verdict;
}

PointPlan::PointPlan(const std::vector<RecordedCall>& cleanCalls) {
  std::map<std::string, unsigned> counts;
  for (const RecordedCall& call : cleanCalls) {
    const unsigned nth = ++counts[call.function];
    seen_.insert({call.function, nth});
    for (DWORD error : host::interposer::SweepErrorsFor(call.function)) Add({Fault{call.function, nth, error}});
  }
}

void PointPlan::Add(const FaultChain& chain) {
  for (const FaultChain& known : all_)
    if (!(known < chain) && !(chain < known)) return;
  all_.push_back(chain);
}

void PointPlan::AddKnown(const FaultChain& chain, bool done) {
  for (const Fault& fault : chain) seen_.insert({fault.function, fault.nth});
  Add(chain);
  if (done) done_.insert(chain);
}

std::vector<FaultChain> PointPlan::Ran(const FaultChain& chain, const std::vector<RecordedCall>& calls) {
  done_.insert(chain);
  std::vector<FaultChain> found;
  std::map<std::string, unsigned> counts;
  for (const RecordedCall& call : calls) {
    const unsigned nth = ++counts[call.function];
    if (!seen_.insert({call.function, nth}).second) continue;
    for (DWORD error : host::interposer::SweepErrorsFor(call.function)) {
      FaultChain longer = chain;
      longer.push_back(Fault{call.function, nth, error});
      Add(longer);
      found.push_back(longer);
    }
  }
  return found;
}

bool PointPlan::Next(FaultChain* chain) {
  while (next_ < all_.size()) {
    const FaultChain& candidate = all_[next_++];
    if (done_.count(candidate) != 0) continue;
    *chain = candidate;
    return true;
  }
  return false;
}

}  // namespace sweep
