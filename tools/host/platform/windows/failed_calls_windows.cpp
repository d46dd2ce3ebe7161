// The failed platform calls of a step on a live system. The host cannot see the library's calls there;
// what it can observe is the error the step left on the thread, cleared before the step begins.
#include "platform/platform.h"

namespace host::platform {

size_t MarkCalls() {
  SetLastError(ERROR_SUCCESS);
  return 0;
}

std::vector<FailedCall> FailedCallsSince(size_t) {
  DWORD error = GetLastError();
  if (error == ERROR_SUCCESS) return {};
  return {FailedCall{"", "last error the step left on the thread", error}};
}

}  // namespace host::platform
