// The library's platform calls on the simulated machine: the machine's call log, its fault injection and
// its open handles. The host makes its own calls (snapshots) only between steps, so a step's stretch of
// the log is the library's alone, and planned failures are dropped before the host calls again.
#include "platform/platform.h"
#include "winsim/observe.h"

namespace host::platform {
namespace {

// winsim marks a call it failed on request at the end of its arguments.
const char kInjectedMark[] = " -> injected fault ";

}  // namespace

bool SeesLibraryCalls(std::string*) { return true; }

size_t MarkCalls() { return winsim::CallLog().size(); }

std::vector<PlatformCall> CallsSince(size_t mark) {
  std::vector<PlatformCall> calls;
  const std::vector<winsim::CallRecord>& log = winsim::CallLog();
  for (size_t i = mark; i < log.size(); ++i) {
    const bool injected = log[i].arguments.find(kInjectedMark) != std::string::npos;
    calls.push_back({log[i].function, log[i].arguments, log[i].error, injected});
  }
  return calls;
}

bool FailNthCallOf(const std::string& function, unsigned n, DWORD error, std::string*) {
  winsim::FailNthCallOf(function, n, error);
  return true;
}

void ClearFaults() { winsim::ClearFaults(); }

// Between steps the host holds no handle of the machine's, so every one open is the library's.
bool LibraryHandles(std::vector<LibraryHandle>* handles) {
  handles->clear();
  for (int kind = 0; kind < static_cast<int>(winsim::HandleKind::Count); ++kind) {
    const size_t open = winsim::OpenHandles(static_cast<winsim::HandleKind>(kind));
    for (size_t i = 0; i < open; ++i) handles->push_back({winsim::HandleKindName(static_cast<winsim::HandleKind>(kind)), ""});
  }
  return true;
}

}  // namespace host::platform
