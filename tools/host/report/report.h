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
  std::vector<Notice> notices;
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
  std::vector<StepReport> steps;
  int exitCode = 0;
  std::string outcome;  // one line
};

// Exit code and outcome line from the operations' results: 0 when every operation reported result 1.
void SettleOutcome(RunReport* report);

void PrintRunText(const RunReport& report, std::ostream& out);
// A step's notices and failed calls, as lines of the text report.
void PrintStepFacts(const StepReport& step, std::ostream& out);
void PrintRunJson(const RunReport& report, std::ostream& out);
// PrintRunJson with json, else PrintRunText.
void PrintRun(const RunReport& report, bool json, std::ostream& out);

}  // namespace host

#endif
