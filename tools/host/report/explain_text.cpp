// explain in text: the machine, the kind and the setup folder in a few lines, then each operation with its
// branch and, where rehearsed, its status words and what it changed.
#include "report/changes_text.h"
#include "report/explain_report.h"
#include "report/machine_text.h"
#include "report/text_layout.h"

namespace host {

void PrintExplainText(const ExplainReport& report, std::ostream& out) {
  WriteWrapped(out, "", "explain " + report.module + " on " + MachineLine(report.machine), 2);
  for (const Notice& notice : report.notices) {
    WriteWrapped(out, AreaPrefix("note"), notice.text + " [" + notice.code + "]", kAreaColumn);
  }
  WriteWrapped(out, AreaPrefix("kind"), KindNote(report.module, report.machine.os), kAreaColumn);
  WriteWrapped(out, AreaPrefix("setup"),
               report.setupFolder + " (" + std::to_string(report.insertedFiles.size()) + " files); the library keeps " +
                   (report.keptFolder.empty() ? std::string("no setup folder") : report.keptFolder),
               kAreaColumn);
  WriteWrapped(out, AreaPrefix("how"),
               report.notRehearsedWhy.empty()
                   ? "each operation rehearsed alone, after SetModuleName and InsertFile, on a throwaway copy of the "
                     "machine; the machine itself stays as it is"
                   : report.notRehearsedWhy,
               kAreaColumn);
  for (const ExplainedOperation& explained : report.operations) {
    out << '\n';
    std::string left = Padded(explained.step.name, 10);
    if (explained.rehearsed) {
      left += "result " + std::to_string(explained.step.status.result) + "  pending " +
              std::to_string(explained.step.status.pending);
    }
    out << LeftRight(left, explained.step.call) << '\n';
    WriteWrapped(out, AreaPrefix("branch"), explained.branch.branch + ": " + explained.branch.what, kAreaColumn);
    PrintStepFacts(explained.step, out);
    if (explained.rehearsed) PrintChanges(explained.step.changes, out);
  }
}

}  // namespace host
