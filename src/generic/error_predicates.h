// Named questions about Win32 outcomes, for families of results that call sites would otherwise spell
// as pairs of error codes.
#ifndef BASETDIC_GENERIC_ERROR_PREDICATES_H
#define BASETDIC_GENERIC_ERROR_PREDICATES_H

#include <windows.h>

namespace basetdic {

// A StartServiceA whose service runs now: it started, or it was running already. error is the thread's
// last error read straight after the call.
inline bool IsStartedOrAlreadyRunning(BOOL started, DWORD error) {
  return started != FALSE || error == ERROR_SERVICE_ALREADY_RUNNING;
}

// A registry open that failed only because the key is not there.
inline bool IsKeyMissing(LONG opened) { return opened == ERROR_FILE_NOT_FOUND; }

// A read of a fixed-size registry value that failed because the value is not there or holds more than its
// size: either way no value written as expected is stored. Any other failure says nothing about the value.
inline bool IsFixedValueMissing(LONG read) { return read == ERROR_FILE_NOT_FOUND || read == ERROR_MORE_DATA; }

}  // namespace basetdic

#endif
