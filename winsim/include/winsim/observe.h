// winsim's observability for tests: the call log, open handles by kind, and fault injection.
#ifndef WINSIM_OBSERVE_H
#define WINSIM_OBSERVE_H

#include <cstdint>
#include <string>
#include <vector>

#include "windows.h"

namespace winsim {

enum class HandleKind { File, Device, Find, Key, ServiceManager, Service, Process, Thread, Mutex, Event, Count };
const char* HandleKindName(HandleKind kind);

struct CallRecord {
  std::string function;
  std::string arguments;  // the key arguments, as text
  DWORD error = 0;        // the Windows error the call failed with; 0 when it succeeded
};

const std::vector<CallRecord>& CallLog();
void ClearCallLog();
// Every API call counted since boot (faulted calls included).
uint64_t CallCount();

size_t OpenHandles(HandleKind kind);
size_t OpenHandles();  // all kinds

// Makes the nth call (1 = the next one) of the named function fail with the given error, counted from now.
void FailNthCallOf(const std::string& function, unsigned n, DWORD error);
// Makes the nth API call overall (1 = the next one) fail with the given error, counted from now.
void FailNthCall(unsigned n, DWORD error);
void ClearFaults();
// How many injected faults have fired since boot.
unsigned FaultsFired();

// While one of these lives on a thread, API calls on that thread are neither logged nor counted nor
// faulted: tests use it to inspect the machine without disturbing what they measure.
class QuietScope {
 public:
  QuietScope();
  ~QuietScope();
  QuietScope(const QuietScope&) = delete;
  QuietScope& operator=(const QuietScope&) = delete;

 private:
  bool previous_;
};

}  // namespace winsim

#endif
