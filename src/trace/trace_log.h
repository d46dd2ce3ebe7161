// The debug trace: one timestamped record per call appended to "<host executable>.baseTdic.txt", written
// only while key "ZEL" of section "DEBUG" in "zel.ini" reads non-zero. The switch is read on every call.
#ifndef BASETDIC_TRACE_TRACE_LOG_H
#define BASETDIC_TRACE_TRACE_LOG_H

namespace basetdic {

// printf-style. Returns 1 when the trace is off or the record was written; 0 when the executable's name
// cannot be had (or the trace file name would not fit) or the trace file cannot be opened. Does not keep
// the thread's last-error value: read it before tracing.
int TraceLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace basetdic

#endif
