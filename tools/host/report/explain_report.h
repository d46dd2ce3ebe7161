// What explain found, kept as data so that its text and JSON say the same: for the machine's Windows
// version, the branch each operation takes and, where it was rehearsed on a copy, what it touched.
#ifndef BASETDIC_HOST_REPORT_EXPLAIN_REPORT_H
#define BASETDIC_HOST_REPORT_EXPLAIN_REPORT_H

#include <ostream>
#include <string>
#include <vector>

#include "cli/operations.h"
#include "observe/machine_summary.h"
#include "report/branch_notes.h"
#include "report/report.h"

namespace host {

struct ExplainedOperation {
  Operation operation;
  BranchNote branch;
  bool rehearsed = false;
  StepReport step;  // name, call and notices always; status, failed calls and changes once rehearsed
};

struct ExplainReport {
  MachineSummary machine;
  std::vector<Notice> notices;  // said before the operations: "machine-created"
  std::string module;
  std::string setupFolder;
  std::vector<std::string> insertedFiles;
  std::string keptFolder;       // the setup folder the object keeps after InsertFile; empty: none
  std::string notRehearsedWhy;  // empty when every operation was rehearsed
  std::vector<ExplainedOperation> operations;
};

void PrintExplainText(const ExplainReport& report, std::ostream& out);
void PrintExplainJson(const ExplainReport& report, std::ostream& out);
// PrintExplainJson with json, else PrintExplainText.
void PrintExplain(const ExplainReport& report, bool json, std::ostream& out);

}  // namespace host

#endif
