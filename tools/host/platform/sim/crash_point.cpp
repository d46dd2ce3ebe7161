#include "platform/sim/crash_point.h"

#include <signal.h>
#include <unistd.h>

#include <cstdlib>

namespace host::platform {

void CrashPoint() {
  static const char* setting = std::getenv("BASETDIC_HOST_CRASH_AT");
  static long target = setting ? std::atol(setting) : 0;
  static long reached = 0;
  if (target > 0 && ++reached == target) kill(getpid(), SIGKILL);
}

}  // namespace host::platform
