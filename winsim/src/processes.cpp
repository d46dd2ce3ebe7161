// Placeholder until the process area lands.
#include "processes.h"

namespace winsim::detail {

DWORD WaitForProcessHandle(HANDLE, DWORD) {
  SetLastError(ERROR_INVALID_HANDLE);
  return WAIT_FAILED;
}

}  // namespace winsim::detail
