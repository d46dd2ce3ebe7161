// The library's platform calls on a live system, as far as the host sees them without the interposer:
// the error the step left on the thread, cleared before the step begins.
#include "platform/platform.h"

namespace host::platform {

bool SeesLibraryCalls(std::string* why) {
  *why = "the host does not interpose on the library's imports";
  return false;
}

size_t MarkCalls() {
  SetLastError(ERROR_SUCCESS);
  return 0;
}

std::vector<PlatformCall> CallsSince(size_t) {
  DWORD error = GetLastError();
  if (error == ERROR_SUCCESS) return {};
  return {PlatformCall{"", "last error the step left on the thread", error, false}};
}

bool FailNthCallOf(const std::string&, unsigned, DWORD, std::string* why) {
  *why = "the host cannot make calls fail on this system";
  return false;
}

void ClearFaults() {}

bool LibraryHandles(std::vector<LibraryHandle>*) { return false; }

}  // namespace host::platform
