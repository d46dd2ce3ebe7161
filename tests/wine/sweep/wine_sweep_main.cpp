// basetdic_wine_sweep.exe: the fault sweep on the real API. For each scenario named, a clean run on a
// machine the harness made fresh, then every point of the scenario (see sweep_point.h) in this process,
// the machine made fresh again before each. scripts/wine-sweep runs it and reads what it prints, one line
// each, flushed at once so that a crash loses nothing:
//
//   CLEAN <scenario> <seconds> calls=<n> host=<codes> <verdict>
//                                                       the clean run; host=: the disagreement codes of
//                                                       the host's verdict on it ("none" when healthy)
//   CALL <scenario> <function> <arguments> = <error>    with --calls, each call of the clean run, as
//                                                       call_log_text.h writes it for comparisons
//   BEGIN <scenario> <chain>                            before a point runs
//   NEW <scenario> <chain>                              a point a failure path showed
//   RESTAGED <scenario> <chain> : <facts>               the point started on a machine unlike the clean
//                                                       run's and runs again (twice at most)
//   POINT <scenario> <chain> <seconds> ok|fail [not-reached] [handles] [off-table] [silent=WHAT HOST] : <what>
//                                                       silent=: what the failure breaks on the machine
//                                                       while the operation reports success; HOST is what
//                                                       the host's verdict made of it: shown=CODES (a
//                                                       fitting notice for each kind of damage),
//                                                       as-clean=CODES (fitting, but only by a notice the
//                                                       clean run got too: a gap of the platform's),
//                                                       invisible (a change no caller can act on), or
//                                                       missed=WHAT (no fitting notice: the point fails)
//   CRASH <scenario> <chain> <exception code>           the process dies after this line
//   HANG <scenario> <chain> <seconds>                   a point ran past the limit; the process ends
//   SKIP <scenario> <why>                               the scenario does not run in this process
//   DONE <scenario> <points>
//   NOTDECODED <DLL!function>                           an import of the library the interposer passes on
//   SCENARIO <scenario> <Windows version> native|wow64  with --list, instead of a sweep
//
//   basetdic_wine_sweep.exe --scenarios a,b [--plan FILE] [--only CHAIN] [--every K] [--calls]
//   basetdic_wine_sweep.exe --list
//
// --plan FILE lists points a process before this one planned ("<scenario> <chain> done|todo" per line):
// the todo ones run, the done ones are not run again. --only runs that one point of the one scenario.
// --every K runs every Kth planned point (a fixed sample). Exit code 0 when every point is on the table.
// BASETDIC_SWEEP_SELF_TEST holds space-separated requests that check the sweep itself: crash:CHAIN or
// hang:CHAIN makes that point crash or hang on purpose (the runner must isolate it), blind:CHAIN hides the
// host's notices on that point (the sweep must count it missed and fail).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "interposer_recorder.h"
#include "support/sweep/call_log_text.h"
#include "support/sweep/sweep_point.h"
#include "support/verdict_walk/silent_point_verdict.h"
#include "wine_library.h"

namespace {

using sweep::FaultChain;

constexpr double kHangSeconds = 30;

// ---- the point in progress, for the watchdog and the crash handler ----

std::mutex g_printing;
std::string g_current;  // "<scenario> <chain>" of the point running, empty between points
std::atomic<long long> g_startedMs{0};

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void Print(const std::string& line) {
  std::lock_guard<std::mutex> lock(g_printing);
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

void Begin(const std::string& scenario, const FaultChain& chain) {
  {
    std::lock_guard<std::mutex> lock(g_printing);
    g_current = scenario + " " + sweep::ChainText(chain);
  }
  Print("BEGIN " + scenario + " " + sweep::ChainText(chain));
  g_startedMs = NowMs();
}

void End() {
  g_startedMs = 0;
  std::lock_guard<std::mutex> lock(g_printing);
  g_current.clear();
}

LONG WINAPI OnCrash(EXCEPTION_POINTERS* exception) {
  char code[16];
  snprintf(code, sizeof code, "0x%08lx", static_cast<unsigned long>(exception->ExceptionRecord->ExceptionCode));
  std::string current;
  {
    std::lock_guard<std::mutex> lock(g_printing);
    current = g_current.empty() ? std::string("- -") : g_current;
  }
  Print("CRASH " + current + " " + code);
  TerminateProcess(GetCurrentProcess(), 3);
  return EXCEPTION_EXECUTE_HANDLER;
}

void Watch() {
  for (;;) {
    Sleep(500);
    const long long started = g_startedMs;
    if (started == 0 || NowMs() - started < kHangSeconds * 1000) continue;
    std::string current;
    {
      std::lock_guard<std::mutex> lock(g_printing);
      current = g_current;
    }
    Print("HANG " + current + " " + std::to_string((NowMs() - started) / 1000));
    TerminateProcess(GetCurrentProcess(), 4);
  }
}

// ---- the command line ----

struct Options {
  std::vector<std::string> scenarios;
  std::string planFile;
  std::string only;
  unsigned every = 1;
  bool calls = false;
  bool list = false;
};

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::stringstream stream(text);
  std::string part;
  while (std::getline(stream, part, separator))
    if (!part.empty()) parts.push_back(part);
  return parts;
}

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    const bool hasValue = i + 1 < argc;
    if (word == "--scenarios" && hasValue) {
      options->scenarios = Split(argv[++i], ',');
    } else if (word == "--plan" && hasValue) {
      options->planFile = argv[++i];
    } else if (word == "--only" && hasValue) {
      options->only = argv[++i];
    } else if (word == "--every" && hasValue) {
      options->every = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
    } else if (word == "--calls") {
      options->calls = true;
    } else if (word == "--list") {
      options->list = true;
    } else {
      std::fprintf(stderr, "basetdic_wine_sweep: unknown argument %s\n", word.c_str());
      return false;
    }
  }
  return (options->list || !options->scenarios.empty()) && options->every > 0;
}

struct PlannedPoint {
  std::string scenario;
  FaultChain chain;
  bool done = false;
};

std::vector<PlannedPoint> ReadPlan(const std::string& file) {
  std::vector<PlannedPoint> plan;
  std::ifstream in(file);
  std::string scenario, chain, state;
  while (in >> scenario >> chain >> state) {
    PlannedPoint point;
    point.scenario = scenario;
    point.done = state == "done";
    if (sweep::ParseChain(chain, &point.chain)) plan.push_back(point);
  }
  return plan;
}

std::string Seconds(double seconds) {
  char text[32];
  snprintf(text, sizeof text, "%.3f", seconds);
  return text;
}

// "image,data-path": what a point breaks while the operation reports success, as one word of its line.
std::string SilentNames(unsigned broken) {
  std::string word;
  for (char c : sweep::BrokenNames(broken)) {
    if (c == ' ' && !word.empty() && word.back() == ',') continue;
    word += c == ' ' ? '-' : c;
  }
  return word;
}

// "not-running,no-device"; "none" when there are no codes.
std::string CodesWord(const std::vector<std::string>& codes) {
  std::string word;
  for (const std::string& code : codes) word += (word.empty() ? "" : ",") + code;
  return word.empty() ? "none" : word;
}

// What the host's verdict made of a silent point, as one word of its line.
std::string HostWord(const verdict_walk::SilentJudgement& judgement) {
  if (judgement.invisible != nullptr) return "invisible";
  if (judgement.Missed()) return "missed=" + SilentNames(judgement.unshown);
  const bool asClean = judgement.unshownBeyondClean != sweep::kBreaksNothing;
  return (asClean ? "as-clean=" : "shown=") + CodesWord(judgement.codes);
}

// Whether the sweep's own check asks for what ("crash", "hang", "blind") at this point.
bool SelfTestAsks(const char* what, const FaultChain& chain) {
  char wanted[1024];
  const DWORD length = GetEnvironmentVariableA("BASETDIC_SWEEP_SELF_TEST", wanted, sizeof(wanted));
  if (length == 0 || length >= sizeof(wanted)) return false;
  const std::string request = std::string(what) + ":" + sweep::ChainText(chain);
  for (const std::string& asked : Split(std::string(wanted, length), ' '))
    if (asked == request) return true;
  return false;
}

void MisbehaveIfAsked(const FaultChain& chain) {
  if (SelfTestAsks("crash", chain)) RaiseException(EXCEPTION_ACCESS_VIOLATION, 0, 0, nullptr);
  if (SelfTestAsks("hang", chain)) Sleep(INFINITE);
}

// ---- one scenario ----

constexpr int kRestagings = 2;
constexpr DWORD kSettleMs = 1000;

// The facts in which the machine a point started on differs from the clean run's ("" when none).
std::string StartedUnlike(const sweep::PointRun& run, const sweep::PointRun& clean) {
  std::set<std::string> names;
  for (const sweep::MachineFacts* facts : {&run.before, &clean.before})
    for (const auto& fact : *facts) names.insert(fact.first);
  std::string unlike;
  for (const std::string& name : names) {
    const std::string now = sweep::FactText(run.before, name), then = sweep::FactText(clean.before, name);
    if (now != then) unlike += name + ": " + now + ", clean run " + then + "; ";
  }
  return unlike;
}

bool RunScenario(const sweep::SweepScenario& scenario, sweep::CallRecorder& recorder, const Options& options,
                   const std::vector<PlannedPoint>& known) {
  const std::string name = scenario.name;
  Begin(name, {});
  MisbehaveIfAsked({});
  verdict_walk::HostSnapshots cleanSnapshots(scenario);
  const sweep::PointRun clean = sweep::RunPoint(scenario, recorder, {}, &cleanSnapshots);
  End();
  if (!clean.applies) {
    Print("SKIP " + name + " not a " + std::string(scenario.wow64 ? "WOW64" : "native") + " process here");
    return true;
  }
  const sweep::PointVerdict cleanVerdict = sweep::CheckPoint(scenario, clean, clean);
  bool passed = clean.problem.empty() && cleanVerdict.Passed() && clean.handlesLeft.empty();
  std::string cleanText = clean.problem + cleanVerdict.Text();
  for (const auto& left : clean.handlesLeft) cleanText += "; " + std::to_string(left.second) + " " + left.first + " left";
  const std::vector<host::Notice>& cleanNotices = cleanSnapshots.Notices();
  Print("CLEAN " + name + " " + Seconds(clean.seconds) + " calls=" + std::to_string(clean.calls.size()) +
        " host=" + CodesWord(verdict_walk::DisagreementCodes(cleanNotices)) + " " + cleanText);
  if (options.calls)
    for (const std::string& call : sweep::ComparableCalls(clean.calls, sweep::PathsOfThisMachine(clean.setupFolder)))
      Print("CALL " + name + " " + call);

  sweep::PointPlan plan(clean.calls);
  for (const PlannedPoint& point : known)
    if (point.scenario == name) plan.AddKnown(point.chain, point.done);
  FaultChain only;
  if (!options.only.empty() && !sweep::ParseChain(options.only, &only)) return false;

  FaultChain chain;
  size_t planned = 0, ran = 0;
  for (;;) {
    if (options.only.empty()) {
      if (!plan.Next(&chain)) break;
      if (planned++ % options.every != 0) continue;
    } else {
      if (ran == 1) break;
      chain = only;
    }
    ++ran;
    Begin(name, chain);
    MisbehaveIfAsked(chain);
    verdict_walk::HostSnapshots snapshots(scenario);
    sweep::PointRun run = sweep::RunPoint(scenario, recorder, chain, &snapshots);
    // Wine loads and unloads drivers on its own time: a point whose machine did not start as the clean
    // run's is staged again, since what it ends with would not be the failure's doing.
    std::string unlike = StartedUnlike(run, clean);
    for (int again = 0; !unlike.empty() && again < kRestagings; ++again) {
      Print("RESTAGED " + name + " " + sweep::ChainText(chain) + " : " + unlike);
      Sleep(kSettleMs);
      run = sweep::RunPoint(scenario, recorder, chain, &snapshots);
      unlike = StartedUnlike(run, clean);
    }
    End();
    for (const FaultChain& found : plan.Ran(chain, run.calls)) Print("NEW " + name + " " + sweep::ChainText(found));
    sweep::PointVerdict verdict = sweep::CheckPoint(scenario, run, clean);
    if (!unlike.empty()) verdict.offTable.push_back("started unlike the clean run: " + unlike);
    std::string kinds, hostText;
    if (verdict.notReached) kinds += " not-reached";
    if (!verdict.handles.empty()) kinds += " handles";
    if (!verdict.offTable.empty() || !run.problem.empty()) kinds += " off-table";
    bool shown = true;
    if (verdict.silentlyBroken != sweep::kBreaksNothing && run.result == 1) {
      const std::vector<host::Notice> notices =
          SelfTestAsks("blind", chain) ? std::vector<host::Notice>() : snapshots.Notices();
      const verdict_walk::SilentJudgement judgement =
          verdict_walk::JudgeSilentPoint(scenario, run, clean, verdict.silentlyBroken, notices, cleanNotices);
      kinds += " silent=" + SilentNames(verdict.silentlyBroken) + " " + HostWord(judgement);
      shown = !judgement.Missed();
      if (!shown)
        hostText = "the host's verdict has no fitting notice for " + sweep::BrokenNames(judgement.unshown) + ":" +
                   verdict_walk::NoticesText(notices) + "; ";
    }
    const bool ok = run.problem.empty() && verdict.Passed() && shown;
    passed = passed && ok;
    std::string line = "POINT " + name + " " + sweep::ChainText(chain) + " " + Seconds(run.seconds) +
                       (ok ? " ok" : " fail") + kinds + " : " + run.problem + hostText + verdict.Text();
    std::replace(line.begin(), line.end(), '\n', ' ');
    Print(line);
  }
  Print("DONE " + name + " " + std::to_string(ran));
  return passed;
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    std::fprintf(stderr,
                 "usage: basetdic_wine_sweep --scenarios a,b [--plan FILE] [--only CHAIN] [--every K] [--calls]\n"
                 "       basetdic_wine_sweep --list\n");
    return 2;
  }
  if (options.list) {
    for (const sweep::SweepScenario& scenario : sweep::SweepScenarios())
      Print(std::string("SCENARIO ") + scenario.name + " " + scenario.version + (scenario.wow64 ? " wow64" : " native"));
    return 0;
  }
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  SetUnhandledExceptionFilter(OnCrash);
  std::thread(Watch).detach();

  winetest::LibraryInterposer interposer;
  if (interposer.get() == nullptr) {
    std::fprintf(stderr, "basetdic_wine_sweep: no interposer on the library: %s\n", interposer.error().c_str());
    return 2;
  }
  for (const std::string& missing : interposer.get()->NotDecoded()) Print("NOTDECODED " + missing);
  winetest::InterposerRecorder recorder(*interposer.get());
  const std::vector<PlannedPoint> known =
      options.planFile.empty() ? std::vector<PlannedPoint>() : ReadPlan(options.planFile);

  bool passed = true;
  for (const std::string& name : options.scenarios) {
    const sweep::SweepScenario* scenario = sweep::FindSweepScenario(name);
    if (scenario == nullptr) {
      Print("SKIP " + name + " unknown scenario");
      passed = false;
      continue;
    }
    passed = RunScenario(*scenario, recorder, options, known) && passed;
  }
  // The facade reports what it could not do as test failures outside any test.
  if (::testing::UnitTest::GetInstance()->ad_hoc_test_result().Failed()) passed = false;
  return passed ? 0 : 1;
}
