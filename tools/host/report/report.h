// What a run did, kept as data so that the text and the JSON output say the same.
#ifndef BASETDIC_HOST_REPORT_H
#define BASETDIC_HOST_REPORT_H

#include <ostream>
#include <string>
#include <vector>

#include "basetdic/module_obj.h"
#include "observe/changes.h"
#include "observe/machine_summary.h"
#include "report/step_facts.h"

namespace host {

struct StepReport {
  std::string name;  // "setup", "install", ..., "reboot"
  std::string call;  // "InstallDriver", "SetModuleName + InsertFile", ...
  bool called = true;
  ModuleStatus status{};
  bool hasStatus = true;
  // Whether the call wrote each status word; a word it left shows the value of the step named in *From
  // ("update"; "the new object" before any call wrote it).
  bool wroteResult = true;
  bool wrotePending = true;
  std::string resultFrom;
  std::string pendingFrom;
  Changes changes;
  std::vector<FailedCall> failedCalls;
  std::vector<PlatformCall> calls;  // every call of the step, with --calls
  std::vector<Notice> notices;
};

// What a run comes to, from the operations' status words and the machine's notices: the machine agrees
// with what the library reported, an operation reported failure, or one reported success and the machine
// disagrees.
struct Verdict {
  std::string word;  // "agrees", "failed", "disagrees"
  struct StepNotice {
    std::string step;
    Notice notice;
  };
  std::vector<StepNotice> disagreements;  // the notices that say the machine disagrees, in step order
  std::vector<std::string> didNothing;    // the operations that wrote no status word
};

struct RunReport {
  MachineSummary machine;
  std::vector<Notice> notices;  // things said before the steps: "machine-created", "trace-not-switched-on"
  std::string library;
  std::string module;
  bool moduleChosenByHost = false;
  std::string setupFolder;
  std::vector<std::string> insertedFiles;
  std::vector<std::string> missingFiles;
  bool traceSwitchedOn = false;
  std::string traceFile;
  bool seesLaunches = true;
  bool listsCalls = false;  // --calls: each step lists every call
  std::vector<std::string> failures;  // --fail, as the host reads each: "CreateServiceA#1=5"
  std::vector<StepReport> steps;
  Verdict verdict;
  int exitCode = 0;
  std::string outcome;  // one line: the verdict in words
};

void PrintRunText(const RunReport& report, std::ostream& out);
// A step's notices and failed calls, as lines of the text report.
void PrintStepFacts(const StepReport& step, std::ostream& out);
void PrintRunJson(const RunReport& report, std::ostream& out);
// PrintRunJson with json, else PrintRunText.
void PrintRun(const RunReport& report, bool json, std::ostream& out);

}  // namespace host

#endif
