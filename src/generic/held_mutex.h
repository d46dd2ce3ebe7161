// A named mutex held across processes for one short stretch of work. The owner opens (or creates) the
// mutex by name, waits a bounded time for it, and gives it back and closes its handle when it goes out of
// scope, on every path, keeping the thread's last-error value.
#ifndef BASETDIC_GENERIC_HELD_MUTEX_H
#define BASETDIC_GENERIC_HELD_MUTEX_H

#include <windows.h>

#include "generic/win_handles.h"

namespace basetdic {

class HeldMutex {
 public:
  HeldMutex() = default;
  ~HeldMutex() { Release(); }
  HeldMutex(const HeldMutex&) = delete;
  HeldMutex& operator=(const HeldMutex&) = delete;

  // Opens the named mutex, creating it when no process has yet; gives up a mutex held before. False,
  // with the reason in GetLastError(), when the name cannot be opened (e.g. a prefix this Windows does
  // not know); nothing is then open.
  bool Open(const char* name);

  // Waits up to timeoutMs for the opened mutex. ERROR_SUCCESS when it is held now, also when its last
  // owner ended without giving it back (abandoned); WAIT_TIMEOUT when another holder kept it; otherwise
  // the wait's error code (ERROR_INVALID_HANDLE without an opened mutex).
  DWORD Wait(DWORD timeoutMs);

  bool Held() const { return held_; }

  // Gives the mutex back when held and closes the handle.
  void Release();

 private:
  UniqueKernelHandle mutex_;
  bool held_ = false;
};

}  // namespace basetdic

#endif
