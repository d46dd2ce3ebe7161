// The prologue every winsim API function runs: take the machine lock, log the call, and fire an injected
// fault when one is due.
#ifndef WINSIM_API_CALL_H
#define WINSIM_API_CALL_H

#include <mutex>
#include <string>

#include "windows.h"

namespace winsim::detail {

std::recursive_mutex& MachineLock();

class ApiCall {
 public:
  ApiCall(const char* function, std::string arguments = std::string());
  ApiCall(const ApiCall&) = delete;
  ApiCall& operator=(const ApiCall&) = delete;

  // The injected error for this call, or 0. When non-zero it is also the thread's last error.
  DWORD Fault() const { return fault_; }

 private:
  std::lock_guard<std::recursive_mutex> lock_;
  DWORD fault_ = 0;
};

// Text of an optional string argument for the call log.
std::string Arg(const char* text);
std::string Hex(uint64_t value);

}  // namespace winsim::detail

#endif
