#include "generic/held_mutex.h"

#include "generic/last_error_scope.h"

namespace basetdic {

bool HeldMutex::Open(const char* name) {
  Release();
  // Never the initial owner: a mutex that already exists would not be owned, and the caller could not
  // tell. Ownership comes from the wait alone.
  mutex_.reset(CreateMutexA(nullptr, FALSE, name));
  return mutex_.valid();
}

DWORD HeldMutex::Wait(DWORD timeoutMs) {
  if (held_) return ERROR_SUCCESS;
  if (!mutex_) return ERROR_INVALID_HANDLE;
  const DWORD waited = WaitForSingleObject(mutex_.get(), timeoutMs);
  // An abandoned mutex is owned now, like a signalled one; what its last owner left half done is the
  // caller's to cope with, as it would be without the mutex.
  if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
    held_ = true;
    return ERROR_SUCCESS;
  }
  if (waited == WAIT_TIMEOUT) return WAIT_TIMEOUT;
  const DWORD error = GetLastError();
  return error != ERROR_SUCCESS ? error : ERROR_INVALID_FUNCTION;
}

void HeldMutex::Release() {
  if (held_) {
    LastErrorScope keepError;
    ReleaseMutex(mutex_.get());
    held_ = false;
  }
  mutex_.reset();
}

}  // namespace basetdic
