// The library's debug trace switched on for one run: key ZEL=1 in section [DEBUG] of zel.ini in the
// Windows directory, and the file put back as it was afterwards.
#ifndef BASETDIC_HOST_TRACE_SWITCH_H
#define BASETDIC_HOST_TRACE_SWITCH_H

#include <string>

namespace host {

class TraceSwitch {
 public:
  TraceSwitch() = default;
  ~TraceSwitch() { Restore(); }
  TraceSwitch(const TraceSwitch&) = delete;
  TraceSwitch& operator=(const TraceSwitch&) = delete;

  // Remembers zel.ini as it is and writes the switch; false when it cannot be written.
  bool SwitchOn();
  // Puts zel.ini back (or removes it when there was none). Safe to call twice.
  void Restore();

 private:
  bool active_ = false;
  bool existed_ = false;
  std::string path_;
  std::string previous_;
};

}  // namespace host

#endif
