// The prologue every winsim API function runs: take the machine lock, log the call, and fire an injected
// fault when one is due.
#ifndef WINSIM_API_CALL_H
#define WINSIM_API_CALL_H

#include <mutex>
#include <string>

#include "windows.h"

namespace winsim::detail {

std::recursive_mutex& MachineLock();

// The call log records the error a call fails with: the last error the call sets (SetLastError during
// the call), or, for the registry functions, the code they return through Returns.
class ApiCall {
 public:
  ApiCall(const char* function, std::string arguments = std::string());
  ~ApiCall();
  ApiCall(const ApiCall&) = delete;
  ApiCall& operator=(const ApiCall&) = delete;

  // The injected error for this call, or 0. When non-zero it is also the thread's last error.
  DWORD Fault() const { return fault_; }
  // For functions that return their error code: notes it in the call log and hands it back.
  LONG Returns(LONG error);

 private:
  std::lock_guard<std::recursive_mutex> lock_;
  DWORD fault_ = 0;
  ApiCall* outer_ = nullptr;  // the call this one runs inside, if any
  size_t record_ = 0;         // index of this call's record in the log, + 1; 0 when not logged
};

// Notes error as the result of the API call in progress on this thread (SetLastError calls it).
void NoteCallError(DWORD error);

// While one lives, no API call is in progress on this thread: what runs meanwhile (a simulated program's
// own work) sets errors that are not the outcome of the call that started it.
class OutsideCall {
 public:
  OutsideCall();
  ~OutsideCall();
  OutsideCall(const OutsideCall&) = delete;
  OutsideCall& operator=(const OutsideCall&) = delete;

 private:
  ApiCall* suspended_;
};
// Sets the thread's last error on a call that succeeds (ERROR_ALREADY_EXISTS from a create that opened).
void SetLastErrorOfSuccess(DWORD error);

// Text of an optional string argument for the call log.
std::string Arg(const char* text);
std::string Hex(uint64_t value);

}  // namespace winsim::detail

#endif
