// A platform call the library made during a step, and the Windows error it ended with.
#ifndef BASETDIC_HOST_OBSERVE_FAILED_CALL_H
#define BASETDIC_HOST_OBSERVE_FAILED_CALL_H

#include <windows.h>

#include <string>

namespace host {

struct PlatformCall {
  std::string function;   // "DeleteFileA"; empty when only the error left on the thread is known
  std::string arguments;  // the key arguments as the call log gives them
  DWORD error = 0;        // 0: it succeeded
  bool injected = false;  // failed on the host's request (--fail) without being made
};

// A call whose error is not 0: what the report lists as failed and the verdict names as a cause.
using FailedCall = PlatformCall;

}  // namespace host

#endif
