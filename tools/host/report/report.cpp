#include "report/report.h"

#include "report/explain_report.h"

namespace host {

void PrintRun(const RunReport& report, bool json, std::ostream& out) {
  if (json) {
    PrintRunJson(report, out);
  } else {
    PrintRunText(report, out);
  }
}

void PrintExplain(const ExplainReport& report, bool json, std::ostream& out) {
  if (json) {
    PrintExplainJson(report, out);
  } else {
    PrintExplainText(report, out);
  }
}

}  // namespace host
