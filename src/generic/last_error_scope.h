// Keeps the thread's last-error value across cleanup, as WIL's last_error_context does: the value read at
// construction is put back at destruction, whatever the calls in between set.
#ifndef BASETDIC_GENERIC_LAST_ERROR_SCOPE_H
#define BASETDIC_GENERIC_LAST_ERROR_SCOPE_H

#include <windows.h>

namespace basetdic {

class LastErrorScope {
 public:
  LastErrorScope() : saved_(GetLastError()) {}
  ~LastErrorScope() { SetLastError(saved_); }
  LastErrorScope(const LastErrorScope&) = delete;
  LastErrorScope& operator=(const LastErrorScope&) = delete;

 private:
  DWORD saved_;
};

}  // namespace basetdic

#endif
