#include "observe/trace_file.h"

#include "observe/machine_files.h"
#include "observe/system_paths.h"
#include "rules/product_names.h"

namespace host {

std::string TraceFilePath() {
  std::string executable = ExecutablePath();
  return executable.empty() ? "" : executable + basetdic::kTraceFileSuffix;
}

std::vector<std::string> ReadTraceRecords(const std::string& traceFile) {
  std::vector<std::string> records;
  std::string text;
  if (traceFile.empty() || !ReadWholeFile(traceFile, &text)) return records;
  size_t position = 0;
  while (position < text.size()) {
    size_t end = text.find('\n', position);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(position, end - position);
    while (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) records.push_back(line);
    position = end + 1;
  }
  return records;
}

}  // namespace host
