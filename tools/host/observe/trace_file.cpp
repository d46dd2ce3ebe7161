#include "observe/trace_file.h"

#include <windows.h>

#include "observe/host_files.h"

namespace host {

std::string TraceFilePath() {
  char exe[MAX_PATH + 1] = {};
  DWORD length = GetModuleFileNameA(nullptr, exe, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return "";
  return std::string(exe, length) + ".baseTdic.txt";
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
