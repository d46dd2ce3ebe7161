// The library's trace file: where it appends its records, and the records it holds.
#ifndef BASETDIC_HOST_OBSERVE_TRACE_FILE_H
#define BASETDIC_HOST_OBSERVE_TRACE_FILE_H

#include <string>
#include <vector>

namespace host {

// "<executable>.baseTdic.txt"; empty when the executable's path cannot be had.
std::string TraceFilePath();

// The trace file's records: its non-empty lines, without their line ends.
std::vector<std::string> ReadTraceRecords(const std::string& traceFile);

}  // namespace host

#endif
