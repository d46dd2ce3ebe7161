// A platform call that failed during a step, with the Windows error it failed with.
#ifndef BASETDIC_HOST_OBSERVE_FAILED_CALL_H
#define BASETDIC_HOST_OBSERVE_FAILED_CALL_H

#include <windows.h>

#include <string>

namespace host {

struct FailedCall {
  std::string function;   // "DeleteFileA"; empty when only the error left on the thread is known
  std::string arguments;  // the key arguments as the call log gives them
  DWORD error = 0;
};

}  // namespace host

#endif
