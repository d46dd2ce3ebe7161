#include "fuzz_input.h"

#include <cstdio>
#include <cstdlib>

#include "winsim/machine.h"
#include "winsim/modules.h"
#include "winsim/sync.h"

namespace fuzz {

void Fail(const char* what) {
  fprintf(stderr, "fuzz check failed: %s\n", what);
  abort();
}

void CheckMachineClean() {
  winsim::QuietScope quiet;
  FUZZ_CHECK(winsim::OpenHandles() == 0);
  winsim::ModuleUsage version = winsim::UsageOf("version.dll");
  FUZZ_CHECK(version.loads == version.frees);
  FUZZ_CHECK(!version.loaded);
  FUZZ_CHECK(!winsim::MutexOwned("BaseTdiC.BaseTDI"));
}

}  // namespace fuzz
