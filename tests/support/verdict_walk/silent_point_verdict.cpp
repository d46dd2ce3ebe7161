#include "silent_point_verdict.h"

#include <algorithm>
#include <set>

#include "platform/platform.h"
#include "rules/product_names.h"
#include "session/kept_setup_folder.h"
#include "verdict/step_expectations.h"
#include "verdict/verdict_codes.h"

namespace verdict_walk {

namespace {

// The codes a notice may carry for each kind of damage the outcome table names.
struct FittingCodes {
  unsigned broken;
  std::set<std::string> codes;
};

const std::vector<FittingCodes>& CodesFitting() {
  namespace c = host::code;
  static const std::vector<FittingCodes> table = {
      {sweep::kBreaksImage, {c::kImageMissing, c::kNotRunning, c::kOlderImage}},
      {sweep::kBreaksRunning, {c::kNotRunning, c::kNoDevice}},
      {sweep::kBreaksService, {c::kNotConfigured, c::kNotRunning}},
      {sweep::kBreaksComponent, {c::kComponentMissing}},
      {sweep::kBreaksDataPath, {c::kDataPathMissing}},
      {sweep::kBreaksRemoval, {c::kLeftBehind, c::kCountMismatch}},
  };
  return table;
}

host::Operation HostOperation(sweep::Operation operation) {
  switch (operation) {
    case sweep::Operation::Install: return host::Operation::Install;
    case sweep::Operation::Update: return host::Operation::Update;
    case sweep::Operation::Remove: return host::Operation::Remove;
    case sweep::Operation::Start: return host::Operation::Start;
  }
  return host::Operation::Check;
}

const Invisible* CoveringException(const sweep::SweepScenario& scenario, const sweep::PointRun& run,
                                   const sweep::PointRun& clean) {
  std::set<std::string> names;
  for (const sweep::MachineFacts* facts : {&run.after, &clean.after})
    for (const auto& fact : *facts) names.insert(fact.first);
  const Invisible* covering = nullptr;
  for (const std::string& name : names) {
    if (sweep::FactText(run.after, name) == sweep::FactText(clean.after, name)) continue;
    const Invisible* row = nullptr;
    for (const Invisible& candidate : InvisibleFacts())
      if (name == candidate.fact && std::string(scenario.name) == candidate.scenario) row = &candidate;
    if (row == nullptr) return nullptr;
    covering = row;
  }
  return covering;
}

}  // namespace

void HostSnapshots::BeforeOperation() {
  scope_ = host::platform::Scope();
  scope_.recallFileContent = nullptr;
  scope_.rememberFileContent = nullptr;
  machine_ = host::DescribeMachine("the sweep's machine");
  before_ = host::TakeSnapshot(scope_);
}

void HostSnapshots::OperationReturned(const sweep::PointRun& run) {
  const host::Snapshot after = host::TakeSnapshot(scope_);
  std::vector<host::FailedCall> failed;
  for (const sweep::RecordedCall& call : run.calls)
    if (call.error != ERROR_SUCCESS) failed.push_back({call.function, call.arguments, call.error});
  std::vector<std::string> inserted;
  for (const char* file : basetdic::kSetupFiles) inserted.push_back(run.setupFolder + "\\" + file);
  const std::string kept = host::FolderKeptAfter(scenario_.module, inserted);
  notices_ = host::StepVerdictNotices(
      host::StepInputs{HostOperation(scenario_.operation), scenario_.module, machine_, kept, before_, after, failed});
}

const std::vector<Invisible>& InvisibleFacts() {
  static const std::vector<Invisible> facts = {
      // The reinstall rewrites the service as the first install created it, plus an empty DependOnGroup
      // list where the created service has none; a failure before that rewrite leaves the value absent.
      // The service manager reads both as "no group dependency", and the driver, its image and every other
      // value are as the clean run leaves them.
      {"xp_reinstall", "zelbase value DependOnGroup",
       "an empty DependOnGroup list and none configure the service the same way"},
  };
  return facts;
}

std::vector<std::string> DisagreementCodes(const std::vector<host::Notice>& notices) {
  std::vector<std::string> codes;
  for (const host::Notice& notice : notices)
    if (host::IsDisagreement(notice.code)) codes.push_back(notice.code);
  return codes;
}

SilentJudgement JudgeSilentPoint(const sweep::SweepScenario& scenario, const sweep::PointRun& run,
                                 const sweep::PointRun& clean, unsigned broken,
                                 const std::vector<host::Notice>& notices,
                                 const std::vector<host::Notice>& cleanNotices) {
  SilentJudgement judgement;
  judgement.codes = DisagreementCodes(notices);
  const std::vector<std::string> cleanCodes = DisagreementCodes(cleanNotices);
  for (const FittingCodes& fitting : CodesFitting()) {
    if (!(broken & fitting.broken)) continue;
    bool shown = false, shownBeyondClean = false;
    for (const std::string& code : judgement.codes) {
      if (fitting.codes.count(code) == 0) continue;
      shown = true;
      shownBeyondClean = shownBeyondClean || std::find(cleanCodes.begin(), cleanCodes.end(), code) == cleanCodes.end();
    }
    if (!shown) judgement.unshown |= fitting.broken;
    if (!shownBeyondClean) judgement.unshownBeyondClean |= fitting.broken;
  }
  judgement.invisible = CoveringException(scenario, run, clean);
  return judgement;
}

std::string NoticesText(const std::vector<host::Notice>& notices) {
  std::string text;
  for (const host::Notice& notice : notices) text += "\n    " + notice.code + ": " + notice.text;
  return text.empty() ? "\n    (no notice)" : text;
}

}  // namespace verdict_walk
